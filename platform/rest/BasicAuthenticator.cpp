#include "platform/rest/BasicAuthenticator.h"

#include "platform/core/Base64.h"

namespace bramble::rest {

std::string BasicAuthenticator::AuthorizationValue() const {
  return "Basic " + Base64Encode(Username + ":" + Password);
}

}  // namespace bramble::rest
