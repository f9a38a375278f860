#pragma once
// The one general error type of the system: an exception that carries a message text.
// Every layer raises it (or a type derived from it); callers that re-raise keep only the text.
#include <stdexcept>
#include <string>

namespace bramble {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The message text, as the error's users display it.
  std::string Message() const { return what(); }
};

}  // namespace bramble
