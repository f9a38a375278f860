#pragma once
namespace bramble {

// The query server's program body: installs the stages and routes, reads the port from the
// "srv" settings, listens on every IPv4 interface, prints the banner and serves until the
// process is ended. Returns only when it cannot start (a non-zero exit code).
int RunServer();

}  // namespace bramble
