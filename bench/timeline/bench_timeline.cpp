// Drawing the day timeline for a day of 1 000 recordings (every seventh an event recording,
// 200 event marks), whole day and zoomed to an hour, against QPainter filling 1 000 plain
// rectangles into a picture of the same size (the least a drawing of every recording costs),
// timed in alternating rounds. Goal: a drawing fits in one frame at 60 Hz (16.7 ms).
// Usage: bench_timeline [rounds]
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

#include "bench_report.h"
#include "platform/local_time.h"
#include "timeline/day_timeline.h"

namespace {

constexpr int kRecordings = 1000;
constexpr int kMarks = 200;
constexpr int kDrawsPerRound = 200;
constexpr double kFrameMs = 1000.0 / 60;

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;

  const vt::time32 day = vt::MakeLocalTime(2025, 3, 10, 0, 0, 0);
  vt::TimelineRow row;
  row.strLabel = "C1:Gate";
  for (int i = 0; i < kRecordings; ++i) {
    const vt::time32 start = day + i * 86;  // a day of one-minute recordings with short gaps
    row.spans.push_back({start, start + 60, i % 7 == 0 ? 1 : 0});
  }
  for (int i = 0; i < kMarks; ++i) row.marks.push_back({day + i * 430 + 5, day + i * 430 + 20});

  vt::CDayTimeline timeline;
  timeline.resize(1200, timeline.sizeHint().height());
  timeline.SetDay(vt::LocalDayOf(day + 3600));
  timeline.SetRows({row});
  timeline.SetCursor(day + 43210.5);
  QImage canvas(timeline.size(), QImage::Format_RGB32);

  // Reference: every recording as one filled rectangle, no layout, no axis, no text.
  QImage plain(timeline.size(), QImage::Format_RGB32);
  const int w = plain.width();
  auto rectangles = [&] {
    QPainter p(&plain);
    p.fillRect(plain.rect(), Qt::black);
    for (int i = 0; i < kRecordings; ++i)
      p.fillRect(i * (w - 2) / kRecordings, 20, 2, 18, i % 7 == 0 ? QColor(208, 48, 48) : QColor(46, 158, 58));
  };
  auto draw = [&] { timeline.render(&canvas); };

  std::printf("day timeline: %d recordings, %d marks, %dx%d px; reference: %d QPainter rectangles\n", kRecordings,
              kMarks, timeline.width(), timeline.height(), kRecordings);
  const vt::bench::Rounds whole = vt::bench::Alternate(rounds, kDrawsPerRound, draw, rectangles);
  vt::bench::PrintRounds("whole day", whole);
  timeline.SetView({day + 36000.0, day + 39600.0, timeline.View().nWidth});
  const vt::bench::Rounds hour = vt::bench::Alternate(rounds, kDrawsPerRound, draw, rectangles);
  vt::bench::PrintRounds("one hour ", hour);

  vt::bench::CGoals goals;
  goals.AtMost("whole day drawing within one frame at 60 Hz (ms)", whole.Ours().median, kFrameMs);
  goals.AtMost("one hour drawing within one frame at 60 Hz (ms)", hour.Ours().median, kFrameMs);
  return goals.Finish();
}
