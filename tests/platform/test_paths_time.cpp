#include <time.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "common/scoped_tz.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "temp_dir.h"

namespace vt {
namespace {

TEST(NativePathTest, BackslashesOnlyNeverLowerCased) {
  const struct {
    const char* stored;
    const char* native;
  } cases[] = {{"D:\\rec\\ch01", "D:/rec/ch01"},
               {"\\camera03", "/camera03"},
               {"\\\\server\\Share\\X", "//server/Share/X"},
               {"Already/Native", "Already/Native"},
               {"", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(NativePath(c.stored), c.native);
    EXPECT_EQ(StoredPath(c.native), std::string(c.stored).find('/') == std::string::npos ? c.stored : "Already\\Native");
  }
}

TEST(JoinPathTest, ExactlyOneSeparator) {
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a", "/b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "//b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("/", "b"), "/b");
}

TEST(ResolvePathCaseTest, FindsOtherSpellingKeepsExact) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "UI_P/bg");
  test::WriteFile(dir / "UI_P/bg/Toolbar24.bmp", "x");
  const std::string base = dir.path();
  EXPECT_EQ(ResolvePathCase(base + "/ui_p/BG/toolbar24.BMP"), base + "/UI_P/bg/Toolbar24.bmp");
  EXPECT_EQ(ResolvePathCase(base + "/UI_P/bg/Toolbar24.bmp"), base + "/UI_P/bg/Toolbar24.bmp");
  EXPECT_EQ(ResolvePathCase(base + "/ui_p/bg/"), base + "/UI_P/bg/");
  EXPECT_EQ(ResolvePathCase(base + "/ui_p/./bg"), base + "/UI_P/./bg");
  // Nothing matches: the path comes back unchanged, spelling included.
  EXPECT_EQ(ResolvePathCase(base + "/ui_p/Missing.bmp"), base + "/ui_p/Missing.bmp");
  EXPECT_EQ(ResolvePathCase(""), "");
}

TEST(LocalTimeTest, DaylightSavingDecidedByThePlatform) {
  test::ScopedTz tz("CET-1CEST,M3.5.0,M10.5.0/3");
  const struct {
    int y, mo, d, h, mi, s;
    time32 expected;
  } cases[] = {
      {2008, 1, 15, 12, 0, 0, 1200394800},  // winter, UTC+1
      {2008, 7, 15, 12, 0, 0, 1216116000},  // summer, UTC+2
      {2008, 3, 30, 1, 59, 59, 1206838799},  // last second before the spring change
      {2008, 3, 30, 3, 0, 0, 1206838800},    // first second after it
      {2008, 12, 32, 0, 0, 0, 1230764400},   // out of range: normalised to 2009-01-01
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeLocalTime(c.y, c.mo, c.d, c.h, c.mi, c.s), c.expected) << c.y << "-" << c.mo << "-" << c.d;
    LocalFields f;
    ASSERT_TRUE(SplitLocalTime(c.expected, &f));
    if (c.d <= 31) {
      EXPECT_EQ(f.year, c.y);
      EXPECT_EQ(f.month, c.mo);
      EXPECT_EQ(f.day, c.d);
      EXPECT_EQ(f.hour, c.h);
      EXPECT_EQ(f.minute, c.mi);
      EXPECT_EQ(f.second, c.s);
    }
  }
  // The autumn day has 25 hours.
  EXPECT_EQ(MakeLocalTime(2008, 10, 27, 0, 0, 0) - MakeLocalTime(2008, 10, 26, 0, 0, 0), 25 * 3600);
  EXPECT_EQ(FormatLocalTime(1216116000, "%Y/%m/%d %H:%M:%S"), "2008/07/15 12:00:00");
  EXPECT_EQ(MakeLocalTime(2040, 1, 1, 0, 0, 0), -1) << "beyond the 32-bit range";
  EXPECT_FALSE(SplitLocalTime(0, nullptr));
}

}  // namespace
}  // namespace vt
