#include "browser/record_tree.h"

#include <QPainter>
#include <QPalette>

#include "app/message_window.h"
#include "browser/tree_text.h"
#include "platform/local_time.h"

namespace vt {

CRecordTree::CRecordTree(QWidget* parent) : QTreeView(parent) {
  m_pModel = new CRecordTreeModel(this);
  setModel(m_pModel);
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);  // keeps scrolling cheap with very long days
  setIconSize(QSize(16, 16));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFrameShape(QFrame::Box);
  QPalette pal = palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, QColor::fromRgb(kTreeBackColour));
    pal.setColor(group, QPalette::Window, QColor::fromRgb(kTreeBackColour));
    pal.setColor(group, QPalette::Text, QColor::fromRgb(kTreeTextColour));
    pal.setColor(group, QPalette::WindowText, QColor::fromRgb(kTreeTextColour));
  }
  // The selection stays visible when the tree loses the focus.
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(pal);
  m_recordList.GetDB().FillTree(m_pModel);
  m_pModel->Flush();
}

CRecordTree::~CRecordTree() {
  // The record list writes its index back on destruction; the items go with the model.
  setModel(nullptr);
}

void CRecordTree::PostToMain(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (IMessageTarget* main = GetMainWndTarget()) main->Post(msg, wParam, lParam);
}

void CRecordTree::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTreeView::selectionChanged(selected, deselected);
  if (m_bFollowing) return;
  if (!selected.isEmpty()) {
    OnSelChanged(selected.indexes().first());
  } else if (!deselected.isEmpty() && selectionModel()->selectedIndexes().isEmpty()) {
    OnSelChanged(QModelIndex());
  }
}

void CRecordTree::OnSelChanged(const QModelIndex& item) {
  if (item.isValid() && item.parent().isValid()) {
    const time32 t = ItemTextsToTime(m_pModel->ItemText(item.parent()), m_pModel->ItemText(item));
    if (t != m_tCurrentRecord || m_tCurrentRecord == 0) {
      m_tCurrentRecord = t;
      RDB_RECORD* record = m_recordList.GetDB().FindRecordAt(t);
      if (record) {
        if (m_pPlayer) m_pPlayer->Post(kMsgOpenRecord, 0, reinterpret_cast<LPARAM>(record));
        PostToMain(kMsgFitToVideo, 0, 0);
        setFocus(Qt::OtherFocusReason);
      } else {
        PostToMain(kMsgVideoSize, 0, 0);
      }
      return;
    }
  }
  // A day, nothing, or the record already playing: close the playback.
  m_tCurrentRecord = 0;
  if (m_pPlayer) m_pPlayer->Post(kMsgOpenRecord, 0, 0);
  PostToMain(kMsgVideoSize, 0, 0);
}

void CRecordTree::drawBranches(QPainter* p, const QRect& rect, const QModelIndex& index) const {
  const int indent = indentation();
  const int cy = rect.top() + rect.height() / 2;
  const QAbstractItemModel* m = model();
  auto hasNextSibling = [m](const QModelIndex& i) { return i.row() + 1 < m->rowCount(i.parent()); };
  p->save();
  p->setPen(QPen(QColor::fromRgb(kTreeLineColour), 1, Qt::DotLine));
  // The item's own column: up to its previous sibling or parent, down to its next sibling.
  int left = rect.right() + 1 - indent;
  const int cx = left + indent / 2;
  const bool above = index.row() > 0 || index.parent().isValid();
  p->drawLine(cx, above ? rect.top() : cy, cx, hasNextSibling(index) ? rect.bottom() : cy);
  p->drawLine(cx, cy, left + indent - 2, cy);
  // Columns of the ancestors that have siblings below.
  for (QModelIndex a = index.parent(); a.isValid(); a = a.parent()) {
    left -= indent;
    if (hasNextSibling(a)) p->drawLine(left + indent / 2, rect.top(), left + indent / 2, rect.bottom());
  }
  if (m->hasChildren(index)) {
    const QRect box(cx - 4, cy - 4, 8, 8);
    p->fillRect(box, QColor::fromRgb(kTreeBackColour));
    p->setPen(QPen(QColor::fromRgb(kTreeLineColour), 1, Qt::SolidLine));
    p->drawRect(box);
    p->setPen(QPen(QColor::fromRgb(kTreeTextColour), 1, Qt::SolidLine));
    p->drawLine(cx - 2, cy, cx + 2, cy);
    if (!isExpanded(index)) p->drawLine(cx, cy - 2, cx, cy + 2);
  }
  p->restore();
}

