#include "demo/demo_frame.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "platform/local_time.h"

namespace vt::demo {

namespace {

QColor FromRgb(uint32_t rgb) { return QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff); }

// White text with a dark outline, readable on any part of the scene.
void OutlinedText(QPainter& p, const QRect& box, int flags, const QFont& font, const QString& text,
                  const QColor& colour = Qt::white) {
  p.setFont(font);
  p.setPen(QColor(0, 0, 0, 200));
  for (int dx = -2; dx <= 2; dx += 2)
    for (int dy = -2; dy <= 2; dy += 2)
      if (dx || dy) p.drawText(box.translated(dx, dy), flags, text);
  p.setPen(colour);
  p.drawText(box, flags, text);
}

QFont MakeFont(int pixelSize, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  return f;
}

}  // namespace

time32 DemoFrameTime(time32 start, int frame, int fps) { return start + (fps > 0 ? frame / fps : 0); }

CDemoPainter::CDemoPainter(int width, int height)
    : m_nWidth(width),
      m_nHeight(height),
      m_fontClock(MakeFont(height / 6, true)),
      m_fontDate(MakeFont(height / 13, true)),
      m_fontLabel(MakeFont(height / 15, true)) {}

void CDemoPainter::BuildScene(uint32_t rgbSky) {
  const int w = m_nWidth, h = m_nHeight;
  m_scene = QImage(w, h, QImage::Format_RGBX8888);
  QPainter p(&m_scene);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor sky = FromRgb(rgbSky);
  QLinearGradient grad(0, 0, 0, h * 0.62);
  grad.setColorAt(0, sky.lighter(140));
  grad.setColorAt(1, sky);
  p.fillRect(0, 0, w, h, grad);
  // Ground and a road.
  const int horizon = h * 62 / 100;
  p.fillRect(0, horizon, w, h - horizon, QColor(70, 74, 70));
  p.fillRect(0, h * 80 / 100, w, h / 10, QColor(45, 45, 48));
  for (int x = 0; x < w; x += w / 8) p.fillRect(x, h * 85 / 100, w / 16, 2, QColor(220, 220, 200));
  // A building in a darker shade of the camera's colour.
  const QRect house(w * 6 / 10, horizon - h * 26 / 100, w * 3 / 10, h * 26 / 100);
  p.fillRect(house, sky.darker(220));
  QPainterPath roof;
  roof.moveTo(house.left() - 6, house.top());
  roof.lineTo(house.center().x(), house.top() - h / 9);
  roof.lineTo(house.right() + 6, house.top());
  roof.closeSubpath();
  p.fillPath(roof, sky.darker(300));
  for (int i = 0; i < 2; ++i)
    p.fillRect(house.left() + house.width() * (1 + 2 * i) / 5, house.top() + house.height() / 4, house.width() / 5,
               house.height() / 4, QColor(250, 230, 150));
  m_rgbScene = rgbSky;
}

void CDemoPainter::BuildOverlay(const DemoFrameInfo& info, time32 t) {
  const int w = m_nWidth, h = m_nHeight;
  const int r = h / 10;
  if (m_overlay.isNull()) m_overlay = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
  m_overlay.fill(Qt::transparent);
  QPainter p(&m_overlay);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QString clock = QString::fromStdString(FormatLocalTime(t, "%H:%M:%S"));
  const QString date = QString::fromStdString(FormatLocalTime(t, "%Y-%m-%d"));
  OutlinedText(p, QRect(10, 6, w - 2 * r - 30, h / 12), Qt::AlignLeft | Qt::AlignVCenter, m_fontLabel,
               QString::fromStdString(info.strCamera));
  OutlinedText(p, QRect(0, h * 22 / 100, w, h / 5), Qt::AlignCenter, m_fontClock, clock);
  OutlinedText(p, QRect(0, h * 42 / 100, w, h / 10), Qt::AlignCenter, m_fontDate, date);
  OutlinedText(p, QRect(28, h - 28, 60, 24), Qt::AlignLeft | Qt::AlignVCenter, m_fontLabel, QStringLiteral("REC"));
  if (info.bEvent)
    OutlinedText(p, QRect(w / 2, h - 28, w / 2 - 10, 24), Qt::AlignRight | Qt::AlignVCenter, m_fontLabel,
                 QStringLiteral("EVENT"), QColor(255, 220, 40));
  m_tOverlay = t;
  m_bOverlayEvent = info.bEvent;
  m_strOverlayCamera = info.strCamera;
}

void CDemoPainter::Draw(QImage* image, const DemoFrameInfo& info) {
  if (info.rgbSky != m_rgbScene || m_scene.isNull()) BuildScene(info.rgbSky);
  const int w = m_nWidth, h = m_nHeight;
  QPainter p(image);
  p.drawImage(0, 0, m_scene);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // A car that crosses the picture every four seconds, so each frame differs from the last.
  const int period = info.nFps * 4;
  const int carW = w / 6, carH = h / 14;
  const int x = (info.nFrame % period) * (w + carW) / period - carW;
  const int y = h * 80 / 100 + h / 10 - carH - 3;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 30, 30));
  p.drawRoundedRect(QRect(x, y, carW, carH), 4, 4);
  p.drawRoundedRect(QRect(x + carW / 5, y - carH * 2 / 3, carW * 3 / 5, carH), 4, 4);
  p.setBrush(Qt::black);
  p.drawEllipse(QPoint(x + carW / 4, y + carH), carH / 3, carH / 3);
  p.drawEllipse(QPoint(x + carW * 3 / 4, y + carH), carH / 3, carH / 3);

  // Seconds dial: the hand goes round once a second.
  const QPoint c(w - h / 10 - 8, h / 10 + 8);
  const int r = h / 10;
  p.setBrush(QColor(255, 255, 255, 190));
  p.drawEllipse(c, r, r);
  const double a = 2 * M_PI * (info.nFrame % info.nFps) / info.nFps;
  p.setPen(QPen(QColor(20, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, c + QPoint(static_cast<int>(std::lround(std::sin(a) * (r - 4))),
                           static_cast<int>(std::lround(-std::cos(a) * (r - 4)))));

  const time32 t = DemoFrameTime(info.tStart, info.nFrame, info.nFps);
  if (m_overlay.isNull() || t != m_tOverlay || info.bEvent != m_bOverlayEvent || info.strCamera != m_strOverlayCamera)
    BuildOverlay(info, t);
  p.drawImage(0, 0, m_overlay);

  // Recording mark, blinking once a second.
  if ((info.nFrame % info.nFps) < info.nFps / 2) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 20, 20));
    p.drawEllipse(QPoint(16, h - 16), 7, 7);
  }
}

}  // namespace vt::demo
