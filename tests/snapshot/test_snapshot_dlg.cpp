#include "snapshot/snapshot_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "app/wait_cursor.h"
#include "frame_builder.h"
#include "platform/local_time.h"
#include "skin/dib.h"
#include "snapshot/caption_font.h"
#include "snapshot/snapshot_save.h"
#include "snapshot/snapshot_settings.h"

namespace vt {
namespace {

class QtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    // VT_TEST_QPA=xcb: the window tests on a real X server (Xvfb) when there is one.
    const char* qpa = std::getenv("VT_TEST_QPA");
    const char* display = std::getenv("DISPLAY");
    if (qpa && display && *display) setenv("QT_QPA_PLATFORM", qpa, 1);
    // The user's remembered folders in a folder of the test's own.
    static char config[] = "/tmp/vt_snapdlg_config_XXXXXX";
    if (mkdtemp(config)) setenv("XDG_CONFIG_HOME", config, 1);
    if (!QApplication::instance()) {
      static int argc = 1;
      static char name[] = "test_snapshot_ui";
      static char* argv[] = {name, nullptr};
      app_ = new QApplication(argc, argv);
    }
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};
const bool kRegistered = (::testing::AddGlobalTestEnvironment(new QtApp), true);

struct DialogFixture {
  CSnapshotSettings settings;
  PackedDib picture;
  CSnapshotDlg dlg;
  std::string nextPath;
  std::string failedPath;
  std::vector<std::string> proposals;
  explicit DialogFixture(PackedDib pic, QSize screen = QSize(1920, 1080)) : picture(std::move(pic)) {
    dlg.m_pLogFont = &settings.m_lf;
    dlg.m_pColor = &settings.m_crColor;
    dlg.m_time = MakeLocalTime(2008, 3, 14, 9, 26, 5);
    dlg.SetPicture(picture.data(), picture.size());
    dlg.SetScreenSize(screen);
    dlg.SetSavePathChooser([this](QWidget*, const std::string& proposal) {
      proposals.push_back(proposal);
      return nextPath;
    });
    dlg.SetSaveFailureReporter([this](QWidget*, const std::string& p) { failedPath = p; });
    dlg.OnInitDialog();
  }
};

std::string TempDir() {
  char tmpl[] = "/tmp/vt_snapdlg_XXXXXX";
  return std::string(mkdtemp(tmpl)) + "/";
}

TEST(SnapshotDialog, PreviewAndControlsFollowThePicture) {
  struct Case {
    const char* name;
    int w, h;
    int previewW, previewH;
  };
  const Case cases[] = {{"352 x 288", 352, 288, 400, 327}, {"256 x 240", 256, 240, 400, 300}, {"720 x 576", 720, 576, 720, 576}};
  const SnapRect templ = ControlRectPixels(kSnapControls[4]);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    DialogFixture f(GrayPicture(k.w, k.h, 100));
    EXPECT_EQ(f.dlg.m_rcPreview.Width(), k.previewW);
    EXPECT_EQ(f.dlg.m_rcPreview.Height(), k.previewH);
    const int dx = k.previewW - templ.Width(), dy = k.previewH - templ.Height();
    EXPECT_EQ(f.dlg.width(), DialogUnitsToPixelsX(kSnapDialogWidthDlu) + dx);
    EXPECT_EQ(f.dlg.height(), DialogUnitsToPixelsY(kSnapDialogHeightDlu) + dy);
    const SnapRect close = ControlRectPixels(kSnapControls[0]);
    EXPECT_EQ(f.dlg.Button(kIdCloseButton)->pos(), QPoint(close.left + dx, close.top + dy));
    const SnapRect save = ControlRectPixels(kSnapControls[3]);
    EXPECT_EQ(f.dlg.Button(kIdSaveButton)->pos(), QPoint(save.left, save.top + dy));
    EXPECT_TRUE(f.dlg.CaptionCheck()->isChecked());
  }
}

TEST(SnapshotDialog, LargePictureOnASmallScreenFits) {
  DialogFixture f(GrayPicture(720, 576, 100), QSize(800, 600));
  EXPECT_LE(f.dlg.height(), 600 - 20);
  EXPECT_LT(f.dlg.m_rcPreview.Height(), 576);
  EXPECT_EQ(f.dlg.m_rcPreview.Width(), f.dlg.m_rcPreview.Height() * 720 / 576);
}

