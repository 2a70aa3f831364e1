// vtplayer as a process: command line, the edition's data folder from the identity stamp of
// the built executable, the log file made there, and the "VTPlayer" class taken on the link.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <fstream>

#include "../e2e/e2e_fixture.h"
#include "app/app_paths.h"
#include "app/product_stamp.h"
#include "app/recorder_link.h"

#ifndef VT_PLAYER_EXE
#error VT_PLAYER_EXE must name the vtplayer executable
#endif

namespace vt {
namespace {

class ShellStart : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "test_shell_start";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    root_ = std::filesystem::temp_directory_path() / ("vt_start_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "run");
    std::filesystem::permissions(root_ / "run", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(root_ / "home");
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "home").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::filesystem::path root_;
};

TEST_F(ShellStart, HelpAndMalformedCommandLine) {
  e2e::ChildProcess help;
  ASSERT_TRUE(help.Start({VT_PLAYER_EXE, "--help"}, root_ / "help.out"));
  EXPECT_EQ(help.WaitExit(10000), 0);
  EXPECT_NE(help.Output().find("--data-folder DIR"), std::string::npos) << help.Output();
  EXPECT_FALSE(LinkFind(kClassPlayer));
  e2e::ChildProcess bad;
  ASSERT_TRUE(bad.Start({VT_PLAYER_EXE, "--data-folder"}, root_ / "bad.out"));
  EXPECT_EQ(bad.WaitExit(10000), 2);
}

TEST_F(ShellStart, UnknownOptionTouchesNothingAndDirIsTheDataFolder) {
  std::filesystem::create_directories(root_ / "evidence");
  std::ofstream(root_ / "evidence/vantor.ini") << "[Preference]\r\nfAutoPlay=1\r\n";
  e2e::ChildProcess typo;
  ASSERT_TRUE(typo.Start({VT_PLAYER_EXE, "--read-onyl", (root_ / "evidence").string()}, root_ / "typo.out"));
  EXPECT_EQ(typo.WaitExit(10000), 2);
  EXPECT_NE(typo.Output().find("unknown option --read-onyl"), std::string::npos) << typo.Output();
  EXPECT_NE(typo.Output().find("Usage: vtplayer"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_ / "evidence"), {}), 1) << "no log, no index";
  e2e::ChildProcess version;
  ASSERT_TRUE(version.Start({VT_PLAYER_EXE, "--version"}, root_ / "version.out"));
  EXPECT_EQ(version.WaitExit(10000), 0);
  EXPECT_EQ(version.Output(), std::string("vtplayer ") + VT_VERSION + "\n");
  e2e::ChildProcess player;
  ASSERT_TRUE(player.Start({VT_PLAYER_EXE, (root_ / "evidence").string()}, root_ / "player.out"));
  EXPECT_TRUE(e2e::WaitFor([&] { return std::filesystem::exists(root_ / "evidence/VTPlayer.Log"); }, 15000))
      << player.Output();
  player.Stop();
}

TEST_F(ShellStart, StampedEditionChoosesDataFolderAndLogIsMade) {
  e2e::ChildProcess player;
  ASSERT_TRUE(player.Start({VT_PLAYER_EXE}, root_ / "player.out"));
  ASSERT_TRUE(e2e::WaitFor([] { return LinkFind(kClassPlayer); }, 15000)) << player.Output();
  // The build stamps VT_PRODUCT_CODE; its character 3 is the edition digit.
  const char digit = VT_PRODUCT_CODE[3];
  const int edition = digit >= '0' && digit <= '9' ? digit - '0' : 0;
  const std::string folder = EditionFolder(edition, false);
  EXPECT_TRUE(e2e::WaitFor([&] { return std::filesystem::exists(root_ / ("home" + folder) / "VTPlayer.Log"); }, 15000))
      << folder;
  player.Stop();
}

TEST_F(ShellStart, DataFolderOptionWins) {
  e2e::ChildProcess player;
  ASSERT_TRUE(player.Start({VT_PLAYER_EXE, "--data-folder", (root_ / "copied").string()}, root_ / "player.out"));
  ASSERT_TRUE(e2e::WaitFor([&] { return std::filesystem::exists(root_ / "copied/VTPlayer.Log"); }, 15000))
      << player.Output();
  EXPECT_TRUE(std::filesystem::is_empty(root_ / "home"));
  player.Stop();
}

TEST_F(ShellStart, AboutVersionAndDateComeFromTheProjectVersion) {
  // The version "2.1.0" and its date "2026-05-12" of the top CMakeLists.txt, as the About box
  // reads them from the executable: "Version 2.1 (2026/05/12)".
  CProductStamp stamp;
  ASSERT_TRUE(stamp.Read(VT_PLAYER_EXE));
  std::string major, minor, date;
  stamp.GetVersion(&major, &minor);
  ASSERT_TRUE(stamp.GetBuildDate(&date));
  const std::string version = VT_VERSION, day = VT_VERSION_DATE;
  EXPECT_EQ(major + "." + minor, version.substr(0, 3));
  EXPECT_EQ(date, day.substr(0, 4) + "/" + day.substr(5, 2) + "/" + day.substr(8, 2));
}

TEST_F(ShellStart, PlayersStartedAtTheSameMomentLeaveOneRunning) {
  for (int gapMs : {0, 50, 100}) {
    SCOPED_TRACE("gap " + std::to_string(gapMs) + " ms");
    e2e::ChildProcess a, b;
    ASSERT_TRUE(a.Start({VT_PLAYER_EXE, "--data-folder", (root_ / "data").string()}, root_ / "a.out"));
    ::usleep(static_cast<useconds_t>(gapMs) * 1000);
    ASSERT_TRUE(b.Start({VT_PLAYER_EXE, "--data-folder", (root_ / "data").string()}, root_ / "b.out"));
    EXPECT_TRUE(e2e::WaitFor([&] { return a.Running() + b.Running() <= 1; }, 15000)) << a.Output() << b.Output();
    // The one left keeps running and owns the class.
    ::usleep(500 * 1000);
    EXPECT_EQ(a.Running() + b.Running(), 1) << a.Output() << b.Output();
    EXPECT_TRUE(LinkFind(kClassPlayer));
    a.Stop();
    b.Stop();
    ASSERT_TRUE(e2e::WaitFor([] { return !LinkFind(kClassPlayer); }, 3000));
  }
}

TEST_F(ShellStart, SecondStartOnAnotherDataFolderSaysSo) {
  e2e::ChildProcess first;
  ASSERT_TRUE(first.Start({VT_PLAYER_EXE, "--data-folder", (root_ / "one").string()}, root_ / "first.out"));
  ASSERT_TRUE(e2e::WaitFor([&] { return std::filesystem::exists(root_ / "one/VTPlayer.Log"); }, 15000))
      << first.Output();
  e2e::ChildProcess other, same;
  ASSERT_TRUE(other.Start({VT_PLAYER_EXE, "--data-folder", (root_ / "two").string()}, root_ / "other.out"));
  EXPECT_EQ(other.WaitExit(10000), 0);
  EXPECT_NE(other.Output().find("already running on " + (root_ / "one").string()), std::string::npos)
      << other.Output();
  EXPECT_NE(other.Output().find((root_ / "two").string() + " was not opened"), std::string::npos) << other.Output();
  EXPECT_FALSE(std::filesystem::exists(root_ / "two")) << "the second start made nothing";
  ASSERT_TRUE(same.Start({VT_PLAYER_EXE, "--data-folder", (root_ / "one/").string()}, root_ / "same.out"));
  EXPECT_EQ(same.WaitExit(10000), 0);
  EXPECT_EQ(same.Output(), "") << "the same folder needs no word";
  EXPECT_TRUE(first.Running());
  first.Stop();
}

}  // namespace
}  // namespace vt
