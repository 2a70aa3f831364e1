// Draws the player's dark skin and writes it as uncompressed 24-bit bitmaps under the folder
// given on the command line (the program's UI_P folder): bg/ for the frame and bar pieces, btn/
// for the five-strip buttons and the seek bar's five-frame elements.
//
// Sizes that must agree: the info bar, seek bar and button bar pieces share their bar's height;
// the thumb sits in rows 3-16 of the 20-row seek bar so that the groove tile (drawn from row 3)
// erases it exactly; the groove tile is the track tile's rows 3-16, so erasing leaves no trail.
#include <sys/stat.h>

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "skin/dib.h"
#include "skin/skin_files.h"

namespace {

using vt::CDib;

// Palette.
const QColor kBase(0x16, 0x1a, 0x1f);
const QColor kBaseTop(0x22, 0x28, 0x30);
const QColor kBaseBottom(0x0e, 0x11, 0x14);
const QColor kEdgeLight(0x3a, 0x43, 0x4e);
const QColor kEdgeDark(0x06, 0x07, 0x09);
const QColor kCyan(0x00, 0xc4, 0xc4);
const QColor kCyanBright(0x5c, 0xf0, 0xf0);
const QColor kCyanDim(0x0b, 0x5e, 0x60);
const QColor kIcon(0xd8, 0xde, 0xe4);
const QColor kIconDisabled(0x4a, 0x52, 0x5c);

// Bar sizes.
constexpr int kFrameSide = 6;    // frame and bar caps
constexpr int kFrameTop = 8;     // top frame height
constexpr int kTile = 32;        // middle tiles
constexpr int kInfoHeight = 22;
constexpr int kSeekHeight = 20;
constexpr int kGrooveTop = 3;    // groove tile rows 3..16
constexpr int kGrooveHeight = 14;
constexpr int kBarHeight = 40;
constexpr int kButtonW = 36, kButtonH = 32;
constexpr int kThumbW = 12, kThumbH = 14;
constexpr int kStepW = 18;  // previous / next element frame

std::string g_root;

bool MakeDir(const std::string& p) { return ::mkdir(p.c_str(), 0755) == 0 || errno == EEXIST; }

// Writes img (top-down) as a bottom-up 24-bit bitmap.
bool Save(const QImage& src, const char* name) {
  const QImage img = src.convertToFormat(QImage::Format_RGB888);
  const int w = img.width(), h = img.height();
  const int stride = static_cast<int>(vt::DibStride(24, w));
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * h, 0);
  for (int y = 0; y < h; ++y) {
    const uchar* in = img.constScanLine(h - 1 - y);
    uint8_t* out = pixels.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < w; ++x) {
      out[x * 3 + 0] = in[x * 3 + 2];
      out[x * 3 + 1] = in[x * 3 + 1];
      out[x * 3 + 2] = in[x * 3 + 0];
    }
  }
  vt::BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<uint32_t>(pixels.size());
  ih.biXPelsPerMeter = ih.biYPelsPerMeter = 2835;
  CDib dib(ih, pixels.data());
  const std::string path = g_root + "/" + name;
  if (!dib.Save(path)) {
    std::fprintf(stderr, "skin_gen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

QImage NewImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(kBase);
  return img;
}

// The bars' common body: a vertical gradient with a light top edge and a dark bottom edge.
void PaintBarBody(QPainter& p, int w, int h) {
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, kBaseTop);
  g.setColorAt(1, kBaseBottom);
  p.fillRect(0, 0, w, h, g);
  p.fillRect(0, 0, w, 1, kEdgeLight);
  p.fillRect(0, h - 1, w, 1, kEdgeDark);
}

// Cap of a bar: the body with a bevelled outer edge that continues the video frame's sides.
QImage BarCap(int h, bool left, const std::function<void(QPainter&, int, int)>& body) {
  QImage img = NewImage(kFrameSide, h);
  QPainter p(&img);
  body(p, kFrameSide, h);
  const int outer = left ? 0 : kFrameSide - 1;
  const int inner = left ? 1 : kFrameSide - 2;
  p.fillRect(outer, 0, 1, h, left ? kEdgeLight : kEdgeDark);
  p.fillRect(inner, 0, 1, h, QColor(0x2a, 0x31, 0x39));
  return img;
}

