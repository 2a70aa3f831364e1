// Switching the record tree to a camera whose index lists 100 000 records, measured against
// (a) a plain iteration over the records, (b) formatting every record's time text (the least a
// fill must do) and (c) the same items put into a QStandardItemModel, the stock item tree.
// Usage: bench_browser [records]   (prints milliseconds, best of 3, and ratios)
#include <QApplication>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "browser/record_tree.h"
#include "platform/local_time.h"
#include "recorddb/record_db.h"

namespace {

double BestMs(const std::function<void()>& run) {
  double best = 1e300;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

void BuildIndex(const std::string& folder, int records) {
  vt::CRecordDB db;
  db.SetFolder(folder);
  db.NewEmpty();
  vt::RDB_CURSOR cursor;
  const vt::time32 first = vt::MakeLocalTime(2025, 1, 1, 0, 0, 0);
  for (int i = 0; i < records; ++i) {
    vt::RDB_RECORD r{};
    std::snprintf(r.szFilePath, sizeof r.szFilePath, "%s/%d.avi", folder.c_str(), i);
    r.nKind = i % 7 == 0 ? 1 : 0;
    r.tStart = first + i * 80;  // about 1 000 records a day
    r.tEnd = r.tStart + 60;
    r.qwSize = 1 << 20;
    db.AddRecord(&cursor, r);
  }
  db.Save();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  BuildIndex(folder, records);

  vt::CRecordDB db;
  const double loadMs = BestMs([&] { db.Open(folder); });

  long long sum = 0;
  const double iterMs = BestMs([&] {
    for (const auto& day : db.ListDays())
      for (const auto& r : day.pDay->records) sum += r.tStart;
  });
  size_t chars = 0;
  const double textMs = BestMs([&] {
    for (const auto& day : db.ListDays())
      for (const auto& r : day.pDay->records) chars += vt::RdbRecordText(r).size();
  });

  // The record tree as the program shows it: fill, show the new items and paint the view.
  vt::CRecordTree tree;
  tree.resize(250, 600);
  tree.show();
  QApplication::processEvents();
  const double treeMs = BestMs([&] {
    db.FillTree(tree.GetTreeItems());
    tree.Flush();
    tree.expand(tree.GetModel()->index(tree.GetModel()->rowCount() - 1, 0));
    tree.repaint();
  });

  // The stock item model with the same texts.
  QStandardItemModel stock;
  QTreeView stockView;
  stockView.setModel(&stock);
  stockView.setUniformRowHeights(true);
  stockView.resize(250, 600);
  stockView.show();
  QApplication::processEvents();
  const double stockMs = BestMs([&] {
    stock.clear();
    for (const auto& day : db.ListDays()) {
      auto* dayItem = new QStandardItem(QString::fromStdString(vt::RdbDayText(day.nYear, day.nMonth, day.nDay)));
      for (const auto& r : day.pDay->records) dayItem->appendRow(new QStandardItem(QString::fromStdString(vt::RdbRecordText(r))));
      stock.appendRow(dayItem);
    }
    stockView.expand(stock.index(stock.rowCount() - 1, 0));
    stockView.repaint();
  });

  std::printf("records                         %d (%d days)\n", records, tree.GetModel()->rowCount());
  std::printf("index load (CRecordDB::Open)    %8.1f ms\n", loadMs);
  std::printf("record tree fill + paint        %8.1f ms\n", treeMs);
  std::printf("  reference: plain iteration    %8.2f ms   ratio %6.1f\n", iterMs, treeMs / iterMs);
  std::printf("  reference: time texts only    %8.1f ms   ratio %6.2f\n", textMs, treeMs / textMs);
  std::printf("  reference: QStandardItemModel %8.1f ms   ratio %6.2f\n", stockMs, treeMs / stockMs);
  std::printf("camera switch (load + fill)     %8.1f ms\n", loadMs + treeMs);
  return sum == 42 && chars == 0 ? 1 : 0;  // keeps the loops from being optimised away
}
