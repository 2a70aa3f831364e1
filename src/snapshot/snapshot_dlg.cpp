#include "snapshot/snapshot_dlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFrame>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

#include <cstring>

#include "app/user_prefs.h"
#include "snapshot/caption_font.h"
#include "snapshot/snapshot_caption.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_save.h"

namespace vt {

namespace {

constexpr const char* kDialogTitle = "Snapshot";
// After the dialog is shown its frame is looked for this often, this many times.
constexpr int kFrameCheckMs = 50;
constexpr int kFrameChecks = 10;

QRect ToQRect(const SnapRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

int64_t Stride24(int width) { return (int64_t{width} * 3 + 3) & ~int64_t{3}; }

}  // namespace

QImage SnapshotPictureToImage(const BITMAPINFOHEADER* h, const uint8_t* pixels) {
  if (!h || !pixels || h->biWidth <= 0 || h->biHeight <= 0 || h->biBitCount != 24) return {};
  QImage img(h->biWidth, h->biHeight, QImage::Format_BGR888);
  if (img.isNull()) return {};
  const int64_t stride = Stride24(h->biWidth);
  for (int y = 0; y < h->biHeight; ++y)
    std::memcpy(img.scanLine(y), pixels + (h->biHeight - 1 - y) * stride, static_cast<size_t>(h->biWidth) * 3);
  return img;
}

PackedDib ImageToSnapshotPicture(const QImage& image) {
  if (image.isNull()) return {};
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = bgr.width();
  h.biHeight = bgr.height();
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  const int64_t stride = Stride24(bgr.width());
  h.biSizeImage = static_cast<uint32_t>(stride * bgr.height());
  PackedDib out(sizeof h + h.biSizeImage);
  std::memcpy(out.data(), &h, sizeof h);
  uint8_t* pixels = out.data() + sizeof h;
  for (int y = 0; y < bgr.height(); ++y) {
    uint8_t* row = pixels + (bgr.height() - 1 - y) * stride;
    std::memcpy(row, bgr.constScanLine(y), static_cast<size_t>(bgr.width()) * 3);
    std::memset(row + static_cast<size_t>(bgr.width()) * 3, 0, static_cast<size_t>(stride - bgr.width() * 3));
  }
  return out;
}

CSnapshotDlg::CSnapshotDlg(QWidget* parent)
    : QDialog(parent),
      m_chooseFont(ChooseCaptionFont),
      m_chooseSavePath(ChooseSnapshotSavePath),
      m_reportSaveFailure([](QWidget* p, const std::string& path) {
        QMessageBox::warning(p, kDialogTitle,
                             QStringLiteral("The snapshot could not be saved to\n%1").arg(QString::fromStdString(path)));
      }) {
  setWindowTitle(kDialogTitle);
  QFont dialogFont(QStringLiteral("Tahoma"));
  dialogFont.setPointSize(8);
  setFont(dialogFont);
  resize(DialogUnitsToPixelsX(kSnapDialogWidthDlu), DialogUnitsToPixelsY(kSnapDialogHeightDlu));
  for (const SnapControl& c : kSnapControls) {
    const QRect r = ToQRect(ControlRectPixels(c));
    if (c.id == kIdPreviewFrame) {
      m_stcPreview = new QFrame(this);
      m_stcPreview->setFrameStyle(QFrame::Box | QFrame::Sunken);
      m_stcPreview->setGeometry(r);
    } else if (c.id == kIdCaptionCheck) {
      m_chkCaption = new QCheckBox(QString::fromUtf8(c.text), this);
      m_chkCaption->setGeometry(r);
      connect(m_chkCaption, &QCheckBox::clicked, this, [this] { OnCaption(); });
    } else {
      auto* b = new QPushButton(QString::fromUtf8(c.text), this);
      b->setGeometry(r);
      m_buttons[c.id] = b;
    }
  }
  Button(kIdCloseButton)->setDefault(true);
  connect(Button(kIdCloseButton), &QPushButton::clicked, this, &QDialog::accept);
  connect(Button(kIdFontButton), &QPushButton::clicked, this, [this] { OnFont(); });
  connect(Button(kIdSaveButton), &QPushButton::clicked, this, [this] { OnSave(); });
}

CSnapshotDlg::~CSnapshotDlg() = default;

QPushButton* CSnapshotDlg::Button(int id) const {
  auto it = m_buttons.find(id);
  return it == m_buttons.end() ? nullptr : it->second;
}

void CSnapshotDlg::SetPicture(const uint8_t* picture, size_t pictureSize) {
  m_pDib = SnapshotPictureHeader(picture, pictureSize);
  m_pBits = m_pDib ? picture + sizeof(BITMAPINFOHEADER) : nullptr;
  m_pictureSize = m_pDib ? pictureSize : 0;
  m_image = SnapshotPictureToImage(m_pDib, m_pBits);
}

bool CSnapshotDlg::OnInitDialog() {
  if (m_initDone) return true;
  m_initDone = true;
  m_chkCaption->setChecked(m_bCaption != 0);
  FitToScreen(FrameMargins());
  m_stcPreview->hide();
  m_pFont = std::make_unique<QFont>(m_pLogFont ? LogFontToQFont(*m_pLogFont) : QFont());
  return true;
}

QRect CSnapshotDlg::ScreenArea() const {
  if (m_screenSize.isValid()) return QRect(QPoint(0, 0), m_screenSize);
  const QScreen* s = screen();
  return s ? s->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
}

QMargins CSnapshotDlg::FrameMargins() const {
  auto margins = [](const QWidget* w) {
    const QRect f = w->frameGeometry(), g = w->geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
  };
  if (isVisible()) return margins(this);
  // Not shown yet: the window system gives the dialog the frame it gives the program's other windows.
  for (const QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this && w->isVisible() && w->isWindow() && !(w->windowFlags() & Qt::FramelessWindowHint)) {
      const QMargins m = margins(w);
      if (!m.isNull()) return m;
    }
  }
  return {};
}

void CSnapshotDlg::FitToScreen(const QMargins& frame) {
  m_frameApplied = frame;
  // From the template each time, so that a second fit replaces the first.
  const QSize base(DialogUnitsToPixelsX(kSnapDialogWidthDlu), DialogUnitsToPixelsY(kSnapDialogHeightDlu));
  const SnapRect preview = ControlRectPixels(kSnapControls[4]);
  SnapshotSizing sizing;
  sizing.preview = preview;
  if (m_pDib) {
    const int w = SnapshotLayoutWidth(m_pDib->biWidth, m_pDib->biHeight);
    const QRect screen = ScreenArea();
    sizing = ComputeSnapshotSizing(w, m_pDib->biHeight, preview, base.width() + frame.left() + frame.right(),
                                   base.height() + frame.top() + frame.bottom(), screen.width(), screen.height());
  }
  m_rcPreview = sizing.preview;
  for (const SnapControl& c : kSnapControls) {
    QRect r = ToQRect(ControlRectPixels(c));
    if (c.id == kIdCaptionCheck || c.id == kIdSaveButton || c.id == kIdFontButton) r.translate(0, sizing.dy);
    if (c.id == kIdCloseButton) r.translate(sizing.dx, sizing.dy);
    if (c.id == kIdCaptionCheck) m_chkCaption->setGeometry(r);
    else if (c.id != kIdPreviewFrame) Button(c.id)->setGeometry(r);
  }
  setFixedSize(base.width() + sizing.dx, base.height() + sizing.dy);
  update();
}

void CSnapshotDlg::KeepInsideScreen() {
  const QRect area = ScreenArea();
  const QRect f = frameGeometry();
  int x = std::min(f.left(), area.left() + area.width() - f.width());
  int y = std::min(f.top(), area.top() + area.height() - f.height());
  x = std::max(x, area.left());
  y = std::max(y, area.top());
  if (x != f.left() || y != f.top()) move(x, y);
}

void CSnapshotDlg::CorrectForFrame() {
  if (!isVisible()) return;
  const QMargins real = FrameMargins();
  if (real == m_frameApplied && m_bPlaced) return;
  if (real != m_frameApplied) FitToScreen(real);
  m_bPlaced = true;
  KeepInsideScreen();
}

void CSnapshotDlg::showEvent(QShowEvent* event) {
  OnInitDialog();
  QDialog::showEvent(event);
  // A window manager puts its frame around the dialog a moment after it is shown, without
  // telling the dialog: look a few times until it is there (or the time is up).
  if (!m_pFrameCheck) {
    m_pFrameCheck = new QTimer(this);
    m_pFrameCheck->setInterval(kFrameCheckMs);
    connect(m_pFrameCheck, &QTimer::timeout, this, [this] {
      CorrectForFrame();
      if (++m_nFrameChecks >= kFrameChecks || !m_frameApplied.isNull()) m_pFrameCheck->stop();
    });
  }
  m_nFrameChecks = 0;
  m_bPlaced = false;
  CorrectForFrame();
  m_pFrameCheck->start();
}

void CSnapshotDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (const FrameLine& l : SunkenFrameLines(m_rcPreview)) {
    painter.setPen(QPen(ColorRefToQColor(l.color), 0));
    painter.drawLine(l.x1, l.y1, l.x2, l.y2);
  }
  if (m_image.isNull()) return;
  painter.drawImage(ToQRect(m_rcPreview), m_image);
  DrawCaption(&painter, false);
}

