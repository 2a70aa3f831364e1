// The manual's Markdown source as a formatted document: what the PDF is printed from at build
// time and what the help window shows.
#pragma once

#include <QString>

class QTextDocument;

namespace vt {

// Reads the UTF-8 Markdown file into doc and formats it; false when it cannot be read.
bool LoadManualDocument(const QString& markdownPath, QTextDocument* doc);
// Space above headings and single-line table rules; the Markdown import leaves both bare.
void FormatManualDocument(QTextDocument* doc);

}  // namespace vt
