#include "snapshot/picture_file.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "skin/dib.h"
#include "snapshot/jpeg_encoder.h"
#include "snapshot/snapshot_picture.h"

namespace vt {

namespace {

void AppendPng(png_structp png, png_bytep data, png_size_t size) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}
void FlushPng(png_structp) {}

// Only trivially destructible locals between setjmp and the end: libpng's errors jump back here.
bool EncodePng(const BITMAPINFOHEADER& h, const uint8_t* pixels, std::string* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  const size_t stride = (static_cast<size_t>(h.biWidth) * 3 + 3) & ~size_t{3};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, &AppendPng, &FlushPng);
  png_set_IHDR(png, info, static_cast<png_uint_32>(h.biWidth), static_cast<png_uint_32>(h.biHeight), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);  // the rows hold blue, green, red
  for (int32_t y = 0; y < h.biHeight; ++y)
    png_write_row(png, const_cast<png_bytep>(pixels + static_cast<size_t>(h.biHeight - 1 - y) * stride));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool PictureFormatFromPath(const std::string& path, PictureFormat* format) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == "bmp") *format = PictureFormat::kBmp;
  else if (ext == "jpg" || ext == "jpeg") *format = PictureFormat::kJpeg;
  else if (ext == "png") *format = PictureFormat::kPng;
  else return false;
  return true;
}

bool EncodePicture(PictureFormat format, const PackedDib& picture, std::string* bytes) {
  const BITMAPINFOHEADER* h = SnapshotPictureHeader(picture.data(), picture.size());
  if (!h || !bytes) return false;
  const uint8_t* pixels = picture.data() + sizeof(BITMAPINFOHEADER);
  const size_t pixelBytes = picture.size() - sizeof(BITMAPINFOHEADER);
  bytes->clear();
  switch (format) {
    case PictureFormat::kBmp: {
      *bytes = CDib(*h, pixels).FileBytes();
      return !bytes->empty();
    }
    case PictureFormat::kJpeg: return EncodePictureToJpeg(*h, pixels, pixelBytes, kSnapshotJpegQuality, bytes);
    case PictureFormat::kPng: return EncodePng(*h, pixels, bytes);
  }
  return false;
}

}  // namespace vt
