#include "res/gen/manual_doc.h"

#include <QColor>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace vt {

bool LoadManualDocument(const QString& markdownPath, QTextDocument* doc) {
  QFile in(markdownPath);
  if (!in.open(QIODevice::ReadOnly)) return false;
  doc->setMarkdown(QString::fromUtf8(in.readAll()));
  FormatManualDocument(doc);
  return true;
}

void FormatManualDocument(QTextDocument* doc) {
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level == 0) continue;
    QTextBlockFormat f = b.blockFormat();
    f.setTopMargin(level == 1 ? 0 : (level == 2 ? 14 : 8));
    f.setBottomMargin(level == 1 ? 10 : 4);
    QTextCursor(b).setBlockFormat(f);
  }
  for (QTextFrame* frame : doc->rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table) continue;
    QTextTableFormat f = table->format();
    f.setBorderCollapse(true);
    f.setBorder(1);
    f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    f.setBorderBrush(QColor(120, 130, 145));
    f.setCellPadding(3);
    f.setCellSpacing(0);
    f.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table->setFormat(f);
  }
}

}  // namespace vt
