#pragma once
// The request stages of the query server, in the order every request passes them.
#include "platform/http/Server.h"

namespace bramble {

// Installs Basic authentication (realm "Enter credentials", "/" open to all, checked with
// CheckCredentials), then compression of text bodies above 1024 bytes, then stream bodies.
void InstallStages(http::Server& aApp);

}  // namespace bramble
