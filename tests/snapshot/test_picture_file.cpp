// Pictures as BMP, JPEG and PNG files in memory, read back with the format's own decoder: the
// same pixels (JPEG: close to them) and the picture's orientation (top row first in JPEG and PNG).
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include "frame_builder.h"
#include "skin/dib.h"
#include "snapshot/picture_file.h"

namespace vt {
namespace {

// 37 x 21 (rows padded), every pixel different, so that a turned or shifted picture shows.
PackedDib Gradient() {
  PackedDib p = GrayPicture(37, 21, 0);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 37; ++x) {
      const size_t stride = (37 * 3 + 3) & ~3;
      uint8_t* px = p.data() + 40 + stride * static_cast<size_t>(20 - y) + 3 * static_cast<size_t>(x);
      px[0] = static_cast<uint8_t>(x * 6);        // blue across
      px[1] = static_cast<uint8_t>(y * 12);       // green down
      px[2] = static_cast<uint8_t>(200 - x * 3);  // red across the other way
    }
  return p;
}

TEST(PictureFile, FormatByExtension) {
  struct Case {
    const char* path;
    bool ok;
    PictureFormat format;
  };
  for (const Case& c : {Case{"a.bmp", true, PictureFormat::kBmp}, Case{"/x/A.BMP", true, PictureFormat::kBmp},
                        Case{"a.jpg", true, PictureFormat::kJpeg}, Case{"a.JPEG", true, PictureFormat::kJpeg},
                        Case{"a.Png", true, PictureFormat::kPng}, Case{"a.gif", false, PictureFormat::kBmp},
                        Case{"png", false, PictureFormat::kBmp}, Case{"dir.png/file", false, PictureFormat::kBmp}}) {
    PictureFormat f = PictureFormat::kBmp;
    EXPECT_EQ(PictureFormatFromPath(c.path, &f), c.ok) << c.path;
    if (c.ok) {
      EXPECT_EQ(f, c.format) << c.path;
    }
  }
}

TEST(PictureFile, BmpIsTheSnapshotBitmap) {
  const PackedDib p = Gradient();
  std::string bytes;
  ASSERT_TRUE(EncodePicture(PictureFormat::kBmp, p, &bytes));
  EXPECT_EQ(bytes.size(), 54 + p.size() - 40);
  CDib dib;
  ASSERT_EQ(dib.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 1);
  EXPECT_EQ(0, std::memcmp(dib.GetPixels(), p.data() + 40, p.size() - 40));
}

TEST(PictureFile, PngHoldsTheExactPixelsTopRowFirst) {
  const PackedDib p = Gradient();
  std::string bytes;
  ASSERT_TRUE(EncodePicture(PictureFormat::kPng, p, &bytes));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
  EXPECT_EQ(image.width, 37u);
  EXPECT_EQ(image.height, 21u);
  image.format = PNG_FORMAT_BGR;
  std::vector<uint8_t> rows(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rows.data(), 0, nullptr));
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 37; ++x) {
      const uint8_t* px = rows.data() + (static_cast<size_t>(y) * 37 + static_cast<size_t>(x)) * 3;
      EXPECT_EQ((Bgr{px[0], px[1], px[2]}), PixelAt(p, x, y)) << x << "," << y;
    }
}

TEST(PictureFile, JpegIsClose) {
  const PackedDib p = Gradient();
  std::string bytes;
  ASSERT_TRUE(EncodePicture(PictureFormat::kJpeg, p, &bytes));
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  EXPECT_EQ(cinfo.output_width, 37u);
  EXPECT_EQ(cinfo.output_height, 21u);
  std::vector<uint8_t> row(37 * 3);
  long error = 0;
  for (int y = 0; y < 21; ++y) {
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&cinfo, &r, 1);
    for (int x = 0; x < 37; ++x) {
      const Bgr want = PixelAt(p, x, y);
      error += std::abs(row[3 * x] - want.b) + std::abs(row[3 * x + 1] - want.g) + std::abs(row[3 * x + 2] - want.r);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  EXPECT_LT(error / (37 * 21 * 3), 8);  // a turned picture would be far off
}

TEST(PictureFile, RefusesWhatIsNotAPicture) {
  std::string bytes = "x";
  for (PictureFormat f : {PictureFormat::kBmp, PictureFormat::kJpeg, PictureFormat::kPng}) {
    EXPECT_FALSE(EncodePicture(f, PackedDib{}, &bytes));
    PackedDib truncated = Gradient();
    truncated.resize(100);
    EXPECT_FALSE(EncodePicture(f, truncated, &bytes));
  }
}

}  // namespace
}  // namespace vt
