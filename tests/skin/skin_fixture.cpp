#include "skin_fixture.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <QPainter>

#include <cstdlib>
#include <vector>

#include "skin/dib.h"
#include "skin/skin_files.h"

namespace vt::test {

QColor LeftCapColor() { return QColor(200, 0, 0); }
QColor RightCapColor() { return QColor(0, 0, 200); }
QColor TileColor() { return QColor(0, 120, 0); }
QColor TileMarkColor() { return QColor(250, 250, 0); }
QColor GrooveColor() { return QColor(150, 0, 150); }
QColor StripColor(int k) { return QColor(40 + 50 * k, 60, 70); }
QColor ThumbFrameColor(int k) { return QColor(250, 40 + 50 * k, 10); }
QColor StepFrameColor(int k) { return QColor(10, 40 + 50 * k, 250); }

namespace {

QImage Flat(int w, int h, const QColor& c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

QImage Tile(int w, int h, const QColor& body) {
  QImage img = Flat(w, h, body);
  QPainter(&img).fillRect(0, 0, 1, h, TileMarkColor());
  return img;
}

// Frames side by side, frame k in colour(k).
QImage Frames(int w, int h, QColor (*colour)(int)) {
  QImage img(w * 5, h, QImage::Format_RGB32);
  QPainter p(&img);
  for (int k = 0; k < 5; ++k) p.fillRect(k * w, 0, w, h, colour(k));
  return img;
}

// Strips stacked, strip 0 at the bottom.
QImage Strips(int w, int stripH) {
  QImage img(w, stripH * 5, QImage::Format_RGB32);
  QPainter p(&img);
  for (int k = 0; k < 5; ++k) p.fillRect(0, (4 - k) * stripH, w, stripH, StripColor(k));
  return img;
}

}  // namespace

SkinFixture::SkinFixture(const FixtureSizes& s) : m_sizes(s) {
  char tmpl[] = "/tmp/vt_skin_XXXXXX";
  if (mkdtemp(tmpl)) m_folder = tmpl;
  ::mkdir((m_folder + "/bg").c_str(), 0755);
  ::mkdir((m_folder + "/btn").c_str(), 0755);
  // Button bar and information bar.
  for (const char* const* table : {kButtonBarBackground, kInfoBarBackground}) {
    const int h = table == kButtonBarBackground ? s.barH : s.infoH;
    Write(table[0], Flat(s.capW, h, LeftCapColor()));
    Write(table[1], Tile(s.midW, h, TileColor()));
    Write(table[2], Flat(s.capW, h, RightCapColor()));
  }
  for (const char* name : kButtonFiles) Write(name, Strips(s.buttonW, s.buttonStripH));
  // Seek bar.
  Write(kSeekBarBackground[0], Flat(s.seekCapW, s.seekH, LeftCapColor()));
  Write(kSeekBarBackground[1], Tile(s.seekTileW, s.seekH, TileColor()));
  Write(kSeekBarBackground[2], Flat(s.seekTileW, s.grooveH, GrooveColor()));
  Write(kSeekBarBackground[3], Flat(s.seekCapW, s.seekH, RightCapColor()));
  Write(kSeekElementFiles[0], Frames(s.thumbW, s.thumbH, ThumbFrameColor));
  Write(kSeekElementFiles[1], Frames(s.stepW, s.stepH, StepFrameColor));
  Write(kSeekElementFiles[2], Frames(s.stepW, s.stepH, StepFrameColor));
}

SkinFixture::~SkinFixture() {
  if (!m_folder.empty()) std::system(("rm -rf '" + m_folder + "'").c_str());
}

void SkinFixture::Write(const std::string& name, const QImage& src) const {
  const QImage img = src.convertToFormat(QImage::Format_RGB888);
  const int w = img.width(), h = img.height();
  const int stride = static_cast<int>(DibStride(24, w));
  std::vector<uint8_t> px(static_cast<size_t>(stride) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uchar* in = img.constScanLine(h - 1 - y) + x * 3;
      uint8_t* out = px.data() + static_cast<size_t>(y) * stride + x * 3;
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  BITMAPINFOHEADER ih{};
  ih.biSize = 40;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<uint32_t>(px.size());
  CDib(ih, px.data()).Save(m_folder + "/" + name);
}

bool PixelIs(const QImage& img, int x, int y, const QColor& c) {
  return img.valid(x, y) && QColor(img.pixel(x, y)).rgb() == c.rgb();
}

}  // namespace vt::test
