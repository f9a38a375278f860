// The Bramble_srv program itself, run from a private folder with its own settings file.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "server/CheckCredentials.h"
#include "shared/settings/u_Consts.h"
#include "tests/integration/http/HttpTestClient.h"

namespace bramble::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ServerStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() /
              ("bramble-srv-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    fs::create_directories(folder_);
    fs::copy_file(BRAMBLE_SRV_PATH, folder_ / "Bramble_srv");
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdin_ >= 0) ::close(stdin_);
    if (stdout_ >= 0) ::close(stdout_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path Ini() const { return folder_ / "Bramble_srv.ini"; }

  void WriteIni(const std::string& port, const std::string& user, const std::string& pass) {
    std::ofstream(Ini()) << "[srv]\nHost=\nPort=" << port << "\nUser=" << user << "\nPass=" << pass
                         << "\n";
  }

  void Launch() {
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string program = (folder_ / "Bramble_srv").string();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    ASSERT_EQ(::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
  }

  // One line of the program's output, or what arrived before `timeout`.
  std::string ReadLine(std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    char c;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{stdout_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      if (::read(stdout_, &c, 1) != 1) break;
      if (c == '\n') break;
      line += c;
    }
    return line;
  }

  // The exit status once the program has ended, or -1 when it is still running after `timeout`.
  int WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

  std::string Banner(int port) const {
    return "Servidor ativo 0.0.0.0:" + std::to_string(port) + " - " + PlatformDescription();
  }

  fs::path folder_;
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
};

HttpReply Authenticated(std::uint16_t port, const std::string& user, const std::string& password) {
  return Fetch(port, "GET", "/nowhere", {{"Authorization", BasicCredentials(user, password)}});
}

TEST_F(ServerStartTest, ServesTheStatusPageAndChecksCredentialsFromTheSettingsFile) {
  const auto port = FreePort();
  WriteIni(std::to_string(port), "bob", "s3cret");
  Launch();
  ASSERT_EQ(ReadLine(), Banner(port));

  const auto page = Fetch(port, "GET", "/");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.headers.Get("Content-Type"), "text/html");
  const std::regex pattern("<h2>Servidor Bramble Ativo! - " + PlatformDescription() +
                           " - \\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d</h2>");
  EXPECT_TRUE(std::regex_match(page.body, pattern)) << page.body;

  // Only "/" is registered for now: past authentication every other path is 404.
  EXPECT_EQ(Authenticated(port, "bob", "s3cret").status, 404);
  EXPECT_EQ(Authenticated(port, "Bob", "s3cret").body, "Unauthorized");
  EXPECT_EQ(Authenticated(port, "admin", "plovr").status, 401);

  WriteIni(std::to_string(port), "bob", "changed");
  EXPECT_EQ(Authenticated(port, "bob", "s3cret").status, 401);
  EXPECT_EQ(Authenticated(port, "bob", "changed").status, 404);
}

TEST_F(ServerStartTest, FirstStartCreatesTheSettingsFileAndListensOn9095) {
  if (!PortIsFree(9095)) GTEST_SKIP() << "port 9095 is in use";
  Launch();
  ASSERT_EQ(ReadLine(), Banner(9095));
  std::ifstream file(Ini());
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_TRUE(std::regex_search(
      content.str(),
      std::regex("\\[srv\\]\\s*Host\\s*=\\s*Port\\s*=\\s*0\\s*User\\s*=\\s*Pass\\s*=")))
      << content.str();
  EXPECT_EQ(Authenticated(9095, "admin", "plovr").status, 404);
}

TEST_F(ServerStartTest, PortBelowOneListensOn9000) {
  if (!PortIsFree(9000)) GTEST_SKIP() << "port 9000 is in use";
  WriteIni("-1", "", "");
  Launch();
  ASSERT_EQ(ReadLine(), Banner(9000));
  EXPECT_EQ(Fetch(9000, "GET", "/").status, 200);
}

TEST_F(ServerStartTest, ListeningFailurePrintsOneLineAndWaitsForInput) {
  const int blocker = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(blocker, 1), 0);
  socklen_t length = sizeof address;
  ::getsockname(blocker, reinterpret_cast<sockaddr*>(&address), &length);
  WriteIni(std::to_string(ntohs(address.sin_port)), "", "");

  Launch();
  const std::string line = ReadLine();
  EXPECT_EQ(line.rfind("ListenError: ", 0), 0u) << line;
  EXPECT_NE(line.find("Address already in use"), std::string::npos) << line;
  EXPECT_EQ(WaitForExit(300ms), -1);  // still waiting for the operator
  ASSERT_EQ(::write(stdin_, "\n", 1), 1);
  EXPECT_EQ(WaitForExit(5s), 1);
  ::close(blocker);
}

TEST_F(ServerStartTest, UnreadableSettingsFileEndsTheProgram) {
  fs::create_directory(Ini());  // a folder where the file should be
  Launch();
  const std::string line = ReadLine();
  EXPECT_FALSE(line.empty());
  EXPECT_EQ(line.find("Servidor ativo"), std::string::npos) << line;
  EXPECT_EQ(WaitForExit(5s), 1);
}

TEST(ConstantTimeEquals, ComparesWholeTexts) {
  struct Case {
    std::string_view a;
    std::string_view b;
    bool equal;
  } cases[] = {{"plovr", "plovr", true},
               {"", "", true},
               {"plovr", "plovR", false},
               {"plovr", "plov", false},
               {"plov", "plovr", false},
               {"", "x", false},
               {std::string_view("a\0b", 3), "a", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(ConstantTimeEquals(c.a, c.b), c.equal) << c.a << " / " << c.b;
  }
}

}  // namespace
}  // namespace bramble::testing
