#include "browser/record_tree_model.h"

#include <QPixmap>
#include <QTimer>
#include <algorithm>

#include "platform/heap.h"
#include "res/gen/res_images.h"

namespace vt {

namespace {

// Record handles: day position + 1 in the upper half, record count in the lower half.
RecordTreeItem DayHandle(size_t pos) { return static_cast<RecordTreeItem>(pos + 1); }

// The picture with the white of its background made transparent, as the image list does.
QPixmap TreePixmap(int resourceId) {
  QImage img = DrawTreeBitmap(resourceId).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((line[x] & 0xFFFFFF) == (kTreeKeyColour & 0xFFFFFF)) line[x] = 0;
  }
  return QPixmap::fromImage(img);
}

}  // namespace

CRecordTreeModel::CRecordTreeModel(QObject* parent) : QAbstractItemModel(parent) {
  for (int i = 0; i < 3; ++i) {
    m_icons[i].addPixmap(TreePixmap(kTreeImageIds[2 * i]), QIcon::Normal);
    m_icons[i].addPixmap(TreePixmap(kTreeImageIds[2 * i + 1]), QIcon::Selected);
  }
}

void CRecordTreeModel::SchedulePendingFlush() {
  if (m_bFlushQueued) return;
  m_bFlushQueued = true;
  QTimer::singleShot(0, this, [this] {
    m_bFlushQueued = false;
    Flush();
  });
}

void CRecordTreeModel::Clear() {
  m_pending = Items();
  m_bPending = true;
  SchedulePendingFlush();
}

RecordTreeItem CRecordTreeModel::InsertDay(const std::string& text) {
  if (!m_bPending) {
    // Outside a fill: start from what is shown.
    m_pending = m_shown;
    m_bPending = true;
    SchedulePendingFlush();
  }
  Items& it = m_pending;
  it.days.push_back(Day{text, {}});
  const int pos = static_cast<int>(it.days.size() - 1);
  // Sorted position; an equal text goes after the existing ones. Input in date order appends.
  auto at = std::upper_bound(it.rows.begin(), it.rows.end(), text,
                             [&it, this](const std::string& t, int row) { return DayBefore(t, it.days[row].text); });
  it.rows.insert(at, pos);
  return DayHandle(pos);
}

RecordTreeItem CRecordTreeModel::InsertRecord(RecordTreeItem day, const std::string& text, int kind) {
  if (!m_bPending || day <= 0 || static_cast<size_t>(day) > m_pending.days.size()) return 0;
  auto& records = m_pending.days[static_cast<size_t>(day - 1)].records;
  Record r{text, kind == 0 ? kImageRecord : kImageEventRecord};
  if (records.empty() || !(text < records.back().text)) {
    records.push_back(std::move(r));
  } else {
    auto at = std::upper_bound(records.begin(), records.end(), text,
                               [](const std::string& t, const Record& x) { return t < x.text; });
    records.insert(at, std::move(r));
  }
  return (day << 32) | static_cast<RecordTreeItem>(records.size());
}

void CRecordTreeModel::Flush() {
  if (!m_bPending) return;
  beginResetModel();
  Items old = std::move(m_shown);
  m_shown = std::move(m_pending);
  m_pending = Items();
  m_bPending = false;
  endResetModel();
  // The items of a large camera go back to the system once another camera is shown.
  size_t records = 0;
  for (const Day& d : old.days) records += d.records.capacity();
  old = Items();
  ReturnFreedMemory(records * sizeof(Record));
}

void CRecordTreeModel::SetNewestFirst(bool on) {
  if (on == m_bNewestFirst) return;
  beginResetModel();
  m_bNewestFirst = on;
  for (Items* items : {&m_shown, &m_pending})
    std::stable_sort(items->rows.begin(), items->rows.end(),
                     [items, this](int a, int b) { return DayBefore(items->days[a].text, items->days[b].text); });
  endResetModel();
}

std::string CRecordTreeModel::ItemText(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return std::string();
  const quintptr dayRow = index.internalId();
  if (dayRow == 0) return m_shown.days[m_shown.rows[index.row()]].text;
  return m_shown.days[m_shown.rows[dayRow - 1]].records[index.row()].text;
}

bool CRecordTreeModel::RemoveItem(const QModelIndex& index) {
  Flush();
  if (!index.isValid() || index.model() != this) return false;
  const quintptr dayRow = index.internalId();
  if (dayRow == 0) {
    beginRemoveRows(QModelIndex(), index.row(), index.row());
    // The storage slot stays (handles of other days keep pointing at their own); it is only
    // unlisted and emptied.
    const int pos = m_shown.rows[index.row()];
    m_shown.days[pos].records.clear();
    m_shown.rows.erase(m_shown.rows.begin() + index.row());
    endRemoveRows();
    return true;
  }
  beginRemoveRows(index.parent(), index.row(), index.row());
  auto& records = m_shown.days[m_shown.rows[dayRow - 1]].records;
  records.erase(records.begin() + index.row());
  endRemoveRows();
  return true;
}

QModelIndex CRecordTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return QModelIndex();
  if (!parent.isValid()) {
    if (row >= static_cast<int>(m_shown.rows.size())) return QModelIndex();
    return createIndex(row, 0, quintptr(0));
  }
  if (parent.internalId() != 0) return QModelIndex();  // records have no children
  const Day& day = m_shown.days[m_shown.rows[parent.row()]];
  if (row >= static_cast<int>(day.records.size())) return QModelIndex();
  return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex CRecordTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == 0) return QModelIndex();
  return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
}

int CRecordTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(m_shown.rows.size());
  if (parent.column() != 0 || parent.internalId() != 0) return 0;
  return static_cast<int>(m_shown.days[m_shown.rows[parent.row()]].records.size());
}

int CRecordTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CRecordTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CRecordTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  const bool isDay = index.internalId() == 0;
  int image = kImageDay;
  if (!isDay) image = m_shown.days[m_shown.rows[index.internalId() - 1]].records[index.row()].nImage;
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(ItemText(index));
    case Qt::DecorationRole:
      return m_icons[image / 2];
    case kImageRole:
      return image;
    case kSelectedImageRole:
      return image + 1;
    default:
      return QVariant();
  }
}

}  // namespace vt
