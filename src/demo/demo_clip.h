// One demo recording as an AVI file: frames drawn by the caller, encoded with GStreamer as
// MJPEG, optionally with a track of one tick a second.
#pragma once

#include <QImage>
#include <functional>
#include <memory>
#include <string>

namespace vt::demo {

struct DemoClipSpec {
  int nWidth = 352;
  int nHeight = 288;
  int nFps = 25;
  int nFrames = 0;
  bool bAudio = false;
  int nJpegQuality = 80;
};

// Paints frame number `frame` into image (nWidth x nHeight, RGBX8888).
using DemoFrameFn = std::function<void(int frame, QImage* image)>;

// Writes path; false with the reason in *error (a failed file is removed).
bool WriteDemoClip(const DemoClipSpec& spec, const DemoFrameFn& draw, const std::string& path, std::string* error);

}  // namespace vt::demo
