#pragma once
// Stage that lets a request through only with valid HTTP Basic credentials.
#include <functional>
#include <string>
#include <vector>

#include "platform/http/Pipeline.h"

namespace bramble::http {

struct BasicAuthConfig {
  std::string header = "Authorization";  // request header (and query parameter) to read
  std::string realm = "Enter credentials";
  std::vector<std::string> skippedPaths;  // compared without regard to case
};

// Returns true when the user name and password are accepted. May throw; the error's message
// is then the 500 answer's body.
using CredentialCheck = std::function<bool(const std::string& user, const std::string& password)>;

// Answers, stopping the request:
//   401 "Authorization not found" with a Basic challenge when no credentials were sent,
//   401 "Invalid authorization type" for a scheme other than Basic,
//   500 with the error's message when the credentials cannot be decoded or the check fails,
//   401 "Unauthorized" when the check refuses them.
// Credentials come from the header or, when it is blank, from the query parameter of the same
// name; paths in the skip list pass untouched.
Stage BasicAuthentication(BasicAuthConfig config, CredentialCheck check);

}  // namespace bramble::http
