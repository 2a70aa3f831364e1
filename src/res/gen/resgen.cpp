// Build-time generator of the pictures and the manual that the program reads from its folder.
// Usage: vt_resgen --out DIR --manual MANUAL.md [--tree-preview DIR]
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cstdio>
#include <cstring>

#include "res/gen/manual_doc.h"
#include "res/gen/res_images.h"

namespace {

bool SaveImage(const QImage& img, const QString& path, const char* format) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (img.isNull() || !img.save(path, format)) {
    std::fprintf(stderr, "vt_resgen: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

bool WriteManual(const QString& source, const QString& pdfPath) {
  QTextDocument doc;
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(10);
  doc.setDefaultFont(font);
  if (!vt::LoadManualDocument(source, &doc)) {
    std::fprintf(stderr, "vt_resgen: cannot read %s\n", qPrintable(source));
    return false;
  }
  QDir().mkpath(QFileInfo(pdfPath).absolutePath());
  QPdfWriter writer(pdfPath);
  writer.setTitle(QStringLiteral("Vantor 2 Player - User Manual"));
  writer.setCreator(QStringLiteral("vt_resgen"));
  writer.setPageSize(QPageSize(QPageSize::A4));
  // The document adds its own margin of 2 cm on every side when it is printed.
  writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  writer.setResolution(300);
  doc.print(&writer);
  if (QFileInfo(pdfPath).size() == 0) {
    std::fprintf(stderr, "vt_resgen: cannot write %s\n", qPrintable(pdfPath));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QString out, manual, treePreview;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--out")) out = QString::fromLocal8Bit(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--manual")) manual = QString::fromLocal8Bit(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--tree-preview")) treePreview = QString::fromLocal8Bit(argv[i + 1]);
  }
  if (out.isEmpty() || manual.isEmpty()) {
    std::fprintf(stderr, "usage: vt_resgen --out DIR --manual MANUAL.md [--tree-preview DIR]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  bool ok = true;
  // One skin folder: the toolbar is looked up as "ui_p/bg/toolbar24.bmp" case-insensitively.
  ok &= SaveImage(vt::DrawToolbarStrip(), out + "/UI_P/bg/toolbar24.bmp", "BMP");
  ok &= SaveImage(vt::DrawSplash(), out + "/Splash.bmp", "BMP");
  ok &= SaveImage(vt::DrawAppIcon(256), out + "/vtplayer.png", "PNG");
  ok &= WriteManual(manual, out + "/manual.pdf");
  if (!treePreview.isEmpty()) {
    for (int id : vt::kTreeImageIds)
      ok &= SaveImage(vt::DrawTreeBitmap(id), treePreview + QString("/tree%1.bmp").arg(id), "BMP");
  }
  return ok ? 0 : 1;
}
