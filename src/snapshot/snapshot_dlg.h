// The modal Snapshot dialog: the picture in a sunken frame, an optional date-and-time caption in
// the settings' font and colour, and Save... as JPEG or bitmap. The picture and the settings are
// the opener's; the dialog only reads the one and edits the other in place.
#pragma once

#include <QDialog>
#include <QImage>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/win_types.h"
#include "snapshot/frame_converter.h"
#include "snapshot/snapshot_layout.h"

class QCheckBox;
class QTimer;
class QFrame;
class QPushButton;
class QPainter;

namespace vt {

class CSnapshotDlg : public QDialog {
  Q_OBJECT

 public:
  // Font and colour choice: true and the new values when the user changed something, false (and
  // nothing touched) on cancel or when OK was pressed on what was there.
  using FontChooser = std::function<bool(QWidget* parent, LOGFONT* lf, COLORREF* color)>;
  // Full path of the file to save, or empty when cancelled; proposedName is the name offered.
  using SavePathChooser = std::function<std::string(QWidget* parent, const std::string& proposedName)>;
  // Told when a chosen file could not be written.
  using SaveFailureReporter = std::function<void(QWidget* parent, const std::string& path)>;

  explicit CSnapshotDlg(QWidget* parent = nullptr);
  ~CSnapshotDlg() override;

  // The packed 24-bit bottom-up picture (kept by the caller while the dialog lives). An unusable
  // picture leaves m_pDib null: nothing is shown or saved.
  void SetPicture(const uint8_t* picture, size_t pictureSize);

  void SetFontChooser(FontChooser chooser) { m_chooseFont = std::move(chooser); }
  void SetSavePathChooser(SavePathChooser chooser) { m_chooseSavePath = std::move(chooser); }
  void SetSaveFailureReporter(SaveFailureReporter reporter) { m_reportSaveFailure = std::move(reporter); }
  // The usable screen area the dialog must fit in; the available area of the dialog's screen
  // when not set.
  void SetScreenSize(QSize size) { m_screenSize = size; }

  // Sizes the dialog and preview to the picture and makes the caption font. Runs once, before
  // the dialog is first shown (ShowDialog calls it; showing calls it when nobody did). The window
  // frame counts against the screen: before the dialog is shown its size is taken from another
  // window of the program, and once shown the real one corrects the layout.
  bool OnInitDialog();
  // Lays the dialog out for the picture so that, with a window frame of these margins around
  // it, the whole window fits the usable screen area.
  void FitToScreen(const QMargins& frame);
  // Moves the dialog so that its frame lies inside the usable screen area.
  void KeepInsideScreen();
  void OnFont();
  void OnSave();
  void OnCaption();

  QPushButton* Button(int id) const;
  QCheckBox* CaptionCheck() const { return m_chkCaption; }

  // Public like the members of the dialog class they stand for: the opener sets them.
  std::unique_ptr<QFont> m_pFont;
  COLORREF* m_pColor = nullptr;
  LOGFONT* m_pLogFont = nullptr;
  time32 m_time = 0;
  std::string m_strCamera;  // the camera's label, for the name Save proposes
  SnapRect m_rcPreview;
  const BITMAPINFOHEADER* m_pDib = nullptr;
  const uint8_t* m_pBits = nullptr;
  QFrame* m_stcPreview = nullptr;
  int m_bCaption = 1;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QRect ScreenArea() const;
  // The frame the window system put around the dialog (after it was shown), or the one around
  // another window of the program (before).
  QMargins FrameMargins() const;
  // After the dialog is shown: lays it out again for the real frame when it differs from the
  // one assumed, and keeps it on the screen.
  void CorrectForFrame();
  void DrawCaption(QPainter* painter, bool pictureMode) const;
  bool BurnCaption(PackedDib* picture) const;

  std::map<int, QPushButton*> m_buttons;
  QCheckBox* m_chkCaption = nullptr;
  size_t m_pictureSize = 0;
  QImage m_image;  // the picture, top row first
  bool m_initDone = false;
  QSize m_screenSize;
  QMargins m_frameApplied;
  bool m_bPlaced = false;
  QTimer* m_pFrameCheck = nullptr;
  int m_nFrameChecks = 0;
  FontChooser m_chooseFont;
  SavePathChooser m_chooseSavePath;
  SaveFailureReporter m_reportSaveFailure;
};

// The platform dialogs the Snapshot dialog uses unless told otherwise.
bool ChooseCaptionFont(QWidget* parent, LOGFONT* lf, COLORREF* color);
// The save-file dialog: the proposed name in the folder used last (remembered), JPEG first.
std::string ChooseSnapshotSavePath(QWidget* parent, const std::string& proposedName);

// The picture as an image (top row first), or a null image when it is unusable.
QImage SnapshotPictureToImage(const BITMAPINFOHEADER* header, const uint8_t* pixels);
// An image as a picture (24-bit bottom-up); empty for a null image.
PackedDib ImageToSnapshotPicture(const QImage& image);

}  // namespace vt
