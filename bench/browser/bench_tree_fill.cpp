// Choosing a camera in the record browser at 10 000, 100 000 and 1 000 000 records (about 274 a
// day; 1 000 000 is 3 650 days), each size in a fresh process as the program meets it:
//  - camera open: the index loaded and the tree's items made (CRecordList::OpenCamera);
//  - tree fill: the items shown and painted;
//  - camera switch: to a camera of 1 440 records, and the memory kept after it;
//  - peak memory of the process against the size of the index file.
// References in the same process: read() of the index file, and the stock QStandardItemModel
// filled with the same texts. Goals: the window usable within 1 s of choosing the camera (open +
// fill), peak memory within 2x of the index size above the process's start, and the memory of a
// large camera returned after switching to a small one. Exit status 1 when a goal is missed.
// Usage: bench_browser [records...]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QStandardItemModel>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_process.h"
#include "bench_report.h"
#include "browser/record_tree.h"
#include "platform/local_time.h"
#include "recorddb/record_db.h"

namespace {

using vt::bench::Clock;
using vt::bench::Ms;

constexpr int kRecordsPerDay = 274;
constexpr int kSmallCamera = 1440;
constexpr double kUsableMs = 1000;      // open + fill of a camera with an existing index
constexpr double kPeakOverIndex = 2;    // peak memory above the start, in index sizes
constexpr double kKeptOverIndex = 0.1;  // memory kept after leaving the camera, in index sizes
constexpr double kKeptFloorMb = 16;     // ... or this much, whichever is larger

// An index of records records, written where the program finds it.
bool BuildIndex(const std::string& folder, int records) {
  std::filesystem::create_directories(folder);
  vt::CRecordDB db;
  db.SetFolder(folder);
  db.NewEmpty();
  vt::RDB_CURSOR cursor;
  const vt::time32 first = vt::MakeLocalTime(2016, 1, 1, 0, 0, 0);
  const int spacing = 86400 / kRecordsPerDay;
  for (int i = 0; i < records; ++i) {
    vt::RDB_RECORD r{};
    const vt::time32 start = first + (i / kRecordsPerDay) * 86400 + (i % kRecordsPerDay) * spacing;
    std::snprintf(r.szFilePath, sizeof r.szFilePath, "%s/%d.avi", folder.c_str(), i);
    r.nKind = i % 7 == 0 ? 1 : 0;
    r.tStart = start;
    r.tEnd = start + spacing / 2;
    r.qwSize = 1 << 20;
    if (db.AddRecord(&cursor, r) != 1) return false;
  }
  return db.Save();
}

double ReadFileMs(const std::string& path) {
  const auto t0 = Clock::now();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  std::vector<char> mem(static_cast<size_t>(st.st_size));
  const bool ok = ::read(fd, mem.data(), mem.size()) == static_cast<ssize_t>(mem.size());
  ::close(fd);
  return ok ? Ms(Clock::now() - t0) : -1;
}

// Child: the program's steps on a fresh process. Prints
// "openMs fillMs switchMs baseKb peakKb afterKb readMs stockMs".
int Child(int argc, char** argv, const std::string& big, const std::string& small) {
  QApplication app(argc, argv);
  vt::CRecordTree tree;
  tree.resize(250, 600);
  tree.show();
  QApplication::processEvents();
  const long baseKb = vt::bench::PeakRssKb();

  auto t0 = Clock::now();
  if (tree.GetRecordList().OpenCamera(big, tree.GetTreeItems()) != 1 || !tree.GetRecordList().LastOpenSucceeded())
    return 1;
  const double openMs = Ms(Clock::now() - t0);
  t0 = Clock::now();
  tree.Flush();
  tree.expand(tree.GetModel()->index(tree.GetModel()->rowCount() - 1, 0));
  tree.repaint();
  QApplication::processEvents();
  const double fillMs = Ms(Clock::now() - t0);
  const long peakKb = vt::bench::PeakRssKb();

  t0 = Clock::now();
  if (tree.GetRecordList().OpenCamera(small, tree.GetTreeItems()) != 1) return 1;
  tree.Flush();
  tree.repaint();
  QApplication::processEvents();
  const double switchMs = Ms(Clock::now() - t0);
  const long afterKb = vt::bench::CurrentRssKb();

  const double readMs = ReadFileMs(big + "/rdb.ndx");
  // The stock item model with the same texts, from the big camera's hierarchy.
  vt::CRecordDB db;
  db.Open(big);
  QStandardItemModel stock;
  QTreeView view;
  view.setModel(&stock);
  view.setUniformRowHeights(true);
  view.resize(250, 600);
  view.show();
  t0 = Clock::now();
  for (const auto& day : db.ListDays()) {
    auto* dayItem = new QStandardItem(QString::fromStdString(vt::RdbDayText(day.nYear, day.nMonth, day.nDay)));
    for (const auto& r : day.pDay->records) dayItem->appendRow(new QStandardItem(QString::fromStdString(vt::RdbRecordText(r))));
    stock.appendRow(dayItem);
  }
  view.expand(stock.index(stock.rowCount() - 1, 0));
  view.repaint();
  QApplication::processEvents();
  const double stockMs = Ms(Clock::now() - t0);
  std::printf("%.3f %.3f %.3f %ld %ld %ld %.3f %.3f\n", openMs, fillMs, switchMs, baseKb, peakKb, afterKb, readMs, stockMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  if (argc == 4 && std::string(argv[1]) == "--child") return Child(1, argv, argv[2], argv[3]);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  char tmpl[] = "/tmp/vtbench-browser-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string root = tmpl, small = root + "/small";
  bool ok = BuildIndex(small, kSmallCamera);
  vt::bench::CGoals goals;
  std::printf("record browser: each size in a fresh process, medians of 3 runs (min, max)\n");
  for (int records : sizes) {
    const std::string big = root + "/cam" + std::to_string(records);
    if (records <= 0 || !BuildIndex(big, records)) {
      ok = false;
      continue;
    }
    struct stat st {};
    ::stat((big + "/rdb.ndx").c_str(), &st);
    const double indexMb = static_cast<double>(st.st_size) / (1 << 20);
    std::vector<double> open, fill, sw, peak, kept, read, stock;
    for (int run = 0; run < 3; ++run) {
      const std::string out = vt::bench::RunSelf({"--child", big, small});
      double o, f, s, r, q;
      long base, pk, after;
      if (std::sscanf(out.c_str(), "%lf %lf %lf %ld %ld %ld %lf %lf", &o, &f, &s, &base, &pk, &after, &r, &q) != 8) {
        ok = false;
        break;
      }
      open.push_back(o);
      fill.push_back(f);
      sw.push_back(s);
      peak.push_back((pk - base) / 1024.0);
      kept.push_back((after - base) / 1024.0);
      read.push_back(r);
      stock.push_back(q);
    }
    if (open.empty()) continue;
    auto show = [](const char* what, const std::vector<double>& v, const char* unit) {
      const vt::bench::Stats s = vt::bench::Summarize(v);
      std::printf("  %-34s %9.1f %s (min %.1f, max %.1f)\n", what, s.median, unit, s.min, s.max);
      return s.median;
    };
    std::printf("\n== %d records in %d days, index %.1f MB\n", records, (records + kRecordsPerDay - 1) / kRecordsPerDay,
                indexMb);
    const double o = show("camera open (load, tree items)", open, "ms");
    const double f = show("tree shown and painted", fill, "ms");
    show("camera switch to 1 440 records", sw, "ms");
    const double p = show("peak memory above start", peak, "MB");
    const double k = show("memory kept after the switch", kept, "MB");
    const double r = show("reference: read() of the index", read, "ms");
    const double q = show("reference: QStandardItemModel fill", stock, "ms");
    std::printf("  %-34s %9.2f   %-34s %9.2f\n", "open / read()", o / r, "fill / QStandardItemModel", f / q);
    const std::string n = " at " + std::to_string(records);
    goals.AtMost("camera usable (open + fill), ms" + n, o + f, kUsableMs);
    goals.AtMost("peak memory / index size" + n, p / indexMb, kPeakOverIndex);
    goals.AtMost("memory kept after switch, MB" + n, k, std::max(kKeptFloorMb, kKeptOverIndex * indexMb));
    std::error_code ec;
    std::filesystem::remove_all(big, ec);
  }
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  if (!ok) {
    std::fprintf(stderr, "a measurement failed\n");
    return 1;
  }
  return goals.Finish();
}
