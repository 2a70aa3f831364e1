#include "snapshot/snapshot_dlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QFrame>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <cstring>

#include "snapshot/caption_font.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_save.h"

namespace vt {

namespace {

constexpr const char* kDialogTitle = "Snapshot";

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
  const SnapRect preview = ControlRectPixels(kSnapControls[4]);
  m_rcPreview = preview;
  if (m_pDib) {
    const int w = SnapshotLayoutWidth(m_pDib->biWidth, m_pDib->biHeight);
    const int h = m_pDib->biHeight;
    // The window's frame counts against the screen too, once the window system has given one.
    const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
    QSize screen = m_screenSize;
    if (!screen.isValid()) {
      const QScreen* s = this->screen();
      screen = s ? s->availableGeometry().size() : QSize(1 << 16, 1 << 16);
    }
    const SnapshotSizing sizing = ComputeSnapshotSizing(w, h, preview, width() + frame.width(),
                                                        height() + frame.height(), screen.width(), screen.height());
    m_rcPreview = sizing.preview;
    resize(width() + sizing.dx, height() + sizing.dy);
    if (sizing.dx || sizing.dy) {
      m_chkCaption->move(m_chkCaption->x(), m_chkCaption->y() + sizing.dy);
      for (int id : {kIdSaveButton, kIdFontButton}) Button(id)->move(Button(id)->x(), Button(id)->y() + sizing.dy);
      QPushButton* close = Button(kIdCloseButton);
      close->move(close->x() + sizing.dx, close->y() + sizing.dy);
    }
  }
  setFixedSize(size());
  m_stcPreview->hide();
  m_pFont = std::make_unique<QFont>(m_pLogFont ? LogFontToQFont(*m_pLogFont) : QFont());
  return true;
}

void CSnapshotDlg::showEvent(QShowEvent* event) {
  OnInitDialog();
  QDialog::showEvent(event);
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
  painter->save();
  painter->setFont(*m_pFont);
  painter->setPen(ColorRefToQColor(m_pColor ? *m_pColor : 0));
  painter->setClipRect(rect);
  painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop, QString::fromLocal8Bit(SnapshotCaptionText(m_time).c_str()));
  painter->restore();
}

bool CSnapshotDlg::BurnCaption(PackedDib* picture) const {
  const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture->data(), picture->size());
  if (!h) return false;
  uint8_t* bits = picture->data() + sizeof(BITMAPINFOHEADER);
  QImage img = SnapshotPictureToImage(h, bits);
  if (img.isNull()) return false;
  {
    QPainter painter(&img);
    if (!painter.isActive()) return false;
    DrawCaption(&painter, true);
  }
  const int64_t stride = Stride24(h->biWidth);
  for (int y = 0; y < h->biHeight; ++y)
    std::memcpy(bits + (h->biHeight - 1 - y) * stride, img.constScanLine(y), static_cast<size_t>(h->biWidth) * 3);
  return true;
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
  const std::string path = m_chooseSavePath(this);
  if (path.empty() || !m_pDib) return;
  std::function<bool(PackedDib*)> burn;
  if (m_bCaption) burn = [this](PackedDib* p) { return BurnCaption(p); };
  const uint8_t* picture = reinterpret_cast<const uint8_t*>(m_pDib);
  if (!SaveSnapshotAs(path, picture, m_pictureSize, m_time, burn) && m_reportSaveFailure)
    m_reportSaveFailure(this, path);
}

bool ChooseCaptionFont(QWidget* parent, LOGFONT* lf, COLORREF* color) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, LogFontToQFont(*lf), parent, QStringLiteral("Font"));
  if (!ok) return false;
  const QColor c = QColorDialog::getColor(ColorRefToQColor(*color), parent, QStringLiteral("Colour"));
  *lf = QFontToLogFont(font, *lf);
  if (c.isValid()) *color = QColorToColorRef(c);
  return true;
}

std::string ChooseSnapshotSavePath(QWidget* parent) {
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
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().front().toStdString();
}

}  // namespace vt
