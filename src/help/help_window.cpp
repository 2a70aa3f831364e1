#include "help/help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

#include "res/gen/manual_doc.h"

namespace vt {
namespace {

constexpr int kBlockRole = Qt::UserRole;
constexpr int kContentsWidth = 220;
constexpr int kWindowWidth = 900;
constexpr int kWindowHeight = 680;

}  // namespace

CHelpWindow::CHelpWindow(const QString& title, QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(title);
  setObjectName(QStringLiteral("helpWindow"));
  m_pSearch = new QLineEdit(this);
  m_pSearch->setPlaceholderText(QStringLiteral("Search the manual"));
  m_pSearch->setClearButtonEnabled(true);
  auto* previous = new QPushButton(QStringLiteral("&Previous"), this);
  auto* next = new QPushButton(QStringLiteral("&Next"), this);
  m_pNote = new QLabel(this);
  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("&Find:"), this));
  bar->addWidget(m_pSearch, 1);
  bar->addWidget(previous);
  bar->addWidget(next);
  bar->addWidget(m_pNote);
  static_cast<QLabel*>(bar->itemAt(0)->widget())->setBuddy(m_pSearch);

  auto* split = new QSplitter(Qt::Horizontal, this);
  m_pContents = new QTreeWidget(split);
  m_pContents->setHeaderHidden(true);
  m_pContents->setColumnCount(1);
  m_pText = new QTextBrowser(split);
  m_pText->setOpenExternalLinks(true);
  split->addWidget(m_pContents);
  split->addWidget(m_pText);
  split->setStretchFactor(1, 1);
  split->setSizes({kContentsWidth, kWindowWidth - kContentsWidth});

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(split, 1);
  resize(kWindowWidth, kWindowHeight);

  connect(m_pContents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { ShowSection(item); });
  connect(m_pContents, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { ShowSection(item); });
  connect(m_pSearch, &QLineEdit::returnPressed, this, [this] { Find(m_pSearch->text()); });
  connect(m_pSearch, &QLineEdit::textChanged, this, [this] { m_pNote->clear(); });
  connect(next, &QPushButton::clicked, this, [this] { Find(m_pSearch->text()); });
  connect(previous, &QPushButton::clicked, this, [this] { Find(m_pSearch->text(), true); });
}

bool CHelpWindow::LoadManual(const QString& markdownPath) {
  if (!LoadManualDocument(markdownPath, m_pText->document())) return false;
  BuildContents();
  m_pText->moveCursor(QTextCursor::Start);  // the manual opens at its beginning
  return true;
}

void CHelpWindow::BuildContents() {
  m_pContents->clear();
  // The open entry of each heading level; a heading goes under the nearest higher one.
  std::vector<QTreeWidgetItem*> open;
  for (QTextBlock b = m_pText->document()->begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level <= 0) continue;
    while (!open.empty() && open.back()->data(0, kBlockRole + 1).toInt() >= level) open.pop_back();
    auto* item = open.empty() ? new QTreeWidgetItem(m_pContents) : new QTreeWidgetItem(open.back());
    item->setText(0, b.text());
    item->setData(0, kBlockRole, b.blockNumber());
    item->setData(0, kBlockRole + 1, level);
    open.push_back(item);
  }
  m_pContents->expandAll();
}

void CHelpWindow::ShowSection(QTreeWidgetItem* item) {
  if (!item) return;
  const QTextBlock block = m_pText->document()->findBlockByNumber(item->data(0, kBlockRole).toInt());
  if (!block.isValid()) return;
  m_pText->setTextCursor(QTextCursor(block));
  const QRectF r = m_pText->document()->documentLayout()->blockBoundingRect(block);
  m_pText->verticalScrollBar()->setValue(static_cast<int>(r.top()));
}

bool CHelpWindow::Find(const QString& text, bool backward) {
  m_pNote->clear();
  if (text.isEmpty()) return false;
  const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  if (m_pText->find(text, flags)) return true;
  // Round from the other end.
  QTextCursor c(m_pText->document());
  c.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  m_pText->setTextCursor(c);
  if (m_pText->find(text, flags)) return true;
  m_pNote->setText(QStringLiteral("Not found"));
  return false;
}

QString CHelpWindow::SearchNote() const { return m_pNote->text(); }

}  // namespace vt
