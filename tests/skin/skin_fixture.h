// A test skin written by code into a temporary folder: every piece a flat, distinct colour, so
// that a rendered pixel tells which piece (and which strip or frame) was drawn there.
#pragma once

#include <QColor>
#include <QImage>

#include <string>

namespace vt::test {

// Sizes of the test skin.
struct FixtureSizes {
  int capW = 5, midW = 10;                      // button bar and info bar caps and middle tiles
  int barH = 30;                                // button bar height
  int infoH = 24;
  int buttonW = 20, buttonStripH = 12;          // 60-row button bitmaps
  int seekCapW = 4, seekTileW = 10, seekH = 20, grooveH = 14;
  int thumbW = 8, thumbH = 14, stepW = 10, stepH = 20;
};

// Colours: caps, tile body, the tile's first column (marks where each tile starts), strips and
// frames (k = 0..4).
QColor LeftCapColor();
QColor RightCapColor();
QColor TileColor();
QColor TileMarkColor();
QColor GrooveColor();
QColor StripColor(int k);
QColor ThumbFrameColor(int k);
QColor StepFrameColor(int k);

class SkinFixture {
 public:
  explicit SkinFixture(const FixtureSizes& s = {});
  ~SkinFixture();
  const std::string& Folder() const { return m_folder; }
  const FixtureSizes& Sizes() const { return m_sizes; }
  // Writes img (top-down) as a 24-bit bitmap at folder/name.
  void Write(const std::string& name, const QImage& img) const;

 private:
  std::string m_folder;
  FixtureSizes m_sizes;
};

// The pixel of img at (x, y) equals c.
bool PixelIs(const QImage& img, int x, int y, const QColor& c);

}  // namespace vt::test