void CSnapshotDlg::DrawCaption(QPainter* painter, bool pictureMode) const {
  if (!m_bCaption || !m_pFont) return;
  QRect rect = ToQRect(m_rcPreview);
  if (pictureMode) rect.moveTopLeft(QPoint(0, 0));
  DrawSnapshotCaption(painter, rect, *m_pFont, m_pColor ? *m_pColor : 0, m_time);
}

bool CSnapshotDlg::BurnCaption(PackedDib* picture) const {
  if (!m_bCaption || !m_pFont) return true;
  QRect rect = ToQRect(m_rcPreview);
  rect.moveTopLeft(QPoint(0, 0));
  return BurnSnapshotCaption(picture, rect, *m_pFont, m_pColor ? *m_pColor : 0, m_time);
}

void CSnapshotDlg::OnCaption() {
  m_bCaption = m_bCaption ? 0 : 1;
  m_chkCaption->setChecked(m_bCaption != 0);
  update();
}

void CSnapshotDlg::OnFont() {
  if (!m_pLogFont || !m_pColor || !m_chooseFont) return;
  LOGFONT lf = *m_pLogFont;
  COLORREF color = *m_pColor;
  if (!m_chooseFont(this, &lf, &color)) return;
  *m_pLogFont = lf;
  *m_pColor = color;
  m_pFont = std::make_unique<QFont>(LogFontToQFont(lf));
  update();
}

