#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "frame/frame_layout.h"
#include "frame/key_route.h"
#include "frame/log_file.h"
#include "frame/progress_text.h"
#include "platform/data_policy.h"

namespace vt {
namespace {

// Pane 0 texts of a whole progress run: each entry is (code, value); returns what was shown.
std::vector<std::string> RunProgress(const std::vector<std::pair<uint32_t, LPARAM>>& steps) {
  CProgressState state([](uint32_t id) {
    return id == 59426 ? std::string("Save record files:  %d%% completed")
                       : std::string("Delete record files (%d file deleted)");
  });
  std::vector<std::string> shown;
  for (auto [code, value] : steps) {
    std::string text;
    bool changed = false;
    state.Handle(code, value, &text, &changed);
    if (changed) shown.push_back(text);
  }
  return shown;
}

TEST(ProgressText, PercentModeShowsQuartersAndHundredAtEnd) {
  auto shown = RunProgress({{6, 59426}, {1, 4}, {3, 1}, {3, 2}, {3, 3}, {2, 0}});
  std::vector<std::string> want = {"Save record files:  0% completed", "Save record files:  25% completed",
                                   "Save record files:  50% completed", "Save record files:  75% completed",
                                   "Save record files:  100% completed"};
  EXPECT_EQ(shown, want);
}

TEST(ProgressText, CountModeCountsStepsAndKeepsLastAtEnd) {
  auto shown = RunProgress({{6, 59430}, {1, 1}, {3, 77}, {3, 0}, {3, 5}, {2, 0}});
  std::vector<std::string> want = {"Delete record files (0 file deleted)", "Delete record files (1 file deleted)",
                                   "Delete record files (2 file deleted)", "Delete record files (3 file deleted)"};
  EXPECT_EQ(shown, want);
}

TEST(ProgressText, StepsOutsideARunAndZeroTotalAreSafe) {
  EXPECT_TRUE(RunProgress({{6, 59426}, {3, 1}, {4, 0}, {2, 0}}).empty());
  auto shown = RunProgress({{6, 59426}, {1, 0}, {3, 5}});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], "Save record files:  0% completed");
  auto zero = RunProgress({{6, 59426}, {1, 10}, {3, 5}, {4, 0}});
  EXPECT_EQ(zero.back(), "Save record files:  0% completed");
}

TEST(ProgressText, ResultCodes) {
  CProgressState state(nullptr);
  std::string t;
  bool c;
  EXPECT_EQ(state.Handle(5, 0, &t, &c), 0);
  for (uint32_t code : {1u, 2u, 3u, 4u, 6u, 7u, 99u}) EXPECT_EQ(state.Handle(code, 1, &t, &c), 1) << code;
}

TEST(ProgressText, FormatNeverReadsMissingArguments) {
  EXPECT_EQ(FormatProgressText("%s %d %d %x%%", 7), "%s 7 %d %x%");
  EXPECT_EQ(FormatProgressText("trailing %", 1), "trailing %");
}

TEST(KeyRoute, PlayerKeysFromTreeOrPlayerOnly) {
  auto key = [](WPARAM k, KeyFocus focus, bool takes = true) {
    MainWindowKey m;
    m.key = k;
    m.focus = focus;
    m.playerTakes = takes;
    return m;
  };
  EXPECT_TRUE(RouteKeyToPlayer(key('M', KeyFocus::kTree)));
  EXPECT_TRUE(RouteKeyToPlayer(key('M', KeyFocus::kPlayer)));
  EXPECT_FALSE(RouteKeyToPlayer(key('M', KeyFocus::kOther)));  // the camera selector keeps its keys
  EXPECT_FALSE(RouteKeyToPlayer(key('M', KeyFocus::kTree, false)));
  EXPECT_FALSE(RouteKeyToPlayer(key(0, KeyFocus::kPlayer)));
  // Down moves the tree to the next record; from the Player it is the normal speed.
  EXPECT_FALSE(RouteKeyToPlayer(key(kVkDown, KeyFocus::kTree)));
  EXPECT_TRUE(RouteKeyToPlayer(key(kVkDown, KeyFocus::kPlayer)));
  MainWindowKey busy = key('Q', KeyFocus::kPlayer);
  busy.busy = true;
  EXPECT_FALSE(RouteKeyToPlayer(busy));
  MainWindowKey ctrl = key('M', KeyFocus::kTree);
  ctrl.commandModifier = true;  // Ctrl+M is the Mute command, Alt+M a menu
  EXPECT_FALSE(RouteKeyToPlayer(ctrl));
}

