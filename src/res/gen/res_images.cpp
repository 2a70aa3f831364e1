#include "res/gen/res_images.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace vt {

namespace {

QImage NewCanvas(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

void Begin(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
}

// A thick line with a darker rim: the rim first, the body on top.
void RimmedStroke(QPainter& p, const QPainterPath& path, QColor body, QColor rim, qreal width,
                  Qt::PenCapStyle cap = Qt::RoundCap) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(rim, width + 2, Qt::SolidLine, cap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(QPen(body, width, Qt::SolidLine, cap, Qt::RoundJoin));
  p.drawPath(path);
}

// Arc around c with radius r from startDeg over spanDeg (counter-clockwise on screen for a
// positive span), ending in an arrowhead.
void ArrowArc(QPainter& p, QPointF c, qreal r, qreal startDeg, qreal spanDeg, QColor body,
              QColor rim, qreal width, qreal head) {
  QPainterPath arc;
  QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
  arc.arcMoveTo(box, startDeg);
  arc.arcTo(box, startDeg, spanDeg);
  RimmedStroke(p, arc, body, rim, width, Qt::FlatCap);
  const qreal t = (startDeg + spanDeg) * M_PI / 180.0;
  const QPointF end(c.x() + r * std::cos(t), c.y() - r * std::sin(t));
  const qreal sgn = spanDeg >= 0 ? 1.0 : -1.0;
  const QPointF dir(-std::sin(t) * sgn, -std::cos(t) * sgn);
  const QPointF normal(std::cos(t), -std::sin(t));
  QPolygonF tri;
  tri << end + dir * head << end + normal * head - dir * 0.5 << end - normal * head - dir * 0.5;
  p.setPen(QPen(rim, 1.0));
  p.setBrush(body);
  p.drawPolygon(tri);
}

void DrawFolder(QPainter& p, qreal x, qreal y, qreal w, qreal h, bool open) {
  const QColor rim(110, 70, 0);
  // Back panel with its tab.
  QPainterPath back;
  back.moveTo(x, y + h * 0.15);
  back.lineTo(x + w * 0.38, y + h * 0.15);
  back.lineTo(x + w * 0.46, y + h * 0.28);
  back.lineTo(x + w, y + h * 0.28);
  back.lineTo(x + w, y + h);
  back.lineTo(x, y + h);
  back.closeSubpath();
  p.setPen(QPen(rim, 1.0));
  p.setBrush(QColor(214, 160, 20));
  p.drawPath(back);
  // Front flap: slanted when open.
  QPainterPath front;
  if (open) {
    front.moveTo(x + w * 0.18, y + h * 0.45);
    front.lineTo(x + w + 1.5, y + h * 0.45);
    front.lineTo(x + w * 0.85, y + h);
    front.lineTo(x, y + h);
  } else {
    front.moveTo(x, y + h * 0.40);
    front.lineTo(x + w, y + h * 0.40);
    front.lineTo(x + w, y + h);
    front.lineTo(x, y + h);
  }
  front.closeSubpath();
  QLinearGradient g(x, y + h * 0.4, x, y + h);
  g.setColorAt(0, QColor(255, 228, 110));
  g.setColorAt(1, QColor(246, 190, 40));
  p.setBrush(g);
  p.drawPath(front);
}

void DrawCylinder(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
  const qreal eh = h * 0.28;  // ellipse height
  const QColor rim(40, 55, 80);
  QLinearGradient g(x, 0, x + w, 0);
  g.setColorAt(0, QColor(150, 170, 200));
  g.setColorAt(0.4, QColor(235, 242, 252));
  g.setColorAt(1, QColor(120, 140, 175));
  QPainterPath body;
  body.moveTo(x, y + eh / 2);
  body.lineTo(x, y + h - eh / 2);
  body.arcTo(QRectF(x, y + h - eh, w, eh), 180, 180);
  body.lineTo(x + w, y + eh / 2);
  body.arcTo(QRectF(x, y, w, eh), 0, -180);
  body.closeSubpath();
  p.setPen(QPen(rim, 1.0));
  p.setBrush(g);
  p.drawPath(body);
  // Bands between the platters.
  p.setBrush(Qt::NoBrush);
  for (int i = 1; i <= 2; ++i) {
    const qreal yy = y + (h - eh) * i / 3.0;
    p.drawArc(QRectF(x, yy, w, eh), 180 * 16, 180 * 16);
  }
  p.setBrush(QColor(200, 215, 238));
  p.drawEllipse(QRectF(x, y, w, eh));
}

void DrawTick(QPainter& p, QPointF a, QPointF b, QPointF c, QColor body, QColor rim, qreal width) {
  QPainterPath tick;
  tick.moveTo(a);
  tick.lineTo(b);
  tick.lineTo(c);
  RimmedStroke(p, tick, body, rim, width);
}

void DrawFilmStrip(QPainter& p, QColor base, QColor frame, QColor dark) {
  // The strip lies across the 16 x 16 cell.
  const QRectF strip(1, 3, 14, 10);
  p.setPen(QPen(dark, 1.0));
  p.setBrush(base);
  p.drawRect(strip.adjusted(0.5, 0.5, -0.5, -0.5));
  p.setPen(Qt::NoPen);
  p.setBrush(dark);
  for (int i = 0; i < 4; ++i) {
    const qreal hx = 2.5 + i * 3.2;
    p.drawRect(QRectF(hx, 4.2, 1.8, 1.6));
    p.drawRect(QRectF(hx, 10.2, 1.8, 1.6));
  }
  p.setBrush(frame);
  p.drawRect(QRectF(2.5, 6.5, 5, 3));
  p.drawRect(QRectF(8.5, 6.5, 5, 3));
}

}  // namespace

QImage FlattenOnKey(const QImage& argb, QRgb key) {
  const QImage src = argb.convertToFormat(QImage::Format_ARGB32);
  QImage out(src.size(), QImage::Format_RGB32);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < src.width(); ++x) {
      const QRgb px = in[x];
      if (qAlpha(px) < 128) {
        o[x] = key;
        continue;
      }
      QRgb c = qRgb(qRed(px), qGreen(px), qBlue(px));
      if ((c & 0xFFFFFF) == (key & 0xFFFFFF)) c = qRgb(qRed(px), qGreen(px), qBlue(px) ^ 1);
      o[x] = c;
    }
  }
  return out;
}

