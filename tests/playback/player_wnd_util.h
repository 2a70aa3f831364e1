// Helpers of the Player window tests: the frame number painted or captured, and waiting on
// Qt's event loop for a condition.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRect>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "playback/gst/test_media.h"
#include "playback/media_engine.h"

namespace vt::test {

// Frame number painted in the video rectangle of a grabbed Player.
inline int PaintedFrame(const QImage& img, const QRect& video) {
  struct Ctx {
    const QImage* img;
    QRect rc;
  } ctx{&img, video};
  return ReadFrameNumber(
      video.width(), video.height(),
      [](const void* c, int x, int y) {
        const auto* k = static_cast<const Ctx*>(c);
        return qGreen(k->img->pixel(k->rc.x() + x, k->rc.y() + y));
      },
      &ctx);
}

// Frame number of the engine's captured frame; negative when none can be had or read.
inline int CapturedFrame(IMediaEngine& engine) {
  int32_t size = 0;
  if (engine.GetCurrentImage(&size, nullptr) != S_OK) return -2;
  std::vector<uint8_t> buf(static_cast<size_t>(size));
  if (engine.GetCurrentImage(&size, buf.data()) != S_OK) return -3;
  return ReadFrameNumber(buf.data(), buf.size());
}

inline void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Pumps events until pred holds; false after timeoutMs.
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 10000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace vt::test
