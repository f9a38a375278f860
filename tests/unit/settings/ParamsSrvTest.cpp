#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/ProgramPath.h"
#include "platform/ini/IniFile.h"
#include "shared/settings/u_ParamsSrv.h"

namespace bramble {
namespace {

namespace fs = std::filesystem;

// Each test uses its own file beside the test program, so tests may run side by side.
class ParamsSrvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = std::string("params_srv_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
            std::to_string(::getpid()) + ".ini";
    path_ = (fs::path(ProgramFilePath()).parent_path() / name_).string();
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }

  iParamsSrv::Ptr Params() { return TParamsSrv::New("srv")->setIniFile(name_); }
  void WriteFile(const std::string& text) { std::ofstream(path_) << text; }
  std::string ReadFile() {
    std::ifstream in(path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string name_;
  std::string path_;
};

TEST_F(ParamsSrvTest, MissingFileIsCreatedAndGettersGiveDefaults) {
  auto p = Params()->ReadIni();
  ASSERT_TRUE(fs::exists(path_));
  EXPECT_EQ(ReadFile(), "[srv]\nHost=\nPort=0\nUser=\nPass=\n");
  EXPECT_EQ(p->Host(), "");
  EXPECT_EQ(p->Port(), 9095);
  EXPECT_EQ(p->User(), "admin");
  EXPECT_EQ(p->Password(), "plovr");
}

TEST_F(ParamsSrvTest, PortTexts) {
  const std::pair<const char*, int> cases[] = {
      {"0", 9095}, {"", 9095}, {"abc", 9095}, {"8080", 8080}, {"-1", -1}, {"99999", 99999}};
  for (const auto& [text, expected] : cases) {
    WriteFile(std::string("[srv]\nPort=") + text + "\n");
    EXPECT_EQ(Params()->ReadIni()->Port(), expected) << "Port=" << text;
  }
}

TEST_F(ParamsSrvTest, BlankTextsTakeDefaultsOtherwiseKeptExactly) {
  auto p = Params();
  EXPECT_EQ(p->User("   ")->User(), "admin");
  EXPECT_EQ(p->User(" bob ")->User(), " bob ");
  EXPECT_EQ(p->Password("")->Password(), "plovr");
  EXPECT_EQ(p->Host(" http://h:1 ")->Host(), " http://h:1 ");
}

TEST_F(ParamsSrvTest, WriteIniWritesRawFieldsAndDefaultsOnceTaken) {
  Params()->Host("http://localhost:9095")->User("bob")->Password("pw")->WriteIni();
  EXPECT_EQ(ReadFile(), "[srv]\nHost=http://localhost:9095\nPort=0\nUser=bob\nPass=pw\n");

  auto p = Params()->ReadIni();
  EXPECT_EQ(p->Port(), 9095);
  p->WriteIni();
  EXPECT_NE(ReadFile().find("Port=9095"), std::string::npos);
}

TEST_F(ParamsSrvTest, ReadIniOverwritesEveryFieldAndKeepsOtherSections) {
  WriteFile("[db]\nDatabase=x.db\n[srv]\nUser=carol\n");
  auto p = Params()->Host("lost")->Password("lost")->ReadIni();
  EXPECT_EQ(p->Host(), "");
  EXPECT_EQ(p->User(), "carol");
  EXPECT_EQ(p->Password(), "plovr");
  p->WriteIni();
  EXPECT_EQ(ini::IniFile(path_).ReadString("db", "Database", "?"), "x.db");
}

TEST_F(ParamsSrvTest, UnreadableFileRaisesItsMessage) {
  fs::create_directory(path_);
  try {
    Params()->ReadIni();
    FAIL() << "expected an error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find(name_), std::string::npos) << e.what();
  }
  fs::remove(path_);
}

}  // namespace
}  // namespace bramble