namespace {
void DrawSpeaker(QPainter& p) {
  QPolygonF speaker;
  speaker << QPointF(2.5, 9) << QPointF(7, 9) << QPointF(12.5, 3.5) << QPointF(12.5, 20.5) << QPointF(7, 15)
          << QPointF(2.5, 15);
  QLinearGradient g(0, 3, 0, 21);
  g.setColorAt(0, QColor(235, 235, 240));
  g.setColorAt(1, QColor(160, 165, 175));
  p.setPen(QPen(QColor(30, 30, 40), 1.0));
  p.setBrush(g);
  p.drawPolygon(speaker);
}
}  // namespace

QImage DrawToolbarImage(int index) {
  QImage img = NewCanvas(kToolbarImageSize, kToolbarImageSize);
  QPainter p(&img);
  Begin(p);
  switch (index) {
    case kTbOpen:
      DrawFolder(p, 1.5, 3.5, 20, 17, true);
      break;
    case kTbReturn: {
      // Back to the main database: a cylinder and a green arrow turning back to it.
      DrawCylinder(p, 1.5, 3.5, 10, 17);
      QPainterPath path;
      path.moveTo(20.5, 21);
      path.lineTo(20.5, 11);
      path.quadTo(20.5, 7, 16.5, 7);
      path.lineTo(15.5, 7);
      RimmedStroke(p, path, QColor(60, 200, 80), QColor(20, 90, 30), 3.2, Qt::FlatCap);
      QPolygonF head;
      head << QPointF(9.5, 7) << QPointF(15.5, 1.5) << QPointF(15.5, 12.5);
      p.setPen(QPen(QColor(20, 90, 30), 1.0));
      p.setBrush(QColor(60, 200, 80));
      p.drawPolygon(head);
      break;
    }
    case kTbUpdate: {
      const QColor body(70, 160, 250), rim(15, 60, 130);
      ArrowArc(p, QPointF(12, 12), 7.5, 20, 150, body, rim, 3.0, 4.0);
      ArrowArc(p, QPointF(12, 12), 7.5, 200, 150, body, rim, 3.0, 4.0);
      break;
    }
    case kTbRebuild: {
      DrawCylinder(p, 1.5, 2.5, 13, 19);
      ArrowArc(p, QPointF(16.5, 15.5), 5.0, 90, 270, QColor(255, 150, 30), QColor(130, 60, 0),
               2.6, 3.4);
      break;
    }
    case kTbSave: {
      const QColor rim(15, 30, 70);
      QPainterPath disk;
      disk.moveTo(2.5, 3.5);
      disk.lineTo(18.5, 3.5);
      disk.lineTo(21.5, 6.5);
      disk.lineTo(21.5, 21.5);
      disk.lineTo(2.5, 21.5);
      disk.closeSubpath();
      QLinearGradient g(0, 3, 0, 22);
      g.setColorAt(0, QColor(70, 110, 200));
      g.setColorAt(1, QColor(35, 65, 150));
      p.setPen(QPen(rim, 1.0));
      p.setBrush(g);
      p.drawPath(disk);
      p.setBrush(QColor(200, 205, 215));  // shutter
      p.drawRect(QRectF(7.5, 3.5, 9, 6));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(35, 65, 150));
      p.drawRect(QRectF(13, 4.5, 2, 4));
      p.setPen(QPen(rim, 1.0));
      p.setBrush(QColor(250, 250, 245));  // label
      p.drawRect(QRectF(5.5, 12.5, 13, 9));
      p.setPen(QPen(QColor(150, 160, 180), 1.0));
      p.drawLine(QPointF(7.5, 15.5), QPointF(16.5, 15.5));
      p.drawLine(QPointF(7.5, 18.5), QPointF(16.5, 18.5));
      break;
    }
    case kTbDelete: {
      QPainterPath x;
      x.moveTo(5, 5);
      x.lineTo(19, 19);
      x.moveTo(19, 5);
      x.lineTo(5, 19);
      RimmedStroke(p, x, QColor(235, 40, 40), QColor(110, 0, 0), 4.0);
      break;
    }
    case kTbSoundOn: {
      DrawSpeaker(p);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(30, 30, 40), 1.6, Qt::SolidLine, Qt::RoundCap));
      p.drawArc(QRectF(9.5, 7, 8, 10), -50 * 16, 100 * 16);
      p.drawArc(QRectF(8.5, 3.5, 13, 17), -50 * 16, 100 * 16);
      break;
    }
    case kTbMute: {
      DrawSpeaker(p);
      QPainterPath x;
      x.moveTo(15.5, 9);
      x.lineTo(21.5, 15);
      x.moveTo(21.5, 9);
      x.lineTo(15.5, 15);
      RimmedStroke(p, x, QColor(240, 50, 50), QColor(110, 0, 0), 2.4);
      break;
    }
    case kTbAbout: {
      QRadialGradient g(QPointF(9, 8), 14);
      g.setColorAt(0, QColor(110, 175, 255));
      g.setColorAt(1, QColor(25, 80, 190));
      p.setPen(QPen(QColor(10, 40, 110), 1.0));
      p.setBrush(g);
      p.drawEllipse(QPointF(12, 12), 10, 10);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(12, 7), 1.9, 1.9);
      p.drawRoundedRect(QRectF(10.3, 10, 3.4, 9), 1, 1);
      break;
    }
    default:
      break;
  }
  p.end();
  return FlattenOnKey(img, kToolbarKeyColour);
}