// Pixels of the top-left area of a saved bitmap that differ from the gray background.
int CaptionPixels(const std::string& path, uint8_t gray) {
  CDib dib;
  if (!dib.Load(path)) return -1;
  int count = 0;
  const int h = dib.GetHeight();
  for (int y = 0; y < 30 && y < h; ++y) {
    const uint8_t* row = dib.GetPixels() + (h - 1 - y) * dib.GetStride();
    for (int x = 0; x < 200; ++x)
      if (row[3 * x] != gray || row[3 * x + 1] != gray || row[3 * x + 2] != gray) ++count;
  }
  return count;
}

TEST(SnapshotDialog, CaptionIsBurntInUntilSwitchedOff) {
  const std::string dir = TempDir();
  DialogFixture f(GrayPicture(352, 288, 100));
  f.settings.m_crColor = RGB(255, 255, 0);
  f.nextPath = dir + "with.bmp";
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_GT(CaptionPixels(dir + "with.bmp", 100), 50);
  // The caption sits in the top-left corner: the bottom half stays clean.
  CDib with;
  ASSERT_EQ(with.Load(dir + "with.bmp"), 1);
  EXPECT_EQ(with.GetWidth(), 352);
  EXPECT_EQ(with.GetPixels()[0], 100);

  f.dlg.CaptionCheck()->click();
  EXPECT_EQ(f.dlg.m_bCaption, 0);
  f.nextPath = dir + "without.bmp";
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_EQ(CaptionPixels(dir + "without.bmp", 100), 0);
  // The dialog's picture itself never changes.
  EXPECT_EQ(f.picture, GrayPicture(352, 288, 100));
  EXPECT_TRUE(f.failedPath.empty());
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(SnapshotDialog, SaveByExtensionWidensAndReportsFailures) {
  const std::string dir = TempDir();
  DialogFixture f(GrayPicture(256, 240, 60));
  f.nextPath = dir + "shot.JPG";
  f.dlg.Button(kIdSaveButton)->click();
  CDib shot;
  ASSERT_EQ(shot.Load(dir + "shot.JPG"), 1);  // a bitmap file under the name typed
  EXPECT_EQ(shot.GetWidth(), 320);
  EXPECT_EQ(shot.GetHeight(), 240);

  f.nextPath = dir + "a.jpg";
  f.dlg.Button(kIdSaveButton)->click();
  FILE* jpg = std::fopen((dir + "a.jpg").c_str(), "rb");
  ASSERT_NE(jpg, nullptr);
  EXPECT_EQ(std::fgetc(jpg), 0xFF);
  EXPECT_EQ(std::fgetc(jpg), 0xD8);
  std::fclose(jpg);

  f.nextPath = "";  // cancelled: nothing happens
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_TRUE(f.failedPath.empty());
  f.nextPath = dir + "missing/x.bmp";
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_EQ(f.failedPath, dir + "missing/x.bmp");
  std::system(("rm -rf '" + dir + "'").c_str());
}

// Save proposes "<camera> <date time>.jpg" (JPEG, the first type) in the folder used last.
TEST(SnapshotDialog, SaveProposesCameraAndTimeAsAJpegInTheFolderUsedLast) {
  struct Case {
    const char* camera;
    const char* want;
  } names[] = {
      {"C1:Front door", "C1-Front door 2008-03-14 09-26-05.jpg"},
      {"C2:Gate/Yard*", "C2-Gate-Yard- 2008-03-14 09-26-05.jpg"},
      {" C3:Drive. ", "C3-Drive 2008-03-14 09-26-05.jpg"},
      {"", "2008-03-14 09-26-05.jpg"},
  };
  for (const Case& c : names) EXPECT_EQ(SnapshotFileName(c.camera, MakeLocalTime(2008, 3, 14, 9, 26, 5)), c.want);

  DialogFixture f(GrayPicture(64, 48, 60));
  f.dlg.m_strCamera = "C1:Front door";
  f.nextPath = "";
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_EQ(f.proposals, std::vector<std::string>{"C1-Front door 2008-03-14 09-26-05.jpg"});

  // The real save dialog: the name, the JPEG type, the folder; the folder is remembered.
  const std::string dir = TempDir();
  QSettings(QStringLiteral("VTPlayer"), QStringLiteral("VTPlayer")).remove(QStringLiteral("Snapshot"));
  std::string seenName, seenFilter, seenFolder;
  auto answer = [&](const QString& pick) {
    QTimer::singleShot(100, [&, pick] {
      auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!fd) return;
      seenName = fd->selectedFiles().isEmpty() ? "" : QFileInfo(fd->selectedFiles().front()).fileName().toStdString();
      seenFilter = fd->selectedNameFilter().toStdString();
      seenFolder = fd->directory().absolutePath().toStdString();
      // Typed into the name field as a person does.
      fd->setDirectory(QFileInfo(pick).absolutePath());
      if (auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(pick);
      QMetaObject::invokeMethod(fd, "accept");  // checks the choice as the Save button does
    });
  };
  answer(QString::fromStdString(dir + "first.jpg"));
  EXPECT_EQ(ChooseSnapshotSavePath(nullptr, "C1-Front door 2008-03-14 09-26-05.jpg"), dir + "first.jpg");
  EXPECT_EQ(seenName, "C1-Front door 2008-03-14 09-26-05.jpg");
  EXPECT_EQ(seenFilter, "JPEG Files (*.jpg)");
  answer(QString::fromStdString(dir + "second.jpg"));
  ChooseSnapshotSavePath(nullptr, "x.jpg");
  EXPECT_EQ(seenFolder + "/", dir);  // where the last one went
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(SnapshotDialog, FontChoiceEditsTheSettingsInPlace) {
  const std::string dir = TempDir();
  DialogFixture f(GrayPicture(352, 288, 100));
  const LOGFONT before = f.settings.m_lf;
  f.dlg.SetFontChooser([](QWidget*, LOGFONT*, COLORREF*) { return false; });
  f.dlg.Button(kIdFontButton)->click();
  EXPECT_EQ(std::memcmp(&before, &f.settings.m_lf, sizeof(LOGFONT)), 0);

  f.dlg.SetFontChooser([](QWidget*, LOGFONT* lf, COLORREF* c) {
    lf->lfHeight = -40;
    lf->lfWeight = 700;
    *c = RGB(0, 0, 255);
    return true;
  });
  f.dlg.Button(kIdFontButton)->click();
  EXPECT_EQ(f.settings.m_lf.lfHeight, -40);
  EXPECT_EQ(f.settings.m_crColor, RGB(0, 0, 255));
  ASSERT_NE(f.dlg.m_pFont, nullptr);
  EXPECT_EQ(f.dlg.m_pFont->pixelSize(), 40);
  EXPECT_EQ(f.dlg.m_pFont->weight(), QFont::Bold);
  // A bigger font covers more of the corner.
  f.nextPath = dir + "big.bmp";
  f.dlg.Button(kIdSaveButton)->click();
  f.dlg.SetFontChooser([](QWidget*, LOGFONT* lf, COLORREF*) {
    lf->lfHeight = -10;
    lf->lfWeight = 400;
    return true;
  });
  f.dlg.Button(kIdFontButton)->click();
  f.nextPath = dir + "small.bmp";
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_GT(CaptionPixels(dir + "big.bmp", 100), CaptionPixels(dir + "small.bmp", 100));
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(SnapshotDialog, UnusablePictureShowsAndSavesNothing) {
  PackedDib bad = GrayPicture(4, 4, 0);
  reinterpret_cast<BITMAPINFOHEADER*>(bad.data())->biBitCount = 32;
  DialogFixture f(bad);
  EXPECT_EQ(f.dlg.m_pDib, nullptr);
  f.nextPath = "/tmp/vt_snapdlg_never.bmp";
  f.dlg.Button(kIdSaveButton)->click();
  EXPECT_EQ(std::fopen("/tmp/vt_snapdlg_never.bmp", "rb"), nullptr);
  f.dlg.grab();  // paints the frame without a picture
}

// Answers the modal dialogs that open one after the other: each is given to answer(), which
// returns false once it has answered the last one.
void AnswerModalDialogs(std::function<bool(QWidget*)> answer) {
  QTimer::singleShot(20, [answer] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) {
      AnswerModalDialogs(answer);
      return;
    }
    if (answer(w)) AnswerModalDialogs(answer);
  });
}

struct FontDialogCase {
  const char* what;
  int sizeChange;     // points added in the font dialog
  COLORREF newColor;  // chosen in the colour dialog; kKeepColor: accepted as it opened
};
constexpr COLORREF kKeepColor = 0xFFFFFFFF;

TEST(SnapshotDialog, FontDialogOpensOnTheDrawnFontAndStoresOnlyChanges) {
  const FontDialogCase cases[] = {
      {"accepted unchanged", 0, kKeepColor},
      {"bigger", 6, kKeepColor},
      {"colour only", 0, RGB(0, 0, 255)},
  };
  for (const FontDialogCase& c : cases) {
    SCOPED_TRACE(c.what);
    DialogFixture f(GrayPicture(352, 288, 100));
    const LOGFONT before = f.settings.m_lf;  // the defaults: "Times New Roman", lfHeight 16
    const COLORREF colorBefore = f.settings.m_crColor;
    const QFontInfo drawn(*f.dlg.m_pFont);
    QFont opened;
    AnswerModalDialogs([&](QWidget* w) {
      if (auto* fd = qobject_cast<QFontDialog*>(w)) {
        opened = fd->currentFont();
        QFont changed = opened;
        changed.setPointSize(opened.pointSize() + c.sizeChange);
        fd->setCurrentFont(changed);
        QMetaObject::invokeMethod(fd, "accept");  // checks the choice as the Save button does
        return true;
      }
      if (auto* cd = qobject_cast<QColorDialog*>(w)) {
        if (c.newColor != kKeepColor) cd->setCurrentColor(ColorRefToQColor(c.newColor));
        cd->accept();
      }
      return false;
    });
    f.dlg.Button(kIdFontButton)->click();
    EXPECT_EQ(QFontInfo(opened).family(), drawn.family()) << "the face the caption is drawn in";
    EXPECT_EQ(opened.pointSize(), drawn.pointSize());
    if (c.sizeChange == 0) {
      EXPECT_EQ(std::memcmp(&before, &f.settings.m_lf, sizeof(LOGFONT)), 0) << "nothing stored";
    } else {
      EXPECT_LT(f.settings.m_lf.lfHeight, 0);
      EXPECT_GT(QFontInfo(*f.dlg.m_pFont).pixelSize(), drawn.pixelSize());
      EXPECT_EQ(QString::fromLocal8Bit(f.settings.m_lf.lfFaceName), drawn.family());
    }
    EXPECT_EQ(f.settings.m_crColor, c.newColor == kKeepColor ? colorBefore : c.newColor);
  }
}

TEST(SnapshotDialog, WindowWithItsFrameFitsTheScreen) {
  struct Case {
    int pictureW, pictureH;
    QSize screen;
    QMargins frame;
  };
  const Case cases[] = {
      {1920, 1080, QSize(1280, 1024), QMargins(4, 30, 4, 4)},
      {1920, 1080, QSize(1920, 1040), QMargins(4, 30, 4, 4)},  // shrunk by its height
      {720, 576, QSize(800, 600), QMargins(1, 24, 1, 1)},
      {1920, 1080, QSize(1280, 1024), QMargins()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.pictureW) + "x" + std::to_string(c.pictureH) + " on " +
                 std::to_string(c.screen.width()) + "x" + std::to_string(c.screen.height()));
    DialogFixture f(GrayPicture(c.pictureW, c.pictureH, 100), c.screen);
    f.dlg.FitToScreen(c.frame);
    EXPECT_LE(f.dlg.width() + c.frame.left() + c.frame.right(), c.screen.width());
    EXPECT_LE(f.dlg.height() + c.frame.top() + c.frame.bottom(), c.screen.height());
    // The preview keeps the picture's shape and stays inside the dialog.
    EXPECT_NEAR(f.dlg.m_rcPreview.Width() * c.pictureH, f.dlg.m_rcPreview.Height() * c.pictureW, c.pictureW);
    EXPECT_LE(f.dlg.Button(kIdCloseButton)->geometry().right(), f.dlg.width());
    EXPECT_LE(f.dlg.Button(kIdCloseButton)->geometry().bottom(), f.dlg.height());
    EXPECT_GT(f.dlg.Button(kIdCloseButton)->y(), f.dlg.m_rcPreview.bottom);
  }
}

