#include "snapshot/snapshot_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "frame_builder.h"
#include "platform/local_time.h"
#include "skin/dib.h"
#include "snapshot/frame_converter.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_save.h"

namespace vt {
namespace {

const SnapRect kTemplatePreview = ControlRectPixels(kSnapControls[4]);
const int kDialogW = DialogUnitsToPixelsX(kSnapDialogWidthDlu);
const int kDialogH = DialogUnitsToPixelsY(kSnapDialogHeightDlu);

TEST(SnapshotSizing, PreviewFollowsThePicture) {
  struct Case {
    const char* name;
    int w, h, screenW, screenH;
    int previewW, previewH;
  };
  const Case cases[] = {
      {"narrower than 400", 352, 288, 1920, 1080, 400, 327},
      {"256 x 240 laid out 320 wide", SnapshotLayoutWidth(256, 240), 240, 1920, 1080, 400, 300},
      {"own size when it fits", 720, 576, 1920, 1080, 720, 576},
      {"exactly 400", 400, 100, 1920, 1080, 400, 100},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const SnapshotSizing s = ComputeSnapshotSizing(k.w, k.h, kTemplatePreview, kDialogW, kDialogH, k.screenW, k.screenH);
    EXPECT_EQ(s.preview.Width(), k.previewW);
    EXPECT_EQ(s.preview.Height(), k.previewH);
    EXPECT_EQ(s.preview.left, kTemplatePreview.left);
    EXPECT_EQ(s.preview.top, kTemplatePreview.top);
    EXPECT_EQ(s.dx, k.previewW - kTemplatePreview.Width());
    EXPECT_EQ(s.dy, k.previewH - kTemplatePreview.Height());
  }
}

TEST(SnapshotSizing, LargePictureShrinksToTheScreenKeepingItsShape) {
  // 800 x 600 usable: the width fits (dialog grows by 720 - pw), the height does not.
  const int pw = kTemplatePreview.Width(), ph = kTemplatePreview.Height();
  SnapshotSizing s = ComputeSnapshotSizing(720, 576, kTemplatePreview, kDialogW, kDialogH, 800, 600);
  const int wantH = 600 - kDialogH + ph - 20;
  EXPECT_EQ(s.preview.Height(), wantH);
  EXPECT_EQ(s.preview.Width(), wantH * 720 / 576);
  EXPECT_EQ(kDialogH + s.dy, 600 - 20);
  // 640 x 480 usable: first the width rule, then the height rule on top of it.
  s = ComputeSnapshotSizing(720, 576, kTemplatePreview, kDialogW, kDialogH, 640, 480);
  EXPECT_LE(kDialogW + s.dx, 640);
  EXPECT_EQ(kDialogH + s.dy, 480 - 20);
  EXPECT_EQ(s.preview.Width(), s.preview.Height() * 720 / 576);
  (void)pw;
}

TEST(SunkenFrame, LinesStopOneShortOfTheirEnd) {
  const SnapRect rc{10, 20, 110, 70};
  const auto lines = SunkenFrameLines(rc);
  // First: outer shadow (l-4, t-4) to (r+5, t-4) exclusive.
  EXPECT_EQ(lines[0].color, RGB(175, 175, 159));
  EXPECT_EQ(lines[0].x1, 6);
  EXPECT_EQ(lines[0].y1, 16);
  EXPECT_EQ(lines[0].x2, 114);
  EXPECT_EQ(lines[0].y2, 16);
  // Outer light runs from the bottom right corner upwards and leftwards.
  EXPECT_EQ(lines[4].color, RGB(255, 255, 255));
  EXPECT_EQ(lines[4].x1, 114);
  EXPECT_EQ(lines[4].y1, 74);
  EXPECT_EQ(lines[4].y2, 17);
  EXPECT_EQ(lines[5].x2, 7);
  EXPECT_EQ(lines[15].color, RGB(247, 239, 231));
  EXPECT_EQ(lines[15].x1, 112);
  EXPECT_EQ(lines[15].y1, 72);
  EXPECT_EQ(lines[15].x2, 9);
}

TEST(SnapshotSaveDialog, FilterAndExtensionRules) {
  const auto filters = ParseFileFilter(kSnapshotSaveFilter);
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].QtFilter(), "JPEG Files (*.jpg)");
  EXPECT_EQ(filters[0].Suffix(), "jpg");
  EXPECT_EQ(filters[1].QtFilter(), "Bitmap File (*.bmp)");
  EXPECT_EQ(filters[1].Suffix(), "bmp");

  const SavePathParts p = SplitSavePath("/home/u/shots/shot.JPG");
  EXPECT_EQ(p.folder, "/home/u/shots/");
  EXPECT_EQ(p.name, "shot.JPG");
  EXPECT_EQ(p.extension, "JPG");
  EXPECT_FALSE(IsJpegExtension("JPG"));
  EXPECT_FALSE(IsJpegExtension("jpeg"));
  EXPECT_TRUE(IsJpegExtension("jpg"));
  EXPECT_EQ(SplitSavePath("/a.b/noext").extension, "");
  EXPECT_EQ(SnapshotCaptionText(MakeLocalTime(2008, 3, 14, 9, 26, 5)), "2008/03/14 09:26:05");
}

std::string TempDir() {
  char tmpl[] = "/tmp/vt_snapsave_XXXXXX";
  return std::string(mkdtemp(tmpl)) + "/";
}

