#pragma once
// Helpers for the JSON model tests: the message of the error an action raises.
#include <functional>
#include <string>

#include "platform/core/Exception.h"

namespace bramble::testing {

// The message of the bramble::Exception that Action raises, or "<no error>".
inline std::string ErrorOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace bramble::testing
