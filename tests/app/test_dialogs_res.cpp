// The pictures drawn at build time: sizes, key colours and what the program's loaders make of
// the files in the program folder.
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "qt_test_env.h"
#include "res/gen/res_images.h"
#include "skin/dib.h"

namespace vt {
namespace {

int CountOf(const QImage& img, QRect area, QRgb colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  return n;
}

TEST(GeneratedPictures, ToolbarStripHasEightImagesOnTheKey) {
  const QImage strip = DrawToolbarStrip();
  ASSERT_EQ(strip.size(), QSize(8 * 24, 24));
  for (int i = 0; i < 8; ++i) {
    const QRect cell(i * 24, 0, 24, 24);
    const int key = CountOf(strip, cell, kToolbarKeyColour);
    EXPECT_EQ(strip.pixel(cell.topLeft()) & 0xFFFFFF, kToolbarKeyColour & 0xFFFFFF) << i;
    EXPECT_GT(24 * 24 - key, 80) << "image " << i << " is nearly empty";
    EXPECT_GT(key, 100) << "image " << i << " leaves too little transparent";
  }
}

TEST(GeneratedPictures, TreeBitmapsOnWhite) {
  for (int id : kTreeImageIds) {
    const QImage img = DrawTreeBitmap(id);
    ASSERT_EQ(img.size(), QSize(16, 16)) << id;
    EXPECT_EQ(img.pixel(0, 15) & 0xFFFFFF, 0xFFFFFFu) << id;
    EXPECT_GT(256 - CountOf(img, img.rect(), kTreeKeyColour), 60) << id;
  }
  EXPECT_TRUE(DrawTreeBitmap(131).isNull());
  // Ticked pictures differ from their plain ones.
  EXPECT_NE(DrawTreeBitmap(kBmpFilmRed), DrawTreeBitmap(kBmpFilmRedTick));
  EXPECT_NE(DrawTreeBitmap(kBmpFolder), DrawTreeBitmap(kBmpFolderTick));
}

TEST(GeneratedPictures, FlattenKeepsTheKeyForTheBackgroundOnly) {
  QImage argb(3, 1, QImage::Format_ARGB32);
  argb.setPixel(0, 0, qRgba(68, 109, 140, 255));  // drawn in the key colour itself
  argb.setPixel(1, 0, qRgba(10, 20, 30, 100));    // mostly transparent
  argb.setPixel(2, 0, qRgba(10, 20, 30, 200));
  const QImage out = FlattenOnKey(argb, kToolbarKeyColour);
  EXPECT_NE(out.pixel(0, 0) & 0xFFFFFF, kToolbarKeyColour & 0xFFFFFF);
  EXPECT_EQ(out.pixel(1, 0) & 0xFFFFFF, kToolbarKeyColour & 0xFFFFFF);
  EXPECT_EQ(out.pixel(2, 0) & 0xFFFFFF, qRgb(10, 20, 30) & 0xFFFFFF);
}

// The files vt_resources wrote, read as the program reads them.
TEST(GeneratedFiles, ProgramFolderHoldsTheResources) {
  const std::string dir = VT_TEST_RESOURCE_DIR;
  CDib strip;
  ASSERT_EQ(strip.Load(ResolvePathCase(dir + "/ui_p/bg/toolbar24.bmp")), 1);
  EXPECT_EQ(strip.GetWidth(), 192);
  EXPECT_EQ(strip.GetHeight(), 24);
  EXPECT_EQ(strip.GetHeader()->biBitCount, 24);
  CDib splash;
  ASSERT_EQ(splash.Load(dir + "/Splash.bmp"), 1);
  EXPECT_EQ(splash.GetWidth(), kSplashWidth);
  EXPECT_EQ(splash.GetHeight(), kSplashHeight);
  EXPECT_FALSE(QImage(QString::fromStdString(dir + "/vtplayer.png")).isNull());
  QFile pdf(QString::fromStdString(dir + "/manual.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
  EXPECT_GT(pdf.size(), 10000);
}

}  // namespace
}  // namespace vt