// ---- video frame ----

void PaintFrameSide(QPainter& p, int w, int h, bool left) {
  p.fillRect(0, 0, w, h, kBase);
  p.fillRect(left ? 0 : w - 1, 0, 1, h, left ? kEdgeLight : kEdgeDark);
  p.fillRect(left ? 1 : w - 2, 0, 1, h, QColor(0x2a, 0x31, 0x39));
  // Inner edge against the video: a dark line with a thin cyan accent.
  p.fillRect(left ? w - 1 : 0, 0, 1, h, kEdgeDark);
  p.fillRect(left ? w - 2 : 1, 0, 1, h, kCyanDim);
}

void PaintFrameTop(QPainter& p, int w, int h) {
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, kBaseTop);
  g.setColorAt(1, kBase);
  p.fillRect(0, 0, w, h, g);
  p.fillRect(0, 0, w, 1, kEdgeLight);
  p.fillRect(0, h - 2, w, 1, kCyanDim);
  p.fillRect(0, h - 1, w, 1, kEdgeDark);
}

bool MakeVideoFrame() {
  bool ok = true;
  {
    QImage img = NewImage(kTile, kFrameTop);
    QPainter p(&img);
    PaintFrameTop(p, kTile, kFrameTop);
    p.end();
    ok &= Save(img, vt::kVideoFrameFiles[1]);
  }
  for (bool left : {true, false}) {
    QImage img = NewImage(kFrameSide, kFrameTop);
    QPainter p(&img);
    PaintFrameTop(p, kFrameSide, kFrameTop);
    // Corner: the side's outer bevel runs up to the top edge.
    p.fillRect(left ? 0 : kFrameSide - 1, 0, 1, kFrameTop, left ? kEdgeLight : kEdgeDark);
    p.fillRect(left ? 1 : kFrameSide - 2, 1, 1, kFrameTop - 1, QColor(0x2a, 0x31, 0x39));
    p.fillRect(left ? kFrameSide - 2 : 1, kFrameTop - 2, 1, 2, kCyanDim);
    p.end();
    ok &= Save(img, vt::kVideoFrameFiles[left ? 0 : 2]);
  }
  for (bool left : {true, false}) {
    QImage img = NewImage(kFrameSide, kTile);
    QPainter p(&img);
    PaintFrameSide(p, kFrameSide, kTile, left);
    p.end();
    ok &= Save(img, vt::kVideoFrameFiles[left ? 3 : 4]);
  }
  return ok;
}

// ---- information bar: black band for the cyan line ----

void PaintInfoBody(QPainter& p, int w, int h) {
  p.fillRect(0, 0, w, h, Qt::black);
  p.fillRect(0, 0, w, 1, kEdgeDark);
  p.fillRect(0, 1, w, 1, kCyanDim);
  p.fillRect(0, h - 2, w, 1, QColor(0x1c, 0x21, 0x27));
  p.fillRect(0, h - 1, w, 1, kEdgeDark);
}

bool MakeInfoBar() {
  QImage mid = NewImage(kTile, kInfoHeight);
  {
    QPainter p(&mid);
    PaintInfoBody(p, kTile, kInfoHeight);
  }
  return Save(BarCap(kInfoHeight, true, PaintInfoBody), vt::kInfoBarBackground[0]) &&
         Save(mid, vt::kInfoBarBackground[1]) &&
         Save(BarCap(kInfoHeight, false, PaintInfoBody), vt::kInfoBarBackground[2]);
}

// ---- seek bar ----

