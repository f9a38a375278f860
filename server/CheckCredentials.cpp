#include "server/CheckCredentials.h"

#include <algorithm>

#include "shared/settings/u_ParamsSrv.h"

namespace bramble {

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  const std::size_t length = std::max(a.size(), b.size());
  // volatile keeps the compiler from turning the loop into an early-exit comparison.
  volatile unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    difference = difference | static_cast<unsigned char>(x ^ y);
  }
  return difference == 0;
}

bool CheckCredentials(const std::string& user, const std::string& password) {
  const auto params = TParamsSrv::New("srv")->ReadIni();
  // Both comparisons always run, so the time taken does not tell whether the user was right.
  const bool userMatches = ConstantTimeEquals(user, params->User());
  const bool passwordMatches = ConstantTimeEquals(password, params->Password());
  return userMatches & passwordMatches;
}

}  // namespace bramble