TEST(VideoSizePane, TextOnlyWhenBothNonZero) {
  EXPECT_EQ(VideoSizeText(720, 576), "720x576");
  EXPECT_EQ(VideoSizeText(720, 0), "");
  EXPECT_EQ(VideoSizeText(0, 576), "");
  EXPECT_EQ(VideoSizeText(0, 0), "");
  EXPECT_EQ(VideoSizeText(352, 240), "352x240");
}

TEST(FitToVideo, Cases) {
  struct Case {
    const char* name;
    WndRect window;
    int cw, ch, pw, ph;
    WndRect want;
  };
  const int sw = 1280, sh = 1024;
  const Case cases[] = {
      {"grow", {100, 100, 500, 400}, 300, 200, 330, 240, {100, 100, 550, 460}},
      {"shrink", {100, 100, 900, 800}, 740, 596, 330, 240, {100, 100, 510, 464}},
      {"past bottom right moves up and left", {1000, 900, 1200, 1000}, 100, 50, 330, 240, {830, 714, 1280, 1024}},
      {"past top left moved back", {-50, -30, 300, 200}, 350, 260, 330, 240, {0, 0, 350, 230}},
      {"bigger than screen pinned to origin", {0, 0, 500, 500}, 400, 400, 1600, 1200, {0, 0, 1720, 1320}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitWindowToVideo(c.window, c.cw, c.ch, c.pw, c.ph, sw, sh), c.want) << c.name;
  }
  EXPECT_TRUE(ViewFitsPlayer(350, 260, 330, 240));
  EXPECT_FALSE(ViewFitsPlayer(350, 261, 330, 240));
  int x, y;
  InitialWindowPos(1280, 1024, &x, &y);
  EXPECT_EQ(x, 360);
  EXPECT_EQ(y, 262);
  InitialWindowPos(500, 401, &x, &y);
  EXPECT_EQ(x, -30);
  EXPECT_EQ(y, -49);
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("vt_log_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "VTPlayer.Log").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  static std::string Read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static std::string Lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "line " + std::to_string(i) + "\r\n";
    return s;
  }
  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(LogFileTest, CountsCrLfPairsOnly) {
  EXPECT_EQ(CountLogLines(""), 0);
  EXPECT_EQ(CountLogLines("a\r\nb\nc\rd\r\n"), 2);
  EXPECT_EQ(CountLogLines("\r\r\n\n\r\n"), 2);
}

TEST_F(LogFileTest, MissingLogIsCreatedEmpty) {
  CLogFile log;
  log.InitLog(path_);
  EXPECT_TRUE(std::filesystem::exists(path_));
  EXPECT_EQ(log.GetLogLineCount(), 0);
  EXPECT_TRUE(log.IsLogEnabled());
}

// Review mode touches nothing in the data folder: no log is made and a full one is not rotated.
TEST_F(LogFileTest, ReviewModeNeitherCreatesNorRotates) {
  SetReadOnlyData(true);
  CLogFile missing;
  missing.InitLog(path_);
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_FALSE(missing.IsLogEnabled());
  Write(Lines(120));
  CLogFile full;
  full.InitLog(path_);
  SetReadOnlyData(false);
  EXPECT_EQ(Read(path_), Lines(120));
  EXPECT_FALSE(std::filesystem::exists(path_ + "1"));
}

TEST_F(LogFileTest, NinetyNineLinesLeftAlone) {
  Write(Lines(99));
  CLogFile log;
  log.InitLog(path_);
  EXPECT_EQ(log.GetLogLineCount(), 99);
  EXPECT_EQ(Read(path_), Lines(99));
  EXPECT_FALSE(std::filesystem::exists(path_ + "1"));
}

TEST_F(LogFileTest, HundredLinesRotatedOverEarlierCopy) {
  Write(Lines(100));
  std::ofstream(path_ + "1", std::ios::binary) << "older copy";
  CLogFile log;
  log.InitLog(path_);
  EXPECT_EQ(log.GetLogLineCount(), 0);
  EXPECT_EQ(Read(path_), "");
  EXPECT_EQ(Read(path_ + "1"), Lines(100));
  // 100 bare LF lines are not 100 log lines.
  Write(std::string(150, '\n'));
  CLogFile again;
  again.InitLog(path_);
  EXPECT_EQ(again.GetLogLineCount(), 0);
  EXPECT_EQ(Read(path_).size(), 150u);
  again.TearDownLog();
  EXPECT_FALSE(again.IsLogEnabled());
  EXPECT_EQ(again.GetLogPath(), "");
}

}  // namespace
}  // namespace vt
