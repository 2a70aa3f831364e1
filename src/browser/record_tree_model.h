// Items of the record tree: days at the top level, their records below, each level sorted by
// text. FillTree writes through IRecordTree into a pending copy; the copy replaces what the view
// shows in one model reset (Flush, which also runs by itself once control returns to the event
// loop), so a camera with a hundred thousand records costs one reset instead of one signal per
// item.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <string>
#include <vector>

#include "recorddb/record_db.h"

namespace vt {

// Image-list positions of the tree pictures.
constexpr int kImageDay = 0;
constexpr int kImageDaySelected = 1;
constexpr int kImageRecord = 2;
constexpr int kImageRecordSelected = 3;
constexpr int kImageEventRecord = 4;
constexpr int kImageEventRecordSelected = 5;
constexpr int kTreeImageCount = 6;

class CRecordTreeModel : public QAbstractItemModel, public IRecordTree {
  Q_OBJECT
 public:
  // Roles beyond Qt's: the image-list positions of an item, normal and selected.
  enum { kImageRole = Qt::UserRole + 1, kSelectedImageRole };

  explicit CRecordTreeModel(QObject* parent = nullptr);

  // IRecordTree (FillTree).
  void Clear() override;
  RecordTreeItem InsertDay(const std::string& text) override;
  RecordTreeItem InsertRecord(RecordTreeItem day, const std::string& text, int kind) override;

  // Shows the pending items, if any.
  void Flush();
  // Newest days at the top (the records of a day stay in time order); resets the model.
  void SetNewestFirst(bool on);
  bool NewestFirst() const { return m_bNewestFirst; }

  // Text of an item; empty for an invalid index.
  std::string ItemText(const QModelIndex& index) const;
  // Removes one item (a day with its records). False for an invalid index.
  bool RemoveItem(const QModelIndex& index);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;

 private:
  struct Record {
    std::string text;
    int nImage;  // normal image; the selected one follows it
  };
  struct Day {
    std::string text;
    std::vector<Record> records;  // sorted by text
  };
  struct Items {
    std::vector<Day> days;  // storage in insertion order; handles point here
    std::vector<int> rows;  // row -> position in days, sorted by day text
  };
  void SchedulePendingFlush();
  // Day order: by text, oldest first unless newest first is asked for.
  bool DayBefore(const std::string& a, const std::string& b) const { return m_bNewestFirst ? b < a : a < b; }

  Items m_shown;
  Items m_pending;
  bool m_bPending = false;
  bool m_bFlushQueued = false;
  bool m_bNewestFirst = false;
  QIcon m_icons[3];  // day, record, event record: normal and selected pictures
};

}  // namespace vt