void CSnapshotDlg::OnSave() {
  if (!m_chooseSavePath) return;
  const std::string path = m_chooseSavePath(this, SnapshotFileName(m_strCamera, m_time));
  if (path.empty() || !m_pDib) return;
  std::function<bool(PackedDib*)> burn;
  if (m_bCaption) burn = [this](PackedDib* p) { return BurnCaption(p); };
  const uint8_t* picture = reinterpret_cast<const uint8_t*>(m_pDib);
  if (!SaveSnapshotAs(path, picture, m_pictureSize, m_time, burn) && m_reportSaveFailure)
    m_reportSaveFailure(this, path);
}

bool ChooseCaptionFont(QWidget* parent, LOGFONT* lf, COLORREF* color) {
  // The dialog opens on the font the caption is drawn in, which is not the stored face when that
  // one is not installed; accepted unchanged, nothing is stored.
  const QFont drawn = ResolvedFont(LogFontToQFont(*lf));
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, drawn, parent, QStringLiteral("Font"));
  if (!ok) return false;
  const QColor c = QColorDialog::getColor(ColorRefToQColor(*color), parent, QStringLiteral("Colour"));
  const bool fontChanged = !SameResolvedFont(font, drawn);
  const COLORREF newColor = c.isValid() ? QColorToColorRef(c) : *color;
  if (!fontChanged && newColor == *color) return false;
  if (fontChanged) *lf = QFontToLogFont(font, *lf);
  *color = newColor;
  return true;
}

std::string ChooseSnapshotSavePath(QWidget* parent, const std::string& proposedName) {
  const std::vector<FileFilter> filters = ParseFileFilter(kSnapshotSaveFilter);
  QStringList qtFilters;
  for (const FileFilter& f : filters) qtFilters << QString::fromStdString(f.QtFilter());
  QFileDialog dlg(parent, QStringLiteral("Save As"));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setNameFilters(qtFilters);
  if (!filters.empty()) dlg.setDefaultSuffix(QString::fromStdString(filters.front().Suffix()));
  // A name typed without extension takes the one of the chosen file type.
  QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg, filters, qtFilters](const QString& chosen) {
    const qsizetype i = qtFilters.indexOf(chosen);
    if (i >= 0) dlg.setDefaultSuffix(QString::fromStdString(filters[static_cast<size_t>(i)].Suffix()));
  });
  // The folder used last, else the user's pictures; JPEG (the first type) and the proposed name.
  QString folder = ReadUserText(kPrefSnapshotFolder);
  if (folder.isEmpty() || !QDir(folder).exists()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  }
  dlg.setDirectory(folder);
  if (!qtFilters.isEmpty()) dlg.selectNameFilter(qtFilters.front());
  dlg.selectFile(QString::fromLocal8Bit(proposedName.c_str()));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  const QString chosen = dlg.selectedFiles().front();
  WriteUserText(kPrefSnapshotFolder, QFileInfo(chosen).absolutePath());
  return chosen.toStdString();
}

}  // namespace vt