// The dialog as shown: on the offscreen platform, and with VT_TEST_QPA=xcb on the X server the
// tests run under (a 1280 x 1024 Xvfb without window manager; run it under one to see the frame
// counted). The second picture is shrunk by its height, where a title bar left out shows.
TEST(SnapshotDialogOnScreen, WholeDialogLiesInsideTheAvailableArea) {
  if (std::getenv("VT_TEST_QPA") && QGuiApplication::platformName() != QLatin1String(std::getenv("VT_TEST_QPA")))
    GTEST_SKIP() << "no X display";
  for (QSize pictureSize : {QSize(1920, 1080), QSize(1280, 1024)}) {
    SCOPED_TRACE(std::to_string(pictureSize.width()) + "x" + std::to_string(pictureSize.height()));
    CSnapshotSettings settings;
    PackedDib picture = GrayPicture(pictureSize.width(), pictureSize.height(), 100);
    CSnapshotDlg dlg;
    dlg.m_pLogFont = &settings.m_lf;
    dlg.m_pColor = &settings.m_crColor;
    dlg.SetPicture(picture.data(), picture.size());
    dlg.OnInitDialog();
    dlg.show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const QRect area = dlg.screen()->availableGeometry();
    const QRect frame = dlg.frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                      << frame.height() << " in " << area.width() << "x" << area.height() << " on "
                                      << QGuiApplication::platformName().toStdString();
    EXPECT_GT(dlg.m_rcPreview.Width(), 400) << "a large picture is shown large";
    dlg.close();
  }
}

