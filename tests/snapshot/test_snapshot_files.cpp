#include "snapshot/snapshot_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "common/child_process.h"
#include "platform/local_time.h"
#include "skin/dib.h"
#include "snapshot/jpeg_encoder.h"

namespace vt {
namespace {

class TempFolder {
 public:
  TempFolder() {
    char tmpl[] = "/tmp/vt_snapfiles_XXXXXX";
    path_ = mkdtemp(tmpl);
    path_ += "/";
  }
  ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.insert(e->d_name);
      closedir(d);
    }
    return names;
  }

 private:
  std::string path_;
};

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A smooth 24-bit picture (JPEG-friendly): red across, green down, blue constant.
struct Picture {
  BITMAPINFOHEADER header{};
  std::vector<uint8_t> pixels;
  Picture(int w, int h) {
    header.biSize = 40;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    header.biSizeImage = static_cast<uint32_t>(stride * h);
    pixels.assign(header.biSizeImage, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = pixels.data() + y * stride + 3 * x;
        p[0] = 90;
        p[1] = static_cast<uint8_t>(30 + 180 * y / h);
        p[2] = static_cast<uint8_t>(20 + 200 * x / w);
      }
  }
};

const time32 kShotTime = MakeLocalTime(2008, 3, 14, 9, 26, 5);

TEST(SnapshotName, FromLocalTime) { EXPECT_EQ(AutoSnapshotName(kShotTime), "20080314-092605.bmp"); }

TEST(SnapshotBmp, WritesHeaderAndPixelsThatLoadBack) {
  TempFolder dir;
  Picture pic(33, 7);  // odd width: stride 100
  std::string name = "a.bmp";
  ASSERT_EQ(SaveSnapshotBmp(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &name, 0), 1);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.bmp"}));
  auto bytes = ReadFile(dir.path() + "a.bmp");
  ASSERT_EQ(bytes.size(), 54u + pic.header.biSizeImage);
  BITMAPFILEHEADER fh;
  std::memcpy(&fh, bytes.data(), 14);
  // Copies: the packed fields are not aligned.
  const uint16_t type = fh.bfType, reserved1 = fh.bfReserved1, reserved2 = fh.bfReserved2;
  const uint32_t fileSize = fh.bfSize, offBits = fh.bfOffBits;
  EXPECT_EQ(type, 0x4D42);
  EXPECT_EQ(fileSize, 54u + pic.header.biSizeImage);
  EXPECT_EQ(reserved1, 0);
  EXPECT_EQ(reserved2, 0);
  EXPECT_EQ(offBits, 54u);
  EXPECT_EQ(std::memcmp(bytes.data() + 14, &pic.header, 40), 0);
  EXPECT_EQ(std::memcmp(bytes.data() + 54, pic.pixels.data(), pic.pixels.size()), 0);

  CDib back;
  ASSERT_EQ(back.Load(dir.path() + "a.bmp"), 1);
  EXPECT_EQ(std::memcmp(back.GetHeader(), &pic.header, 40), 0);
  ASSERT_EQ(back.GetPixelBytes(), pic.pixels.size());
  EXPECT_EQ(std::memcmp(back.GetPixels(), pic.pixels.data(), pic.pixels.size()), 0);
}

TEST(SnapshotBmp, OverALongerFileLeavesNoStaleTail) {
  TempFolder dir;
  Picture pic(8, 8);
  WriteFile(dir.path() + "a.bmp", std::string(10000, 'x'));
  std::string name = "a.bmp";
  ASSERT_EQ(SaveSnapshotBmp(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &name, 0), 1);
  EXPECT_EQ(ReadFile(dir.path() + "a.bmp").size(), 54u + pic.header.biSizeImage);
}

TEST(SnapshotBmp, AutomaticNameNeverTouchesAnExistingFile) {
  TempFolder dir;
  Picture pic(4, 4);
  WriteFile(dir.path() + "20080314-092605.bmp", "keep me");
  std::string name;
  ASSERT_EQ(SaveSnapshotBmp(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &name, 1), 1);
  EXPECT_EQ(name, "20080314-092605-1.bmp");
  EXPECT_EQ(ReadFile(dir.path() + "20080314-092605.bmp").size(), 7u);
  EXPECT_EQ(ReadFile(dir.path() + name).size(), 54u + pic.header.biSizeImage);
}

// A full disk (a file-size limit in a child process): a failed overwrite keeps the old picture
// and leaves no partial or temporary file, for the bitmap and for the JPEG with its temporary
// bitmap.
TEST(SnapshotFiles, FullDiskKeepsTheOldPictureAndLeavesNothing) {
  TempFolder dir;
  Picture pic(256, 256);
  WriteFile(dir.path() + "a.bmp", "old bitmap");
  WriteFile(dir.path() + "a.jpg", "old jpeg");
  const int child = test::RunInChild([&] {
    test::LimitFileSize(16 * 1024);  // the bitmap needs 192 KiB, the JPEG well over 1 KiB
    std::string bmp = "a.bmp", jpg = "a.jpg";
    const int b = SaveSnapshotBmp(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &bmp, 0);
    const int j = SaveSnapshotJpeg(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &jpg, 0);
    return b == 0 && j == 0 ? 0 : 1;
  });
  EXPECT_EQ(child, 0) << "both report the failure";
  const std::vector<uint8_t> oldBmp = ReadFile(dir.path() + "a.bmp"), oldJpg = ReadFile(dir.path() + "a.jpg");
  EXPECT_EQ(std::string(oldBmp.begin(), oldBmp.end()), "old bitmap");
  EXPECT_EQ(std::string(oldJpg.begin(), oldJpg.end()), "old jpeg");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.bmp", "a.jpg"}));
}

