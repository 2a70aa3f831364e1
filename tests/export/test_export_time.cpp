// Export times: parsing what users type, the manifest's ISO form, and the span arithmetic over a
// record index (recordings across midnight, gaps, overlaps written by another program).
#include <gtest/gtest.h>

#include "common/scoped_tz.h"
#include "export/export_span.h"
#include "export/export_time.h"
#include "recorddb/record_db.h"

namespace vt {
namespace {

constexpr const char* kTzBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kTzNewYork = "EST5EDT,M3.2.0,M11.1.0";

// 2008-05-10 10:20:30 CEST = 08:20:30 UTC.
constexpr time32 kMay10 = 1210407630;

TEST(ExportTime, ParsesLocalTimesToTheTick) {
  test::ScopedTz tz(kTzBerlin);
  struct Case {
    const char* text;
    bool ok;
    WallTime expected;
  };
  const Case cases[] = {
      {"2008-05-10 10:20:30", true, WallFromTime32(kMay10)},
      {"2008-05-10 10:20:30.5", true, WallFromTime32(kMay10) + 5'000'000},
      {"2008-05-10 10:20:30.040", true, WallFromTime32(kMay10) + 400'000},
      {"2008-05-10 10:20:30.0400001", true, WallFromTime32(kMay10) + 400'001},
      {"1210407630", true, WallFromTime32(kMay10)},
      {"2008-05-10 10:20:30.04000001", false, 0},  // finer than 100 ns
      {"2008-05-10 10:20:30.", false, 0},
      {"2008-05-10T10:20:30", false, 0},
      {"2008-05-10 10:20", false, 0},
      {"2008-02-30 10:00:00", false, 0},           // no such day
      {"2008-03-30 02:30:00", false, 0},           // skipped by the change to summer time
      {"2008-05-10 24:00:00", false, 0},
      {" 2008-05-10 10:20:30", false, 0},
      {"99999999999", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    WallTime t = -1, second = 0;
    EXPECT_EQ(ParseLocalWallTime(c.text, &t, &second), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(t, c.expected) << c.text;
      EXPECT_EQ(second, -1) << c.text;
    }
  }
}

// The hour the clocks go back: each local time in it names two instants, the first is taken and
// the second named, in zones that change by an hour and by half an hour.
TEST(ExportTime, LocalTimesThatOccurTwice) {
  struct Case {
    const char* zone;
    const char* text;
    time32 first;  // UTC
    time32 second;
  };
  const Case cases[] = {
      {kTzBerlin, "2008-10-26 02:30:00.5", 1224981000, 1224984600},  // 00:30 and 01:30 UTC
      {kTzBerlin, "2008-10-26 02:00:00", 1224979200, 1224982800},
      {kTzBerlin, "2008-10-26 03:00:00", 1224986400, -1},            // after the change: once
      {kTzBerlin, "2008-10-26 01:59:59", 1224979199, -1},            // before it: once
      {"LHST-10:30LHDT-11,M10.1.0,M4.1.0", "2008-04-06 01:45:00", 1207406700, 1207408500},
  };
  for (const Case& c : cases) {
    test::ScopedTz tz(c.zone);
    WallTime t = 0, second = 0;
    ASSERT_TRUE(ParseLocalWallTime(c.text, &t, &second)) << c.text;
    const WallTime fraction = std::string(c.text).find('.') != std::string::npos ? 5'000'000 : 0;
    EXPECT_EQ(t, WallFromTime32(c.first) + fraction) << c.text;
    EXPECT_EQ(second, c.second < 0 ? -1 : WallFromTime32(c.second) + fraction) << c.text;
    // As a span's edge: the start at the first instant, the end at the second, the other named.
    WallTime start = 0, end = 0, other = 0;
    ASSERT_TRUE(ParseSpanEdge(c.text, false, &start, &other)) << c.text;
    EXPECT_EQ(start, t) << c.text;
    EXPECT_EQ(other, second) << c.text;
    ASSERT_TRUE(ParseSpanEdge(c.text, true, &end, &other)) << c.text;
    EXPECT_EQ(end, second < 0 ? t : second) << c.text;
    EXPECT_EQ(other, second < 0 ? -1 : t) << c.text;
  }
  WallTime t = 0, other = 0;
  EXPECT_FALSE(ParseSpanEdge("2008-10-26 25:00:00", true, &t, &other));
}

TEST(ExportTime, IsoFormRoundTripsInEveryZone) {
  for (const char* zone : {kTzBerlin, kTzNewYork, "UTC0"}) {
    test::ScopedTz tz(zone);
    for (WallTime t : {WallFromTime32(kMay10), WallFromTime32(kMay10) + 400'000, WallFromTime32(kMay10) + 333'333,
                       WallFromTime32(1230764399) /* 2008-12-31 23:59:59 UTC */}) {
      const std::string local = FormatIsoWallTime(t);
      const std::string utc = FormatIsoWallTimeUtc(t);
      WallTime back = 0;
      ASSERT_TRUE(ParseIsoWallTime(local, &back)) << local;
      EXPECT_EQ(back, t) << local;
      ASSERT_TRUE(ParseIsoWallTime(utc, &back)) << utc;
      EXPECT_EQ(back, t) << utc;
    }
  }
  test::ScopedTz tz(kTzNewYork);
  EXPECT_EQ(FormatIsoWallTime(WallFromTime32(kMay10) + 400'000), "2008-05-10T04:20:30.040-04:00");
  EXPECT_EQ(FormatIsoWallTimeUtc(WallFromTime32(kMay10) + 333'333), "2008-05-10T08:20:30.0333333Z");
  WallTime t = 0;
  for (const char* bad : {"2008-05-10T08:20:30", "2008-05-10 08:20:30Z", "2008-05-10T08:20:30+2:00",
                          "2008-05-10T08:20:30Zx", "2008-13-10T08:20:30Z", "2008-05-10T08:20:30.Z"})
    EXPECT_FALSE(ParseIsoWallTime(bad, &t)) << bad;
}

// Records as the index lists them: each under the day of its start.
class SpanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.NewEmpty());
    RDB_CURSOR cursor;
    // Day 1: 10:00:00-10:01:00, 10:01:00-10:02:00 (back to back), 10:05:00-10:06:00 (3 min gap).
    // 23:59:30 to 00:00:30 of day 2 (across midnight), then 00:00:40-00:01:00.
    for (const auto& [from, to] : std::vector<std::pair<time32, time32>>{
             {T(10, 0, 0), T(10, 1, 0)}, {T(10, 1, 0), T(10, 2, 0)}, {T(10, 5, 0), T(10, 6, 0)},
             {T(23, 59, 30), T(24, 0, 30)}, {T(24, 0, 40), T(24, 1, 0)}}) {
      RDB_RECORD r{};
      std::snprintf(r.szFilePath, sizeof r.szFilePath, "/rec/%d.avi", from);
      r.tStart = from;
      r.tEnd = to;
      r.qwSize = 100;
      ASSERT_EQ(db_.AddRecord(&cursor, r), 1);
    }
  }
  // Seconds of 2008-05-10 (local, Berlin), hours past 24 on the next day.
  static time32 T(int h, int m, int s) { return kMay10 - (10 * 3600 + 20 * 60 + 30) + h * 3600 + m * 60 + s; }
  static WallTime W(int h, int m, int s, int ms = 0) { return WallFromTime32(T(h, m, s)) + ms * kTicksPerMillisecond; }

  test::ScopedTz tz_{kTzBerlin};
  CRecordDB db_;
};

TEST_F(SpanTest, PicksTheRecordingsAndTheirParts) {
  struct Piece {
    time32 start;
    WallTime from, to;
  };
  struct Case {
    const char* name;
    WallTime from, to;
    std::vector<Piece> pieces;
  };
  const Case cases[] = {
      {"inside one", W(10, 0, 10, 500), W(10, 0, 20), {{T(10, 0, 0), W(10, 0, 10, 500), W(10, 0, 20)}}},
      {"across back to back",
       W(10, 0, 50),
       W(10, 1, 10),
       {{T(10, 0, 0), W(10, 0, 50), W(10, 1, 0)}, {T(10, 1, 0), W(10, 1, 0), W(10, 1, 10)}}},
      // The first recording may hold frames after its indexed end: it serves until the next begins.
      {"across a gap",
       W(10, 1, 30),
       W(10, 5, 30),
       {{T(10, 1, 0), W(10, 1, 30), W(10, 5, 0)}, {T(10, 5, 0), W(10, 5, 0), W(10, 5, 30)}}},
      {"in a gap only", W(10, 2, 30), W(10, 4, 0), {}},
      {"across midnight", W(23, 59, 50), W(24, 0, 10), {{T(23, 59, 30), W(23, 59, 50), W(24, 0, 10)}}},
      {"next day, recording listed the day before",
       W(24, 0, 20),
       W(24, 0, 50),
       {{T(23, 59, 30), W(24, 0, 20), W(24, 0, 40)}, {T(24, 0, 40), W(24, 0, 40), W(24, 0, 50)}}},
      {"ends exactly where a recording starts", W(10, 4, 0), W(10, 5, 0), {}},
      {"empty span", W(10, 0, 30), W(10, 0, 30), {}},
  };
  for (const Case& c : cases) {
    const SpanPlan plan = PlanSpan(*db_.GetIndex(), c.from, c.to, nullptr);
    ASSERT_EQ(plan.pieces.size(), c.pieces.size()) << c.name;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(plan.pieces[i].record.tStart, c.pieces[i].start) << c.name << " #" << i;
      EXPECT_EQ(plan.pieces[i].from, c.pieces[i].from) << c.name << " #" << i;
      EXPECT_EQ(plan.pieces[i].to, c.pieces[i].to) << c.name << " #" << i;
      EXPECT_EQ(plan.pieces[i].path, "/rec/" + std::to_string(c.pieces[i].start) + ".avi");
    }
  }
}

TEST_F(SpanTest, ResolverGivesThePaths) {
  const SpanPlan plan = PlanSpan(*db_.GetIndex(), W(10, 0, 0), W(10, 2, 0),
                                 [](const RDB_RECORD& r) { return std::string("/found") + r.szFilePath; });
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[1].path, "/found/rec/" + std::to_string(T(10, 1, 0)) + ".avi");
}

TEST(ExportSpan, OverlappingRecordingsShareNoTime) {
  // An index written by another program may list a recording that starts inside another.
  RdbIndex index;
  RdbYear y;
  RdbMonth m;
  RdbDay d;
  RDB_RECORD a{}, b{};
  a.tStart = 1000, a.tEnd = 1060;
  b.tStart = 1030, b.tEnd = 1090;
  d.records = {a, b};
  m.days.push_back(d);
  y.months.push_back(m);
  index.years.push_back(y);
  const SpanPlan plan = PlanSpan(index, WallFromTime32(1000), WallFromTime32(1100), nullptr);
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[0].to, WallFromTime32(1030));
  EXPECT_EQ(plan.pieces[1].from, WallFromTime32(1030));
  EXPECT_EQ(plan.pieces[1].to, WallFromTime32(1100));
}

TEST(ExportSpan, UncoveredParts) {
  using V = std::vector<WallInterval>;
  struct Case {
    WallTime from, to;
    V covered, expected;
  };
  const Case cases[] = {
      {0, 100, {}, {{0, 100}}},
      {0, 100, {{0, 100}}, {}},
      {0, 100, {{10, 20}, {40, 50}}, {{0, 10}, {20, 40}, {50, 100}}},
      {0, 100, {{40, 50}, {10, 45}}, {{0, 10}, {50, 100}}},       // unsorted, overlapping
      {0, 100, {{-10, 5}, {95, 200}}, {{5, 95}}},                  // reaching outside
      {0, 100, {{20, 20}, {30, 10}}, {{0, 100}}},                  // empty and reversed ignored
      {0, 100, {{0, 50}, {50, 100}}, {}},                          // back to back
  };
  for (const Case& c : cases) EXPECT_EQ(UncoveredParts(c.from, c.to, c.covered), c.expected);
}

}  // namespace
}  // namespace vt
