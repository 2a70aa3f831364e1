// Record clips made with GStreamer for tests, the benchmark and demo data: a moving test
// pattern (or a plain colour) with the frame's 0-based number as a barcode across the top, MJPEG or MPEG-4 Part 2
// in AVI, optionally with a tone track.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

struct TestClipSpec {
  enum Codec { kMjpeg, kMpeg4 };
  Codec codec = kMjpeg;
  int width = 352;
  int height = 288;
  int frames = 50;
  int fps = 25;
  bool audio = false;
  // 0xAARRGGBB of a plain picture behind the barcode; 0: the moving test pattern.
  uint32_t solidColour = 0;
};

// Writes the AVI file; false with a reason in *error.
bool MakeTestClip(const TestClipSpec& spec, const std::string& path, std::string* error);
// Frame number carried by a packed bitmap (I420, YV12, YUY2, UYVY, YVYU or 32-bit BI_RGB), or
// -1 when no barcode can be read.
int ReadFrameNumber(const uint8_t* bitmap, size_t size);
// The same on a luma sample function over a width x height picture.
int ReadFrameNumber(int width, int height, int (*luma)(const void* ctx, int x, int y), const void* ctx);

}  // namespace vt
