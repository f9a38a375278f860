#include "platform/ini/IniFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/core/Exception.h"

namespace bramble::ini {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("bramble_ini_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(IniFileTest, FallbacksForMissingFileSectionAndKey) {
  IniFile f((dir_ / "a.ini").string());
  EXPECT_FALSE(f.Exists());
  EXPECT_EQ(f.ReadString("s", "k", "fb"), "fb");
  f.WriteString("s", "k", "v");
  EXPECT_EQ(f.ReadString("s", "k", "fb"), "v");
  EXPECT_EQ(f.ReadString("s", "other", "fb"), "fb");
  EXPECT_EQ(f.ReadString("t", "k", "fb"), "fb");
  EXPECT_EQ(f.ReadInteger("s", "k", 7), 7);
}

TEST_F(IniFileTest, OversizedFileIsRefused) {
  const auto path = dir_ / "big.ini";
  std::ofstream(path) << "[s]\nk=" << std::string(kMaxIniFileBytes, 'x') << "\n";
  IniFile f(path.string());
  EXPECT_THROW(f.ReadString("s", "k", ""), Exception);
}

TEST_F(IniFileTest, FailedWriteLeavesOldFileWhole) {
  const auto path = dir_ / "keep.ini";
  IniFile f(path.string());
  f.WriteString("s", "k", "old");
  // A file-size limit makes the write fail even for root; the old file must survive whole.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(f.WriteString("s", "k", std::string(100, 'n')), Exception);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(f.ReadString("s", "k", ""), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, ConcurrentWritersAndReadersNeverSeeHalfAFile) {
  const auto path = (dir_ / "c.ini").string();
  std::vector<std::thread> threads;
  std::atomic<int> bad_reads{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      IniFile f(path);
      for (int i = 0; i < 50; ++i) {
        f.WriteString("s" + std::to_string(t), "k", std::string(200, char('a' + t)));
        const auto v = f.ReadString("s" + std::to_string(t), "k", "");
        if (v != std::string(200, char('a' + t))) ++bad_reads;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(bad_reads, 0);
  IniFile f(path);
  for (int t = 0; t < 8; ++t) EXPECT_EQ(f.ReadString("s" + std::to_string(t), "k", "").size(), 200u);
}

}  // namespace
}  // namespace bramble::ini
