#include "snapshot/jpeg_encoder.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/win_types.h"

namespace vt {

namespace {

constexpr int64_t kMaxDimension = 65500;  // JPEG's own limit

struct BitmapView {
  const uint8_t* bottomRow = nullptr;  // first byte of the row drawn lowest
  int64_t stride = 0;                  // bytes from one row to the next going up (negative for top-down)
  int width = 0;
  int height = 0;
  int bytesPerPixel = 0;
};

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  bool ok = size >= 0 && ::lseek(fd, 0, SEEK_SET) == 0;
  if (ok) {
    out->resize(static_cast<size_t>(size));
    size_t done = 0;
    while (ok && done < out->size()) {
      ssize_t n = ::read(fd, out->data() + done, out->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ok = false;
      else done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  return ok;
}

bool ParseBitmap(const std::vector<uint8_t>& file, BitmapView* view) {
  BITMAPFILEHEADER fh;
  BITMAPINFOHEADER ih;
  if (file.size() < sizeof fh + sizeof ih) return false;
  std::memcpy(&fh, file.data(), sizeof fh);
  std::memcpy(&ih, file.data() + sizeof fh, sizeof ih);
  if (fh.bfType != kBitmapFileType || ih.biSize < sizeof ih || ih.biCompression != BI_RGB) return false;
  if (ih.biBitCount != 24 && ih.biBitCount != 32) return false;
  const int64_t w = ih.biWidth;
  const int64_t h = ih.biHeight < 0 ? -int64_t{ih.biHeight} : ih.biHeight;
  if (w <= 0 || h <= 0 || w > kMaxDimension || h > kMaxDimension) return false;
  const int64_t stride = (w * ih.biBitCount / 8 + 3) & ~int64_t{3};
  const int64_t offset = fh.bfOffBits;
  if (offset < static_cast<int64_t>(sizeof fh + ih.biSize) || offset > static_cast<int64_t>(file.size()) ||
      static_cast<int64_t>(file.size()) - offset < stride * h)
    return false;
  const uint8_t* pixels = file.data() + offset;
  view->width = static_cast<int>(w);
  view->height = static_cast<int>(h);
  view->bytesPerPixel = ih.biBitCount / 8;
  if (ih.biHeight > 0) {
    view->bottomRow = pixels;
    view->stride = stride;
  } else {
    view->bottomRow = pixels + (h - 1) * stride;
    view->stride = -stride;
  }
  return true;
}

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void OnJpegMessage(j_common_ptr) {}

// Only trivially destructible locals here: a libjpeg error jumps back into this frame.
bool Encode(const BitmapView& v, int quality, unsigned char** jpeg, unsigned long* jpegSize) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.output_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, jpeg, jpegSize);
  cinfo.image_width = static_cast<JDIMENSION>(v.width);
  cinfo.image_height = static_cast<JDIMENSION>(v.height);
  cinfo.input_components = v.bytesPerPixel;
  cinfo.in_color_space = v.bytesPerPixel == 3 ? JCS_EXT_BGR : JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  // The top row of the picture is the last row of a bottom-up bitmap.
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(v.bottomRow + (v.height - 1 - static_cast<int64_t>(cinfo.next_scanline)) * v.stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool EncodePictureToJpeg(const BITMAPINFOHEADER& header, const uint8_t* pixels, size_t pixelBytes, int quality,
                         std::string* out) {
  if (quality < 1 || quality > 100 || !pixels || header.biCompression != BI_RGB ||
      (header.biBitCount != 24 && header.biBitCount != 32))
    return false;
  const int64_t w = header.biWidth;
  const int64_t h = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  if (w <= 0 || h <= 0 || w > kMaxDimension || h > kMaxDimension) return false;
  const int64_t stride = (w * header.biBitCount / 8 + 3) & ~int64_t{3};
  if (static_cast<int64_t>(pixelBytes) < stride * h) return false;
  BitmapView view;
  view.width = static_cast<int>(w);
  view.height = static_cast<int>(h);
  view.bytesPerPixel = header.biBitCount / 8;
  view.bottomRow = header.biHeight > 0 ? pixels : pixels + (h - 1) * stride;
  view.stride = header.biHeight > 0 ? stride : -stride;
  unsigned char* jpeg = nullptr;
  unsigned long jpegSize = 0;
  const bool encoded = Encode(view, quality, &jpeg, &jpegSize);
  if (encoded) out->assign(reinterpret_cast<const char*>(jpeg), jpegSize);
  std::free(jpeg);
  return encoded;
}

int EncodeBitmapFileToJpeg(const std::string& bitmapPath, const std::string& jpegPath, int quality) {
  if (quality < 1 || quality > 100) return 0;
  std::vector<uint8_t> file;
  BitmapView view;
  if (!ReadWholeFile(bitmapPath, &file) || !ParseBitmap(file, &view)) return 0;
  unsigned char* jpeg = nullptr;
  unsigned long jpegSize = 0;
  const bool encoded = Encode(view, quality, &jpeg, &jpegSize);
  // Whole or not at all: a failed overwrite leaves the old picture.
  const bool written = encoded && WriteBytesAtomically(jpegPath, jpeg, jpegSize).ok();
  std::free(jpeg);
  return written ? 1 : 0;
}

}  // namespace vt
