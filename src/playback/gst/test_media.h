// Record clips made with GStreamer for tests, the benchmark and demo data: a moving picture (or
// a plain colour) with the frame's 0-based number as a barcode across the top, MJPEG, MPEG-4
// Part 2 or H.264 in AVI, optionally with a tone track.
#pragma once

#include <gst/gst.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

struct TestClipSpec {
  enum Codec { kMjpeg, kMpeg4, kH264 };
  // kBall: a ball moving over black (cheap to make). kTexture: a textured scene panning by a
  // few pixels a frame, with sensor noise and the stream time drawn at the bottom: about as hard
  // to code as a camera's picture.
  enum Pattern { kBall, kTexture };
  Codec codec = kMjpeg;
  int width = 352;
  int height = 288;
  int frames = 50;
  int fps = 25;  // frames per fpsDen seconds (25 / 2 is 12.5 frames a second)
  bool audio = false;
  // 0xAARRGGBB of a plain picture behind the barcode; 0: the pattern below.
  uint32_t solidColour = 0;
  Pattern pattern = kBall;
  // Frames from one key frame to the next for MPEG-4 and H.264 (every MJPEG frame is one).
  int keyInterval = 50;
  // Only the tone track (audio is then implied), frames / fps seconds long.
  bool noVideo = false;
  int fpsDen = 1;
  // Barcode of the first frame (the others count on from it), so that the clips of one camera
  // can be told apart.
  int firstNumber = 0;
  // Clips longer than the barcode counts, whose numbers nobody reads (benchmarks): the numbers
  // start again from 0 after kMaxFrameNumber instead of the clip being refused.
  bool numbersWrap = false;
  // Not 0: the wall-clock time of each frame (this start, seconds since 1970, plus the frame's
  // stream time) drawn at the bottom in local time, "YYYY-MM-DD HH:MM:SS.ffffff".
  int64_t wallClock = 0;
};

// Writes the AVI file; false with a reason in *error.
bool MakeTestClip(const TestClipSpec& spec, const std::string& path, std::string* error);
// 0-based numbers of the video key frames in an AVI file, as its index marks them; empty when
// the file cannot be read.
std::vector<int> ReadKeyFrames(const std::string& path);
// Makes the demuxer of a playing pipeline fail once, as a broken stream does: its video pad's
// buffers pass until `buffers` have gone, then the next push returns a flow error. False when
// the pipeline has no demuxer with a video pad yet.
bool FailStreamAfter(GstElement* pipeline, int buffers);
// Largest number the barcode carries.
constexpr int kMaxFrameNumber = 4095;
// Frame number carried by a packed bitmap (I420, YV12, YUY2, UYVY, YVYU or 32-bit BI_RGB), or
// -1 when no barcode can be read.
int ReadFrameNumber(const uint8_t* bitmap, size_t size);
// The same on a luma sample function over a width x height picture.
int ReadFrameNumber(int width, int height, int (*luma)(const void* ctx, int x, int y), const void* ctx);

}  // namespace vt
