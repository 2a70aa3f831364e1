// The manual inside the program: its Markdown source rendered, a table of contents from its
// headings and a search box. Shown when no PDF viewer takes the manual.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace vt {

class CHelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CHelpWindow(const QString& title, QWidget* parent = nullptr);

  // False when the file cannot be read (the window stays empty).
  bool LoadManual(const QString& markdownPath);
  // Scrolls the heading of a contents entry to the top.
  void ShowSection(QTreeWidgetItem* item);
  // Selects the next (or previous) place the text occurs, going round at the end; false and a
  // note beside the box when it does not occur at all.
  bool Find(const QString& text, bool backward = false);

  QTreeWidget* Contents() const { return m_pContents; }
  QTextBrowser* Text() const { return m_pText; }
  QLineEdit* SearchBox() const { return m_pSearch; }
  QString SearchNote() const;

 private:
  void BuildContents();

  QTreeWidget* m_pContents = nullptr;
  QTextBrowser* m_pText = nullptr;
  QLineEdit* m_pSearch = nullptr;
  QLabel* m_pNote = nullptr;
};

}  // namespace vt