TEST(SnapshotDialog, WaitCursorEndsAsTheDialogAppears) {
  CSnapshotSettings settings;
  PackedDib picture = GrayPicture(352, 288, 100);
  WaitCursor(true);
  bool waitingWhenShown = true;
  AnswerModalDialogs([&](QWidget* w) {
    waitingWhenShown = QGuiApplication::overrideCursor() != nullptr;
    static_cast<QDialog*>(w)->accept();
    return false;
  });
  const time32 t = 0;
  settings.ShowDialog(picture.data(), picture.size(), &t);
  EXPECT_FALSE(waitingWhenShown);
  EXPECT_FALSE(IsWaitCursorOn());
}

TEST(CaptionFont, LogFontMapsOntoQFont) {
  LOGFONT lf{};
  lf.lfHeight = -24;
  lf.lfWeight = 700;
  lf.lfItalic = 1;
  lf.lfUnderline = 1;
  lf.lfStrikeOut = 1;
  std::strcpy(lf.lfFaceName, "DejaVu Sans");
  QFont f = LogFontToQFont(lf);
  EXPECT_EQ(f.pixelSize(), 24);
  EXPECT_EQ(f.weight(), QFont::Bold);
  EXPECT_TRUE(f.italic());
  EXPECT_TRUE(f.underline());
  EXPECT_TRUE(f.strikeOut());
  EXPECT_EQ(f.family(), "DejaVu Sans");

  // A positive height is the cell: the line fits in it.
  lf.lfHeight = 16;
  f = LogFontToQFont(lf);
  EXPECT_LE(QFontMetrics(f).height(), 16);
  EXPECT_GE(f.pixelSize(), 8);

  LOGFONT base{};
  base.lfCharSet = 136;
  const LOGFONT back = QFontToLogFont(LogFontToQFont(lf), base);
  EXPECT_EQ(back.lfHeight, -f.pixelSize());
  EXPECT_EQ(back.lfWeight, 700);
  EXPECT_EQ(back.lfItalic, 1);
  EXPECT_EQ(back.lfCharSet, 136);
  EXPECT_STREQ(back.lfFaceName, "DejaVu Sans");

  EXPECT_EQ(ColorRefToQColor(RGB(1, 2, 3)), QColor(1, 2, 3));
  EXPECT_EQ(QColorToColorRef(QColor(10, 20, 30)), RGB(10, 20, 30));
}

}  // namespace
}  // namespace vt
