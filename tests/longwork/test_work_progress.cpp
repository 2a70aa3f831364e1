#include <gtest/gtest.h>

#include "longwork/work_progress.h"

namespace vt {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

TEST(WorkProgress, TextShowsWhatIsKnown) {
  struct Case {
    const char* what;
    WorkProgress p;
    const char* text;
  };
  const Case cases[] = {
      {"nothing done yet", {0, 12, 0, 6 * kMiB, 0}, "0 of 12 files, 0 B of 6.0 MB"},
      {"a quarter by bytes, 2 s in", {3, 12, kMiB + kMiB / 2, 6 * kMiB, 2},
       "3 of 12 files, 1.5 MB of 6.0 MB, 768.0 KB/s, 0:06 left"},
      {"a scan counts without a total", {41, 0, 0, 0, 3}, "41 files"},
      {"one file", {1, 1, 0, 0, 0}, "1 of 1 file"},
      {"files only: time left by files", {1, 4, 0, 0, 10}, "1 of 4 files, 0:30 left"},
      {"more than the total never shows less", {5, 4, 5000, 4000, 1},
       "5 of 5 files, 4.9 KB of 4.9 KB, 4.9 KB/s, 0:00 left"},
      {"hours", {1, 1000, kMiB, 1000 * kMiB, 10}, "1 of 1000 files, 1.0 MB of 1000.0 MB, 102.4 KB/s, 2:46:30 left"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatWorkProgress(c.p), c.text) << c.what;
}

TEST(WorkProgress, TimeLeftAndBarPosition) {
  EXPECT_EQ(EstimateSecondsLeft(0, 10, 5), -1);  // nothing done: no estimate
  EXPECT_EQ(EstimateSecondsLeft(5, 10, 0), -1);  // no time passed
  EXPECT_EQ(EstimateSecondsLeft(5, 0, 5), -1);   // no total
  EXPECT_DOUBLE_EQ(EstimateSecondsLeft(5, 10, 5), 5);
  EXPECT_DOUBLE_EQ(EstimateSecondsLeft(12, 10, 5), 0);
  // Bytes weigh over files: one big file of two is most of the work.
  const WorkProgress p{1, 2, 10, 1000, 1};
  EXPECT_DOUBLE_EQ(WorkSecondsLeft(p), 99);
  EXPECT_EQ(WorkProgressPosition(p, 1000), 10);
  EXPECT_EQ(WorkProgressPosition({3, 4, 0, 0, 1}, 1000), 750);
  EXPECT_EQ(WorkProgressPosition({3, 0, 0, 0, 1}, 1000), -1);  // busy bar
  EXPECT_EQ(WorkProgressPosition({9, 4, 0, 0, 1}, 1000), 1000);
}

TEST(WorkProgress, ClockAndBytes) {
  EXPECT_EQ(FormatClock(-3), "0:00");
  EXPECT_EQ(FormatClock(59.6), "1:00");
  EXPECT_EQ(FormatClock(3599), "59:59");
  EXPECT_EQ(FormatClock(3600), "1:00:00");
  EXPECT_EQ(FormatBytes(1023), "1023 B");
  EXPECT_EQ(FormatBytes(1024), "1.0 KB");
  EXPECT_EQ(FormatBytes(3 * kMiB * 1024), "3.0 GB");
}

}  // namespace
}  // namespace vt