// Rows 0-1 stay plain: the event marks go there.
void PaintTrack(QPainter& p, int w) {
  PaintBarBody(p, w, kSeekHeight);
  p.fillRect(0, 8, w, 1, kEdgeDark);
  p.fillRect(0, 9, w, 2, QColor(0x0a, 0x0c, 0x0f));
  p.fillRect(0, 11, w, 1, QColor(0x2e, 0x35, 0x3e));
}

bool MakeSeekBar() {
  QImage track = NewImage(kTile, kSeekHeight);
  {
    QPainter p(&track);
    PaintTrack(p, kTile);
  }
  const QImage groove = track.copy(0, kGrooveTop, kTile, kGrooveHeight);
  // The caps carry no groove: the previous and next elements stand between them and the track.
  auto body = [](QPainter& p, int w, int h) { PaintBarBody(p, w, h); };
  bool ok = Save(BarCap(kSeekHeight, true, body), vt::kSeekBarBackground[0]) && Save(track, vt::kSeekBarBackground[1]) &&
            Save(groove, vt::kSeekBarBackground[2]) && Save(BarCap(kSeekHeight, false, body), vt::kSeekBarBackground[3]);

  // Thumb: a rounded knob over the track's own rows, so its corners match the groove it covers.
  QImage thumb = NewImage(kThumbW * 5, kThumbH);
  {
    QPainter p(&thumb);
    for (int f = 0; f < 5; ++f) {
      p.drawImage(QRect(f * kThumbW, 0, kThumbW, kThumbH), groove, QRect(0, 0, kThumbW, kThumbH));
      p.setRenderHint(QPainter::Antialiasing);
      const QRectF knob(f * kThumbW + 1.5, 0.5, kThumbW - 3, kThumbH - 1);
      QLinearGradient g(0, 0, 0, kThumbH);
      QColor top, bottom, border;
      switch (f) {
        case 0: top = QColor(0x40, 0x46, 0x4e); bottom = QColor(0x2a, 0x2f, 0x35); border = QColor(0x1a, 0x1e, 0x23); break;
        case 2: top = QColor(0xb8, 0xff, 0xff); bottom = kCyan; border = QColor(0x00, 0x70, 0x70); break;
        case 3: top = QColor(0x00, 0x9a, 0x9a); bottom = QColor(0x00, 0x70, 0x70); border = QColor(0x00, 0x40, 0x40); break;
        case 4: top = kCyan; bottom = QColor(0x00, 0x8c, 0x8c); border = QColor(0x00, 0x50, 0x50); break;
        default: top = QColor(0xf0, 0xf3, 0xf6); bottom = QColor(0x9c, 0xa6, 0xb0); border = QColor(0x10, 0x13, 0x16); break;
      }
      g.setColorAt(0, top);
      g.setColorAt(1, bottom);
      p.setPen(QPen(border, 1));
      p.setBrush(g);
      p.drawRoundedRect(knob, 3, 3);
      // A grip line down the middle.
      p.setRenderHint(QPainter::Antialiasing, false);
      p.fillRect(f * kThumbW + kThumbW / 2 - 1, 4, 1, kThumbH - 8, bottom.darker(140));
      p.fillRect(f * kThumbW + kThumbW / 2, 4, 1, kThumbH - 8, top.lighter(110));
    }
  }
  ok &= Save(thumb, vt::kSeekElementFiles[0]);

  // Previous / next: a triangle against a bar, on the track's body.
  for (bool prev : {true, false}) {
    QImage img = NewImage(kStepW * 5, kSeekHeight);
    QPainter p(&img);
    for (int f = 0; f < 5; ++f) {
      p.save();
      p.translate(f * kStepW, 0);
      p.setClipRect(0, 0, kStepW, kSeekHeight);
      PaintBarBody(p, kStepW, kSeekHeight);
      const bool pressed = f == 3 || f == 4;
      const int shift = pressed ? 1 : 0;
      if (pressed) {
        p.fillRect(2, 3, kStepW - 4, kSeekHeight - 6, QColor(0x0a, 0x0d, 0x10));
        p.fillRect(2, 3, kStepW - 4, 1, kEdgeDark);
      } else if (f == 2) {
        p.fillRect(2, 3, kStepW - 4, kSeekHeight - 6, QColor(0x26, 0x2e, 0x37));
      }
      const QColor c = f == 0 ? kIconDisabled : f == 1 ? kIcon : f == 2 ? kCyanBright : kCyan;
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      const double cy = kSeekHeight / 2.0 + shift;
      const double x0 = 5 + shift;
      QPolygonF tri;
      if (prev) {
        p.fillRect(QRectF(x0, cy - 4.5, 2, 9), c);
        tri << QPointF(x0 + 9, cy - 4.5) << QPointF(x0 + 2.5, cy) << QPointF(x0 + 9, cy + 4.5);
      } else {
        p.fillRect(QRectF(x0 + 7, cy - 4.5, 2, 9), c);
        tri << QPointF(x0, cy - 4.5) << QPointF(x0 + 6.5, cy) << QPointF(x0, cy + 4.5);
      }
      p.drawPolygon(tri);
      p.restore();
    }
    p.end();
    ok &= Save(img, vt::kSeekElementFiles[prev ? 1 : 2]);
  }
  return ok;
}