TEST(SnapshotSave, ExtensionPicksTheWriterAnd256IsWidened) {
  const std::string dir = TempDir();
  PackedDib pic = GrayPicture(256, 240, 77);
  // Mark column 254 of the top row: with steps of 204/256 only output column 319 takes it.
  const int stride = (256 * 3 + 3) & ~3;
  uint8_t* top = pic.data() + 40 + 239 * stride;
  top[254 * 3] = 200;
  const time32 t = MakeLocalTime(2008, 3, 14, 9, 26, 5);
  ASSERT_EQ(SaveSnapshotAs(dir + "shot.JPG", pic.data(), pic.size(), t, nullptr), 1);
  ASSERT_EQ(SaveSnapshotAs(dir + "a.jpg", pic.data(), pic.size(), t, nullptr), 1);
  char magic[2] = {};
  std::ifstream(dir + "shot.JPG", std::ios::binary).read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "BM");
  std::ifstream(dir + "a.jpg", std::ios::binary).read(magic, 2);
  EXPECT_EQ(static_cast<uint8_t>(magic[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(magic[1]), 0xD8);

  CDib back;
  ASSERT_EQ(back.Load(dir + "shot.JPG"), 1);
  EXPECT_EQ(back.GetWidth(), 320);
  EXPECT_EQ(back.GetHeight(), 240);
  const uint8_t* backTop = back.GetPixels() + 239 * back.GetStride();
  EXPECT_EQ(backTop[319 * 3], 200);
  EXPECT_EQ(backTop[318 * 3], 77);
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(SnapshotSave, EveryCaptionBurnStartsFromTheCleanPicture) {
  const std::string dir = TempDir();
  const PackedDib pic = GrayPicture(8, 4, 50);
  const PackedDib before = pic;
  int calls = 0;
  auto burn = [&](PackedDib* p) {
    ++calls;
    (*p)[40] = 255;  // a "caption" in the bottom-left pixel
    return true;
  };
  auto failing = [](PackedDib* p) {
    (*p)[40] = 1;
    return false;  // a failed burn leaves the copy without caption
  };
  ASSERT_EQ(SaveSnapshotAs(dir + "with.bmp", pic.data(), pic.size(), 0, burn), 1);
  ASSERT_EQ(SaveSnapshotAs(dir + "failed.bmp", pic.data(), pic.size(), 0, failing), 1);
  ASSERT_EQ(SaveSnapshotAs(dir + "without.bmp", pic.data(), pic.size(), 0, nullptr), 1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(pic, before);
  CDib with, failed, without;
  ASSERT_EQ(with.Load(dir + "with.bmp"), 1);
  ASSERT_EQ(failed.Load(dir + "failed.bmp"), 1);
  ASSERT_EQ(without.Load(dir + "without.bmp"), 1);
  EXPECT_EQ(with.GetPixels()[0], 255);
  EXPECT_EQ(failed.GetPixels()[0], 50);
  EXPECT_EQ(without.GetPixels()[0], 50);
  EXPECT_EQ(SaveSnapshotAs(dir + "bad.bmp", pic.data(), 41, 0, nullptr), 0);
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(SnapshotPicture, TwentyFourBitFramesAreTakenOthersConverted) {
  // A top-down 24-bit frame with a colour word behind the header size: turned bottom-up.
  PackedDib frame = GrayPicture(2, 2, 0);
  BITMAPINFOHEADER h;
  std::memcpy(&h, frame.data(), 40);
  h.biHeight = -2;
  h.biSizeImage = 0;
  std::memcpy(frame.data(), &h, 40);
  frame[40] = 11;      // top-left in a top-down frame
  frame[40 + 8] = 22;  // bottom-left
  PackedDib pic = MakeSnapshotPicture(frame.data(), frame.size());
  const BITMAPINFOHEADER* ph = SnapshotPictureHeader(pic.data(), pic.size());
  ASSERT_NE(ph, nullptr);
  EXPECT_EQ(ph->biHeight, 2);
  EXPECT_EQ(ph->biSizeImage, 16u);
  EXPECT_EQ(pic[40], 22);
  EXPECT_EQ(pic[40 + 8], 11);

  // YUY2 goes through the converter with the subtype read from the header.
  PackedDib yuy2(40 + 8, 128);
  BITMAPINFOHEADER yh{};
  yh.biSize = 40;
  yh.biWidth = 2;
  yh.biHeight = 2;
  yh.biBitCount = 16;
  yh.biCompression = MakeFourCC('Y', 'U', 'Y', '2');
  std::memcpy(yuy2.data(), &yh, 40);
  yuy2[40] = 16;  // black first pixel of the top row
  PackedDib conv = MakeSnapshotPicture(yuy2.data(), yuy2.size());
  ASSERT_NE(SnapshotPictureHeader(conv.data(), conv.size()), nullptr);
  EXPECT_EQ(conv[40 + 8], 0);  // top row is the second row in memory

  // Unconvertible frames give nothing.
  PackedDib rgb8 = GrayPicture(2, 2, 0);
  reinterpret_cast<BITMAPINFOHEADER*>(rgb8.data())->biBitCount = 8;
  EXPECT_TRUE(MakeSnapshotPicture(rgb8.data(), rgb8.size()).empty());
  EXPECT_TRUE(MakeSnapshotPicture(frame.data(), 30).empty());
}

}  // namespace
}  // namespace vt
