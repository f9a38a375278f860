#include "server/Startup.h"

int main() {
  return bramble::RunServer();
}