// ---- button bar ----

bool MakeButtonBarBackground() {
  QImage mid = NewImage(kTile, kBarHeight);
  {
    QPainter p(&mid);
    PaintBarBody(p, kTile, kBarHeight);
  }
  auto body = [](QPainter& p, int w, int h) { PaintBarBody(p, w, h); };
  return Save(BarCap(kBarHeight, true, body), vt::kButtonBarBackground[0]) && Save(mid, vt::kButtonBarBackground[1]) &&
         Save(BarCap(kBarHeight, false, body), vt::kButtonBarBackground[2]);
}

using IconFn = std::function<void(QPainter&, const QColor&)>;

// Icons are drawn in a 16 x 16 box whose origin the caller has placed.
void IconPlay(QPainter& p, const QColor& c) {
  p.setBrush(c);
  p.drawPolygon(QPolygonF() << QPointF(4, 2) << QPointF(14, 8) << QPointF(4, 14));
}
void IconPause(QPainter& p, const QColor& c) {
  p.fillRect(QRectF(3.5, 2.5, 3.5, 11), c);
  p.fillRect(QRectF(9.5, 2.5, 3.5, 11), c);
}
void IconStop(QPainter& p, const QColor& c) {
  p.setBrush(c);
  p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
}
void IconBackward(QPainter& p, const QColor& c) {
  p.setBrush(c);
  p.drawPolygon(QPolygonF() << QPointF(8, 3) << QPointF(1, 8) << QPointF(8, 13));
  p.drawPolygon(QPolygonF() << QPointF(15, 3) << QPointF(8, 8) << QPointF(15, 13));
}
void IconForward(QPainter& p, const QColor& c) {
  p.setBrush(c);
  p.drawPolygon(QPolygonF() << QPointF(1, 3) << QPointF(8, 8) << QPointF(1, 13));
  p.drawPolygon(QPolygonF() << QPointF(8, 3) << QPointF(15, 8) << QPointF(8, 13));
}
void IconSnapshot(QPainter& p, const QColor& c) {
  QPainterPath body;
  body.addRoundedRect(QRectF(0.5, 4, 15, 10.5), 2, 2);
  body.addRect(QRectF(5, 1.5, 6, 3));
  QPainterPath lens;
  lens.addEllipse(QPointF(8, 9.25), 3.6, 3.6);
  p.setBrush(c);
  p.drawPath(body.simplified().subtracted(lens));
  p.drawEllipse(QPointF(8, 9.25), 1.8, 1.8);
}
void IconZoom(QPainter& p, const QColor& c) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(c, 2));
  p.drawEllipse(QPointF(6.5, 6.5), 4.8, 4.8);
  p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
  p.setPen(QPen(c, 1.6));
  p.drawLine(QPointF(4.2, 6.5), QPointF(8.8, 6.5));
  p.drawLine(QPointF(6.5, 4.2), QPointF(6.5, 8.8));
  p.setPen(Qt::NoPen);
}
void IconSpeed(QPainter& p, const QColor& c) {
  // A gauge: an arc with ticks and a needle leaning to the fast side.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::FlatCap));
  p.drawArc(QRectF(1.5, 2.5, 13, 13), 200 * 16, -220 * 16);
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 9), QPointF(12.2, 5));
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPointF(8, 9), 2, 2);
}

