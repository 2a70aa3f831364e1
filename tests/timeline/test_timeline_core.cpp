// The day timeline's arithmetic: time <-> x, zoom and pan held inside the day, axis ticks
// (also on the days the clocks change), block layout, and which recording a time belongs to
// (gaps, the ends, a recording across midnight), plus the Go to Time texts.
#include <gtest/gtest.h>

#include "common/scoped_tz.h"
#include "platform/local_time.h"
#include "recorddb/record_db.h"
#include "timeline/goto_text.h"
#include "timeline/time_resolution.h"
#include "timeline/timeline_layout.h"

namespace vt {
namespace {

constexpr const char* kTzBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

time32 L(int y, int mo, int d, int h, int mi, int s = 0) { return MakeLocalTime(y, mo, d, h, mi, s); }
double D(int y, int mo, int d, int h, int mi, int s = 0) { return L(y, mo, d, h, mi, s); }

class TimelineCore : public ::testing::Test {
 protected:
  test::ScopedTz tz_{kTzBerlin};
  DayRange day_ = LocalDayOf(L(2024, 5, 10, 12, 0));
};

TEST_F(TimelineCore, LocalDayIsMidnightToMidnightAlsoWhenTheClocksChange) {
  EXPECT_EQ(day_.tStart, L(2024, 5, 10, 0, 0));
  EXPECT_EQ(day_.tEnd - day_.tStart, 86400);
  EXPECT_EQ(LocalDayOf(L(2024, 3, 31, 12, 0)).tEnd - LocalDayOf(L(2024, 3, 31, 12, 0)).tStart, 23 * 3600);
  EXPECT_EQ(LocalDayOf(L(2024, 10, 27, 12, 0)).tEnd - LocalDayOf(L(2024, 10, 27, 12, 0)).tStart, 25 * 3600);
  // The last second of a day still belongs to it; midnight belongs to the next.
  EXPECT_EQ(LocalDayOf(day_.tEnd - 1), day_);
  EXPECT_EQ(LocalDayOf(day_.tEnd).tStart, day_.tEnd);
}

TEST_F(TimelineCore, TimeAndXConvertBothWays) {
  const TimelineView whole = WholeDayView(day_, 1440);  // one pixel a minute
  const TimelineView zoomed{static_cast<double>(L(2024, 5, 10, 10, 0)), static_cast<double>(L(2024, 5, 10, 10, 1)), 600};
  struct Case {
    const TimelineView* v;
    double t;
    double x;
  } cases[] = {
      {&whole, static_cast<double>(day_.tStart), 0},
      {&whole, static_cast<double>(L(2024, 5, 10, 10, 0)), 600},
      {&whole, static_cast<double>(day_.tEnd), 1440},
      {&zoomed, L(2024, 5, 10, 10, 0) + 30.5, 305},  // ten pixels a second: half seconds have a place
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(TimeToX(*c.v, c.t), c.x) << c.t;
    EXPECT_DOUBLE_EQ(XToTime(*c.v, c.x), c.t) << c.x;
  }
  EXPECT_EQ(TimeToX(TimelineView{}, 5), 0);  // no width, no span: no division
}

TEST_F(TimelineCore, ZoomKeepsTheTimeUnderTheMouseAndStaysInTheDay) {
  const TimelineView whole = WholeDayView(day_, 1000);
  const double x = 400;
  const double anchor = XToTime(whole, x);
  TimelineView v = ZoomAt(whole, x, 4, day_);
  EXPECT_DOUBLE_EQ(v.Span(), 86400.0 / 4);
  EXPECT_NEAR(XToTime(v, x), anchor, 1e-6);
  // Deep zoom stops at about one minute across.
  for (int i = 0; i < 100; ++i) v = ZoomAt(v, x, kTimelineWheelFactor, day_);
  EXPECT_DOUBLE_EQ(v.Span(), kTimelineMinSpan);
  EXPECT_NEAR(XToTime(v, x), anchor, 1e-6);
  // Zooming out ends at the whole day, never beyond it.
  for (int i = 0; i < 100; ++i) v = ZoomAt(v, x, 1 / kTimelineWheelFactor, day_);
  EXPECT_EQ(v, whole);
  // Near the day's start the zoomed view is pushed back inside the day.
  v = ZoomAt(ZoomAt(whole, 0, 100, day_), 990, 1 / 50.0, day_);
  EXPECT_GE(v.tFrom, day_.tStart);
  EXPECT_LE(v.tTo, day_.tEnd);
}

TEST_F(TimelineCore, PanMovesByPixelsAndStopsAtTheDayEdges) {
  const TimelineView hour{static_cast<double>(L(2024, 5, 10, 10, 0)), static_cast<double>(L(2024, 5, 10, 11, 0)), 360};
  TimelineView v = PanBy(hour, 36, day_);  // dragging right shows earlier times: 10 s a pixel
  EXPECT_DOUBLE_EQ(v.tFrom, L(2024, 5, 10, 9, 54));
  EXPECT_DOUBLE_EQ(v.Span(), 3600);
  v = PanBy(hour, 1e6, day_);
  EXPECT_DOUBLE_EQ(v.tFrom, day_.tStart);
  v = PanBy(hour, -1e6, day_);
  EXPECT_DOUBLE_EQ(v.tTo, day_.tEnd);
  EXPECT_EQ(PanBy(WholeDayView(day_, 360), 50, day_), WholeDayView(day_, 360));
}

TEST_F(TimelineCore, RevealCentresAHiddenTimeOnly) {
  const TimelineView hour{static_cast<double>(L(2024, 5, 10, 10, 0)), static_cast<double>(L(2024, 5, 10, 11, 0)), 360};
  EXPECT_EQ(Reveal(hour, L(2024, 5, 10, 10, 30), day_), hour);
  const TimelineView v = Reveal(hour, L(2024, 5, 10, 15, 0), day_);
  EXPECT_DOUBLE_EQ(v.tFrom, L(2024, 5, 10, 14, 30));
  EXPECT_DOUBLE_EQ(v.Span(), 3600);
  EXPECT_DOUBLE_EQ(Reveal(hour, L(2024, 5, 10, 23, 59), day_).tTo, day_.tEnd);  // held inside the day
  EXPECT_EQ(Reveal(hour, day_.tEnd + 10, day_), hour);                          // another day: left alone
}

TEST_F(TimelineCore, TicksAreRoundLocalTimesAtReadableDistances) {
  auto labels = [](const std::vector<TimelineTick>& ticks) {
    std::vector<std::string> out;
    for (const auto& t : ticks) out.push_back(t.label);
    return out;
  };
  // Whole day on 1440 px: an hour is 60 px; half an hour would be too tight for 40 px.
  std::vector<TimelineTick> ticks = TimelineTicks(WholeDayView(day_, 1440), day_, 40);
  ASSERT_EQ(ticks.size(), 25u);
  EXPECT_EQ(ticks.front().label, "00:00");
  EXPECT_EQ(ticks[13].label, "13:00");
  EXPECT_EQ(ticks.back().label, "24:00");
  // One minute across 600 px: every 5 seconds, with seconds.
  const TimelineView minute{static_cast<double>(L(2024, 5, 10, 10, 0, 2)), static_cast<double>(L(2024, 5, 10, 10, 1, 2)), 600};
  ticks = TimelineTicks(minute, day_, 40);
  ASSERT_FALSE(ticks.empty());
  EXPECT_EQ(ticks.front().label, "10:00:05");
  EXPECT_DOUBLE_EQ(ticks[1].t - ticks[0].t, 5);
  // The spring-forward day has no 02:00; the autumn day shows 02:00 twice.
  const DayRange spring = LocalDayOf(L(2024, 3, 31, 12, 0));
  std::vector<std::string> s = labels(TimelineTicks(WholeDayView(spring, 23 * 60), spring, 40));
  EXPECT_EQ(s.size(), 24u);
  EXPECT_EQ(std::count(s.begin(), s.end(), "02:00"), 0);
  EXPECT_EQ(s[2], "03:00");
  const DayRange autumn = LocalDayOf(L(2024, 10, 27, 12, 0));
  s = labels(TimelineTicks(WholeDayView(autumn, 25 * 60), autumn, 40));
  EXPECT_EQ(std::count(s.begin(), s.end(), "02:00"), 2);
  EXPECT_EQ(s.back(), "24:00");
}

TEST_F(TimelineCore, BlocksMergeWhatTouchesAndKeepEveryVisibleGap) {
  const time32 t0 = day_.tStart;
  const TimelineView v = WholeDayView(day_, 1440);  // 60 s a pixel
  struct Case {
    const char* what;
    std::vector<TimelineSpan> spans;
    std::vector<TimelineBlock> want;
  } cases[] = {
      {"back to back", {{t0 + 600, t0 + 1200, 0}, {t0 + 1200, t0 + 1800, 0}}, {{10, 30, false}}},
      {"gap under a pixel merges", {{t0 + 600, t0 + 1210, 0}, {t0 + 1230, t0 + 1800, 0}}, {{10, 30, false}}},
      {"gap of a pixel shows", {{t0 + 600, t0 + 1200, 0}, {t0 + 1260, t0 + 1800, 0}}, {{10, 20, false}, {21, 30, false}}},
      {"one second is one pixel", {{t0 + 3600, t0 + 3601, 0}}, {{60, 61, false}}},
      {"events after plain ones",
       {{t0 + 600, t0 + 1200, 0}, {t0 + 1200, t0 + 1260, 1}, {t0 + 1260, t0 + 1800, 0}},
       {{10, 20, false}, {21, 30, false}, {20, 21, true}}},
      {"clipped at both ends",
       {{t0 - 600, t0 + 120, 0}, {day_.tEnd - 120, day_.tEnd + 900, 1}},
       {{0, 2, false}, {1438, 1440, true}}},
      {"outside the day", {{t0 - 900, t0 - 600, 0}, {day_.tEnd, day_.tEnd + 60, 0}}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(LayoutBlocks(c.spans, v), c.want) << c.what;
  EXPECT_TRUE(LayoutBlocks(cases[0].spans, TimelineView{}).empty());
}

TEST_F(TimelineCore, AThousandRecordingsGiveAtMostABlockPerPixel) {
  std::vector<TimelineSpan> spans;
  for (int i = 0; i < 1000; ++i) spans.push_back({day_.tStart + i * 86, day_.tStart + i * 86 + 60, i % 7 == 0});
  const std::vector<TimelineBlock> blocks = LayoutBlocks(spans, WholeDayView(day_, 700));
  EXPECT_LE(blocks.size(), 2u * 700);
  for (const TimelineBlock& b : blocks) {
    EXPECT_GE(b.x0, 0);
    EXPECT_LE(b.x1, 700);
    EXPECT_LT(b.x0, b.x1);
  }
  // Zoomed in on the first ten minutes, every 26 s gap shows: seven blocks for seven recordings.
  const TimelineView tenMinutes{static_cast<double>(day_.tStart), day_.tStart + 600.0, 600};
  EXPECT_EQ(LayoutBlocks(spans, tenMinutes).size(), 7u);
}

TEST_F(TimelineCore, CursorOnlyInsideTheView) {
  const TimelineView v = WholeDayView(day_, 1440);
  EXPECT_EQ(CursorX(v, L(2024, 5, 10, 10, 0, 30)), 600);
  EXPECT_EQ(CursorX(v, day_.tEnd), 1439);
  EXPECT_EQ(CursorX(v, day_.tStart - 1), -1);
}

// Camera with a gap, a recording across midnight and back-to-back recordings at midnight.
class Resolution : public TimelineCore {
 protected:
  std::vector<TimelineSpan> seq_ = {
      {L(2024, 5, 10, 9, 0), L(2024, 5, 10, 9, 5), 0},     // 0
      {L(2024, 5, 10, 9, 5), L(2024, 5, 10, 9, 10), 1},    // 1: straight after 0
      {L(2024, 5, 10, 11, 0), L(2024, 5, 10, 11, 5), 0},   // 2: after a gap
      {L(2024, 5, 10, 23, 50), L(2024, 5, 11, 0, 20), 0},  // 3: across midnight
      {L(2024, 5, 11, 0, 20), L(2024, 5, 11, 0, 30), 0},   // 4: straight after it, next day
  };
};

TEST_F(Resolution, TimesFindTheirRecordingOrTheNearestOnes) {
  using K = TimeResolution;
  struct Case {
    const char* what;
    double t;
    TimeResolution want;
  } cases[] = {
      {"first second", D(2024, 5, 10, 9, 0), {K::kInside, 0, -1, -1, 0}},
      {"inside, with fractions", D(2024, 5, 10, 9, 2, 3) + 0.5, {K::kInside, 0, -1, -1, 1235000000}},
      {"end belongs to the next", D(2024, 5, 10, 9, 5), {K::kInside, 1, -1, -1, 0}},
      {"gap", D(2024, 5, 10, 10, 0), {K::kGap, -1, 1, 2, 0}},
      {"end before a gap", D(2024, 5, 10, 9, 10), {K::kGap, -1, 1, 2, 0}},
      {"before the first", D(2024, 5, 10, 8, 0), {K::kBeforeFirst, -1, -1, 0, 0}},
      {"after midnight, in the day-before's recording", D(2024, 5, 11, 0, 10), {K::kInside, 3, -1, -1, 12000000000}},
      {"midnight itself", D(2024, 5, 11, 0, 0), {K::kInside, 3, -1, -1, 6000000000}},
      {"at its end the next day's recording", D(2024, 5, 11, 0, 20), {K::kInside, 4, -1, -1, 0}},
      {"after the last", D(2024, 5, 12, 0, 0), {K::kAfterLast, -1, 4, -1, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveTime(seq_, c.t), c.want) << c.what;
  EXPECT_EQ(ResolveTime({}, 5).kind, K::kEmpty);
}

TEST_F(Resolution, OverlappingRecordingsFromAnotherProgramStillResolve) {
  // 8:00-9:30 overlaps recordings 0 and 1: at 9:20 only it runs.
  std::vector<TimelineSpan> seq = seq_;
  seq.insert(seq.begin(), {L(2024, 5, 10, 8, 0), L(2024, 5, 10, 9, 30), 0});
  const TimeResolution r = ResolveTime(seq, L(2024, 5, 10, 9, 20));
  EXPECT_EQ(r.kind, TimeResolution::kInside);
  EXPECT_EQ(r.nRecord, 0);
  EXPECT_EQ(ResolveTime(seq, L(2024, 5, 10, 9, 40)).nBefore, 0);  // the one that ended last
}

TEST_F(Resolution, AClickInAGapOpensTheNextRecordingAtItsStart) {
  int rec = -1;
  int64_t off = -1;
  ASSERT_TRUE(ClickTarget(seq_, L(2024, 5, 10, 10, 0), &rec, &off));
  EXPECT_EQ(rec, 2);
  EXPECT_EQ(off, 0);
  ASSERT_TRUE(ClickTarget(seq_, L(2024, 5, 10, 11, 1), &rec, &off));
  EXPECT_EQ(rec, 2);
  EXPECT_EQ(off, 600000000);
  EXPECT_FALSE(ClickTarget(seq_, L(2024, 5, 11, 1, 0), &rec, &off));
}

TEST_F(Resolution, TheDayShowsTheRecordingThatCrossedIntoIt) {
  size_t first = 0, last = 0;
  const DayRange next = LocalDayOf(L(2024, 5, 11, 12, 0));
  SpansMeeting(seq_, next.tStart, next.tEnd, &first, &last);
  EXPECT_EQ(first, 3u);
  EXPECT_EQ(last, 5u);
  SpansMeeting(seq_, day_.tStart, day_.tEnd, &first, &last);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(last, 4u);
  SpansMeeting(seq_, L(2024, 5, 12, 0, 0), L(2024, 5, 13, 0, 0), &first, &last);
  EXPECT_EQ(first, last);
  EXPECT_EQ(FindSpanStart(seq_, L(2024, 5, 10, 11, 0)), 2);
  EXPECT_EQ(FindSpanStart(seq_, L(2024, 5, 10, 11, 1)), -1);
}

TEST_F(Resolution, SpansOfAnIndexComeInStartOrderAcrossDays) {
  CRecordDB db;
  ASSERT_TRUE(db.NewEmpty());
  for (int i : {4, 0, 3, 2, 1}) {
    RDB_RECORD r{};
    r.tStart = seq_[static_cast<size_t>(i)].tStart;
    r.tEnd = seq_[static_cast<size_t>(i)].tEnd;
    r.nKind = seq_[static_cast<size_t>(i)].nKind;
    r.qwSize = 100;
    ASSERT_EQ(db.AddRecord(nullptr, r), 1);
  }
  EXPECT_EQ(CollectSpans(*db.GetIndex()), seq_);
}

TEST_F(Resolution, MissesNameTheNearestRecordings) {
  EXPECT_EQ(DescribeMiss(seq_, ResolveTime(seq_, L(2024, 5, 10, 10, 0)), L(2024, 5, 10, 10, 0)),
            "No recording at 2024-05-10 10:00:00.\n"
            "Nearest before: 2024-05-10 09:05:00 - 09:10:00\n"
            "Nearest after: 2024-05-10 11:00:00 - 11:05:00");
  EXPECT_EQ(DescribeMiss(seq_, ResolveTime(seq_, L(2024, 5, 10, 7, 0)), L(2024, 5, 10, 7, 0)),
            "No recording at 2024-05-10 07:00:00.\nNearest after: 2024-05-10 09:00:00 - 09:05:00");
  EXPECT_EQ(FormatSpanText(seq_[3]), "2024-05-10 23:50:00 - 2024-05-11 00:20:00");
  EXPECT_EQ(DescribeMiss({}, ResolveTime({}, 0), 0), "This camera has no recordings.");
}

TEST_F(TimelineCore, GotoTextParsesDatesAndTimesAndRefusesImpossibleOnes) {
  const time32 defaultDay = L(2024, 5, 10, 15, 0);
  struct Case {
    const char* text;
    time32 want;  // -1: refused
  } cases[] = {
      {"2024-05-10 10:20:30", L(2024, 5, 10, 10, 20, 30)},
      {"2024-05-10 10:20", L(2024, 5, 10, 10, 20)},
      {"  2024/5/9  7:05:09 ", L(2024, 5, 9, 7, 5, 9)},
      {"2024.05.10T23:59:59", L(2024, 5, 10, 23, 59, 59)},
      {"10:20", L(2024, 5, 10, 10, 20)},  // the day shown
      {"2024-02-29 00:00", L(2024, 2, 29, 0, 0)},
      {"2023-02-29 00:00", -1},
      {"2024-04-31 10:00", -1},
      {"2024-05-10 24:00", -1},
      {"2024-05-10 10:60", -1},
      {"2024-05-10", -1},
      {"2024-05-10 10", -1},
      {"2024-05-10 10:20:30:40", -1},
      {"10:2x", -1},
      {"", -1},
      {"1969-12-31 23:00", -1},
  };
  for (const Case& c : cases) {
    time32 t = -1;
    const bool ok = ParseGotoTime(c.text, defaultDay, &t);
    EXPECT_EQ(ok, c.want != -1) << c.text;
    if (ok) {
      EXPECT_EQ(t, c.want) << c.text;
    }
  }
  EXPECT_EQ(FormatGotoTime(L(2024, 5, 10, 7, 5, 9)), "2024-05-10 07:05:09");
}

}  // namespace
}  // namespace vt