QImage DrawToolbarStrip() {
  QImage strip(kToolbarImageSize * kToolbarImageCount, kToolbarImageSize, QImage::Format_RGB32);
  strip.fill(kToolbarKeyColour);
  QPainter p(&strip);
  for (int i = 0; i < kToolbarImageCount; ++i) p.drawImage(i * kToolbarImageSize, 0, DrawToolbarImage(i));
  p.end();
  return strip;
}

QImage DrawTreeBitmap(int resourceId) {
  QImage img = NewCanvas(kTreeImageSize, kTreeImageSize);
  QPainter p(&img);
  Begin(p);
  switch (resourceId) {
    case kBmpFolder:
      DrawFolder(p, 0.5, 1.5, 15, 13, false);
      break;
    case kBmpFolderTick:
      DrawFolder(p, 0.5, 1.5, 15, 13, true);
      DrawTick(p, QPointF(5, 9), QPointF(8, 12.5), QPointF(14, 4), QColor(230, 20, 20),
               QColor(100, 0, 0), 2.2);
      break;
    case kBmpFilmGreen:
      DrawFilmStrip(p, QColor(170, 230, 160), QColor(225, 250, 215), QColor(40, 100, 40));
      break;
    case kBmpFilmGreenTick:
      DrawFilmStrip(p, QColor(50, 190, 60), QColor(150, 240, 150), QColor(10, 80, 10));
      DrawTick(p, QPointF(4.5, 8), QPointF(7.5, 11.5), QPointF(13.5, 3), QColor(0, 0, 0),
               QColor(190, 250, 190), 2.0);
      break;
    case kBmpFilmRed:
      DrawFilmStrip(p, QColor(220, 50, 50), QColor(255, 170, 160), QColor(100, 0, 0));
      break;
    case kBmpFilmRedTick:
      DrawFilmStrip(p, QColor(220, 50, 50), QColor(255, 170, 160), QColor(100, 0, 0));
      DrawTick(p, QPointF(4.5, 8), QPointF(7.5, 11.5), QPointF(13.5, 3), QColor(255, 150, 205),
               QColor(90, 0, 40), 2.0);
      break;
    default:
      return QImage();
  }
  p.end();
  return FlattenOnKey(img, kTreeKeyColour);
}