// One five-strip button: strips listed from the bottom of the picture (0 disabled, 1 unused,
// 2 pressed, 3 hover, 4 normal), so strip k is drawn at top-down row (4 - k) * height.
QImage Button(const IconFn& icon) {
  QImage img = NewImage(kButtonW, kButtonH * 5);
  QPainter p(&img);
  for (int strip = 0; strip < 5; ++strip) {
    p.save();
    p.translate(0, (4 - strip) * kButtonH);
    p.setClipRect(0, 0, kButtonW, kButtonH);
    // The strip stands on the bar's own gradient, rows 4..35 of its 40.
    QLinearGradient bar(0, -4, 0, kBarHeight - 4);
    bar.setColorAt(0, kBaseTop);
    bar.setColorAt(1, kBaseBottom);
    p.fillRect(0, 0, kButtonW, kButtonH, bar);

    QColor faceTop, faceBottom, border, glyph;
    int shift = 0;
    switch (strip) {
      case 0:
        faceTop = QColor(0x1c, 0x20, 0x25); faceBottom = QColor(0x17, 0x1a, 0x1e);
        border = QColor(0x26, 0x2b, 0x31); glyph = kIconDisabled; break;
      case 2:
        faceTop = QColor(0x0a, 0x0d, 0x10); faceBottom = QColor(0x16, 0x1b, 0x21);
        border = QColor(0x00, 0x9a, 0x9a); glyph = kCyan; shift = 1; break;
      case 3:
        faceTop = QColor(0x34, 0x3e, 0x4a); faceBottom = QColor(0x22, 0x29, 0x31);
        border = kCyan; glyph = kCyanBright; break;
      default:
        faceTop = QColor(0x2c, 0x33, 0x3c); faceBottom = QColor(0x1c, 0x21, 0x27);
        border = QColor(0x3c, 0x45, 0x50); glyph = kIcon; break;
    }
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 2, 0, kButtonH - 2);
    face.setColorAt(0, faceTop);
    face.setColorAt(1, faceBottom);
    p.setPen(QPen(border, 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(2.5, 2.5, kButtonW - 5, kButtonH - 5), 4, 4);
    if (strip == 2) {  // inner shadow along the top of a pressed face
      p.setPen(QPen(QColor(0, 0, 0, 160), 1));
      p.drawLine(QPointF(5, 4), QPointF(kButtonW - 5, 4));
    }
    p.setPen(Qt::NoPen);
    p.translate((kButtonW - 16) / 2.0 + shift, (kButtonH - 16) / 2.0 + shift);
    icon(p, glyph);
    p.restore();
  }
  return img;
}

bool MakeButtons() {
  const IconFn icons[vt::kButtonCount] = {IconPlay, IconPause, IconStop, IconBackward,
                                          IconForward, IconSnapshot, IconZoom, IconSpeed};
  bool ok = true;
  for (int i = 0; i < vt::kButtonCount; ++i) ok &= Save(Button(icons[i]), vt::kButtonFiles[i]);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <UI_P folder>\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  g_root = argv[1];
  if (!MakeDir(g_root) || !MakeDir(g_root + "/bg") || !MakeDir(g_root + "/btn")) {
    std::fprintf(stderr, "skin_gen: cannot create %s\n", g_root.c_str());
    return 1;
  }
  const bool ok = MakeVideoFrame() && MakeInfoBar() && MakeSeekBar() && MakeButtonBarBackground() && MakeButtons();
  return ok ? 0 : 1;
}