TEST(SnapshotBmp, MissingArgumentsWriteNothing) {
  TempFolder dir;
  Picture pic(4, 4);
  std::string name = "a.bmp";
  const auto* hdr = &pic.header;
  const uint8_t* px = pic.pixels.data();
  const size_t n = pic.pixels.size();
  EXPECT_EQ(SaveSnapshotBmp(nullptr, px, n, &kShotTime, dir.path(), &name, 0), 0);
  EXPECT_EQ(SaveSnapshotBmp(hdr, nullptr, n, &kShotTime, dir.path(), &name, 0), 0);
  EXPECT_EQ(SaveSnapshotBmp(hdr, px, n, &kShotTime, "", &name, 0), 0);
  EXPECT_EQ(SaveSnapshotBmp(hdr, px, n, &kShotTime, dir.path(), nullptr, 0), 0);
  EXPECT_EQ(SaveSnapshotBmp(hdr, px, n, nullptr, dir.path(), &name, 1), 0);
  EXPECT_EQ(SaveSnapshotBmp(hdr, px, n - 1, &kShotTime, dir.path(), &name, 0), 0);  // block shorter than biSizeImage
  EXPECT_EQ(SaveSnapshotJpeg(hdr, px, n, nullptr, dir.path(), &name, 0), 0);
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_EQ(SaveSnapshotBmp(hdr, px, n, &kShotTime, dir.path() + "missing/", &name, 0), 0);
}

// Decodes a JPEG file into top-down BGR rows.
bool DecodeJpeg(const std::string& path, int* w, int* h, std::vector<uint8_t>* bgr) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  *w = static_cast<int>(cinfo.output_width);
  *h = static_cast<int>(cinfo.output_height);
  bgr->assign(static_cast<size_t>(*w) * *h * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = bgr->data() + static_cast<size_t>(cinfo.output_scanline) * *w * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return true;
}

TEST(SnapshotJpeg, DecodesToThePictureAndLeavesNoTemporaryFile) {
  TempFolder dir;
  Picture pic(64, 48);
  WriteFile(dir.path() + "20080314-092605.bmp", "someone else's file");
  std::string name = "a.jpg";
  ASSERT_EQ(SaveSnapshotJpeg(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &name, 0), 1);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.jpg", "20080314-092605.bmp"}));
  EXPECT_EQ(ReadFile(dir.path() + "20080314-092605.bmp").size(), 19u);

  int w = 0, h = 0;
  std::vector<uint8_t> bgr;
  ASSERT_TRUE(DecodeJpeg(dir.path() + "a.jpg", &w, &h, &bgr));
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 48);
  // Quality 80 on a smooth picture: every sample within a few levels, top row on top.
  const int stride = (64 * 3 + 3) & ~3;
  int worst = 0;
  double sumSq = 0;
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * 3; ++i) {
      const int want = pic.pixels[(h - 1 - y) * stride + i];
      const int got = bgr[static_cast<size_t>(y) * w * 3 + i];
      worst = std::max(worst, std::abs(want - got));
      sumSq += (want - got) * (want - got);
    }
  const double psnr = 10 * std::log10(255.0 * 255.0 / (sumSq / (w * h * 3)));
  EXPECT_LE(worst, 12);
  EXPECT_GT(psnr, 38.0);
}

TEST(JpegEncoder, RefusesWhatIsNotAComplete24Or32BitBitmap) {
  TempFolder dir;
  Picture pic(16, 16);
  std::string name = "p.bmp";
  ASSERT_EQ(SaveSnapshotBmp(&pic.header, pic.pixels.data(), pic.pixels.size(), &kShotTime, dir.path(), &name, 0), 1);
  auto good = ReadFile(dir.path() + "p.bmp");
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string truncated(good.begin(), good.end() - 1);
  std::string notBm(good.begin(), good.end());
  notBm[0] = 'X';
  std::string eightBit(good.begin(), good.end());
  eightBit[28] = 8;
  std::string offsetPastEnd(good.begin(), good.end());
  offsetPastEnd[10] = static_cast<char>(0xF0);
  const Case cases[] = {{"truncated", truncated}, {"not BM", notBm}, {"8 bits", eightBit},
                        {"pixel offset past the end", offsetPastEnd}, {"empty", ""}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    WriteFile(dir.path() + "in.bmp", k.bytes);
    EXPECT_EQ(EncodeBitmapFileToJpeg(dir.path() + "in.bmp", dir.path() + "out.jpg", 80), 0);
    EXPECT_EQ(access((dir.path() + "out.jpg").c_str(), F_OK), -1);
  }
  EXPECT_EQ(EncodeBitmapFileToJpeg(dir.path() + "none.bmp", dir.path() + "out.jpg", 80), 0);
  EXPECT_EQ(EncodeBitmapFileToJpeg(dir.path() + "p.bmp", dir.path() + "no/such/out.jpg", 80), 0);
  EXPECT_EQ(EncodeBitmapFileToJpeg(dir.path() + "p.bmp", dir.path() + "out.jpg", 80), 1);
}

}  // namespace
}  // namespace vt