QImage DrawSplash() {
  QImage img(kSplashWidth, kSplashHeight, QImage::Format_RGB32);
  QPainter p(&img);
  Begin(p);
  QLinearGradient bg(0, 0, 0, kSplashHeight);
  bg.setColorAt(0, QColor(18, 40, 70));
  bg.setColorAt(1, QColor(6, 14, 28));
  p.fillRect(img.rect(), bg);
  // Film strip along the bottom edge.
  p.fillRect(QRectF(0, kSplashHeight - 22, kSplashWidth, 18), QColor(25, 25, 30));
  p.setBrush(QColor(90, 100, 115));
  p.setPen(Qt::NoPen);
  for (int x = 6; x < kSplashWidth; x += 14) {
    p.drawRoundedRect(QRectF(x, kSplashHeight - 20, 7, 3.5), 1, 1);
    p.drawRoundedRect(QRectF(x, kSplashHeight - 9.5, 7, 3.5), 1, 1);
  }
  // Lens: rings around a glowing centre.
  const QPointF lens(62, 50);
  QRadialGradient rg(lens, 38);
  rg.setColorAt(0, QColor(120, 220, 255));
  rg.setColorAt(0.35, QColor(20, 90, 160));
  rg.setColorAt(0.8, QColor(10, 25, 45));
  rg.setColorAt(1, QColor(80, 95, 115));
  p.setBrush(rg);
  p.setPen(QPen(QColor(160, 175, 195), 2));
  p.drawEllipse(lens, 36, 36);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 60, 85), 3));
  p.drawEllipse(lens, 26, 26);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(QPointF(lens.x() - 10, lens.y() - 11), 6, 4);
  // Play triangle in the lens.
  QPolygonF play;
  play << QPointF(lens.x() - 7, lens.y() - 11) << QPointF(lens.x() + 12, lens.y())
       << QPointF(lens.x() - 7, lens.y() + 11);
  p.setBrush(QColor(255, 255, 255, 230));
  p.drawPolygon(play);
  // Name.
  QFont title("DejaVu Sans", 26, QFont::Bold);
  title.setPixelSize(28);
  p.setFont(title);
  p.setPen(QColor(235, 242, 255));
  p.drawText(QRectF(112, 14, kSplashWidth - 118, 40), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Vantor 2 Player"));
  QFont sub("DejaVu Sans");
  sub.setPixelSize(13);
  p.setFont(sub);
  p.setPen(QColor(120, 200, 255));
  p.drawText(QRectF(114, 54, kSplashWidth - 118, 22), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Surveillance recordings player for Linux"));
  p.setPen(QPen(QColor(120, 200, 255, 120), 1));
  p.drawLine(QPointF(114, 54), QPointF(kSplashWidth - 14, 54));
  p.end();
  return img;
}

QImage DrawAppIcon(int size) {
  QImage img = NewCanvas(size, size);
  QPainter p(&img);
  Begin(p);
  p.scale(size / 64.0, size / 64.0);
  QLinearGradient bg(0, 0, 0, 64);
  bg.setColorAt(0, QColor(35, 80, 135));
  bg.setColorAt(1, QColor(12, 30, 60));
  p.setPen(QPen(QColor(8, 20, 40), 1.5));
  p.setBrush(bg);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  // Camera body with its lens, on a bracket.
  p.setPen(QPen(QColor(20, 30, 45), 1.2));
  QLinearGradient body(0, 14, 0, 34);
  body.setColorAt(0, QColor(245, 248, 252));
  body.setColorAt(1, QColor(170, 180, 195));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(10, 14, 34, 18), 4, 4);
  p.setBrush(QColor(190, 200, 215));
  QPolygonF hood;
  hood << QPointF(44, 16) << QPointF(54, 12) << QPointF(54, 34) << QPointF(44, 30);
  p.drawPolygon(hood);
  p.setBrush(QColor(150, 160, 175));
  p.drawRect(QRectF(22, 32, 6, 8));
  p.drawRect(QRectF(14, 40, 22, 4));
  // Play badge.
  p.setPen(QPen(QColor(10, 60, 20), 1.2));
  p.setBrush(QColor(70, 200, 90));
  p.drawEllipse(QPointF(44, 46), 12, 12);
  QPolygonF play;
  play << QPointF(40, 39.5) << QPointF(52, 46) << QPointF(40, 52.5);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(play);
  p.end();
  return img;
}

}  // namespace vt
