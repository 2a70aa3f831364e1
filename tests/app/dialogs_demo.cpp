// Shows the About box, the left pane on a small database and the generated pictures side by
// side for a screenshot under Xvfb. Usage: vt_dialogs_demo PROGRAM_FOLDER [seconds]
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>

#include "app/about_dlg.h"
#include "app/login_dlg.h"
#include "browser/left_view.h"
#include "platform/local_time.h"
#include "res/gen/res_images.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string folder = argc > 1 ? argv[1] : ".";
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;

  vt::CAboutDlg about(folder, vt::AboutStamp{2, "2", "1", "2026/05/12"}, [](int id) {
    return std::string(id == vt::kIdsVersion ? "Version" : "Vantor 2 Player");
  });
  about.move(20, 20);
  about.show();

  vt::CLoginDlg login;
  login.move(20, 360);
  login.show();

  QTemporaryDir dir;
  vt::CLeftView left(false);
  left.resize(220, 420);
  left.move(560, 20);
  left.AddCamera(0, "C1:Gate", dir.path().toStdString());
  left.AddCamera(2, "C3:Yard", dir.path().toStdString());
  left.GetCombo()->setCurrentIndex(0);
  vt::CRecordDB& db = left.GetRecordList().GetDB();
  db.SetFolder(dir.path().toStdString());
  db.NewEmpty();
  vt::RDB_CURSOR cursor;
  for (int d = 0; d < 3; ++d) {
    for (int i = 0; i < 6; ++i) {
      vt::RDB_RECORD r{};
      r.nKind = i % 3 == 2 ? 1 : 0;
      r.tStart = vt::MakeLocalTime(2026, 5, 10 + d, 8 + i, 15 * i, 0);
      r.tEnd = r.tStart + 600;
      r.qwSize = 1000;
      db.AddRecord(&cursor, r);
    }
  }
  db.FillTree(left.GetTree()->GetTreeItems());
  left.GetTree()->Flush();
  const QModelIndex day = left.GetTree()->GetModel()->index(2, 0);
  left.GetTree()->expand(day);
  left.GetTree()->expand(left.GetTree()->GetModel()->index(1, 0));
  left.GetTree()->selectionModel()->setCurrentIndex(left.GetTree()->GetModel()->index(2, 0, day),
                                                   QItemSelectionModel::ClearAndSelect);
  left.setWindowTitle("Left pane");
  left.show();

  // Toolbar strip (x2) on its key colour and on a light toolbar grey with the key made
  // transparent; tree pictures (x3) on white and, transparent, on black.
  const QImage strip = vt::DrawToolbarStrip();
  QImage sheet(strip.width() * 2 + 20, 24 * 2 * 2 + 16 * 3 * 2 + 50, QImage::Format_RGB32);
  sheet.fill(QColor(230, 230, 230));
  QPainter p(&sheet);
  p.drawImage(QRect(10, 10, strip.width() * 2, 48), strip);
  QImage keyed = strip.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < keyed.height(); ++y)
    for (int x = 0; x < keyed.width(); ++x)
      if ((keyed.pixel(x, y) & 0xFFFFFF) == (vt::kToolbarKeyColour & 0xFFFFFF)) keyed.setPixel(x, y, 0);
  p.drawImage(QRect(10, 62, strip.width() * 2, 48), keyed);
  for (int i = 0; i < 6; ++i) {
    const QImage t = vt::DrawTreeBitmap(vt::kTreeImageIds[i]);
    p.drawImage(QRect(10 + i * 56, 120, 48, 48), t);
    QImage k = t.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < k.height(); ++y)
      for (int x = 0; x < k.width(); ++x)
        if ((k.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) k.setPixel(x, y, 0);
    p.fillRect(QRect(10 + i * 56, 172, 48, 48), Qt::black);
    p.drawImage(QRect(10 + i * 56, 172, 48, 48), k);
  }
  p.end();
  QLabel pictures;
  pictures.setPixmap(QPixmap::fromImage(sheet));
  pictures.setWindowTitle("Generated pictures");
  pictures.move(20, 470);
  pictures.show();

  QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
  return app.exec();
}
