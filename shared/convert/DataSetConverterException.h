#pragma once
// The error that the dataset-JSON conversion raises for every fault it detects itself.
#include "platform/core/Exception.h"

namespace bramble {

class EDataSetConverterException : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace bramble