int CRecordTree::GetRecordTimeOfSelection(time32* t, QModelIndex* item) {
  m_pModel->Flush();
  const QModelIndex sel = currentIndex();
  if (!sel.isValid() || !selectionModel()->isSelected(sel)) return kSelNone;
  std::string dayText, timeText;
  int kind;
  if (m_pModel->rowCount(sel) > 0) {
    dayText = m_pModel->ItemText(sel);
    timeText = m_pModel->ItemText(m_pModel->index(0, 0, sel));
    kind = kSelDay;
  } else {
    const QModelIndex parentItem = sel.parent();
    if (!parentItem.isValid()) return kSelNone;
    dayText = m_pModel->ItemText(parentItem);
    timeText = m_pModel->ItemText(sel);
    kind = kSelRecord;
  }
  if (t) *t = ItemTextsToTime(dayText, timeText);
  if (item) *item = sel;
  return kind;
}

bool CRecordTree::HasSelectedItem() {
  m_pModel->Flush();
  const QModelIndex sel = currentIndex();
  return sel.isValid() && selectionModel()->isSelected(sel);
}

void CRecordTree::DeleteItem(const QModelIndex& item) {
  m_pModel->Flush();
  if (!item.isValid() || item.model() != m_pModel) return;
  const QModelIndex current = currentIndex();
  const bool movesSelection = current.isValid() && (current == item || current.parent() == item);
  const QModelIndex parentItem = item.parent();
  const int row = item.row();
  // Keep the view from picking its own successor while the row goes away.
  QSignalBlocker block(selectionModel());
  if (movesSelection) selectionModel()->clearCurrentIndex();
  m_pModel->RemoveItem(item);
  if (!movesSelection) return;
  QModelIndex next;
  if (row < m_pModel->rowCount(parentItem)) next = m_pModel->index(row, 0, parentItem);
  else if (parentItem.isValid()) next = parentItem;
  else if (row > 0) next = m_pModel->index(row - 1, 0, parentItem);
  block.unblock();
  if (next.isValid()) {
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
  } else {
    selectionModel()->clear();
    OnSelChanged(QModelIndex());  // the tree is left without a selection
  }
}

QModelIndex CRecordTree::FindItem(const std::string& dayText, const std::string& timeText) {
  m_pModel->Flush();
  for (int d = 0; d < m_pModel->rowCount(); ++d) {
    const QModelIndex day = m_pModel->index(d, 0);
    if (m_pModel->ItemText(day) != dayText) continue;
    if (timeText.empty()) return day;
    for (int r = 0; r < m_pModel->rowCount(day); ++r) {
      const QModelIndex rec = m_pModel->index(r, 0, day);
      if (m_pModel->ItemText(rec) == timeText) return rec;
    }
  }
  return QModelIndex();
}

bool CRecordTree::FollowRecord(time32 tStart) {
  LocalFields f;
  if (!SplitLocalTime(tStart, &f)) return false;
  RDB_RECORD r{};
  r.tStart = tStart;
  const QModelIndex item = FindItem(RdbDayText(f.year, f.month, f.day), RdbRecordText(r));
  if (!item.isValid()) return false;
  m_bFollowing = true;
  selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
  m_bFollowing = false;
  scrollTo(item);
  m_tCurrentRecord = tStart;
  return true;
}

void CRecordTree::SetNewestFirst(bool on) {
  m_pModel->Flush();
  if (on == m_pModel->NewestFirst()) return;
  const QModelIndex current = currentIndex();
  const bool selected = current.isValid() && selectionModel()->isSelected(current);
  std::string dayText, timeText;
  if (current.isValid()) {
    dayText = m_pModel->ItemText(current.parent().isValid() ? current.parent() : current);
    if (current.parent().isValid()) timeText = m_pModel->ItemText(current);
  }
  std::vector<std::string> expanded;
  for (int d = 0; d < m_pModel->rowCount(); ++d)
    if (isExpanded(m_pModel->index(d, 0))) expanded.push_back(m_pModel->ItemText(m_pModel->index(d, 0)));
  m_bFollowing = true;
  m_pModel->SetNewestFirst(on);
  for (const std::string& day : expanded) expand(FindItem(day));
  const QModelIndex again = dayText.empty() ? QModelIndex() : FindItem(dayText, timeText);
  if (again.isValid()) {
    selectionModel()->setCurrentIndex(again, selected ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
    scrollTo(again);
  }
  m_bFollowing = false;
}

}  // namespace vt
