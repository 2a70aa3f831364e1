// Prints, for a 720 x 576 frame, the time of ConvertToRGB24 against sws_scale (I420 and YUY2 to
// BGR24) and of the snapshot JPEG encoder against `cjpeg -quality 80` on the same bitmap file.
// Usage: bench_snapshot [iterations]
extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "snapshot/frame_converter.h"
#include "snapshot/jpeg_encoder.h"
#include "snapshot/media_subtype.h"
#include "snapshot/snapshot_files.h"

namespace {

constexpr int kW = 720;
constexpr int kH = 576;

using Clock = std::chrono::steady_clock;

// Best of five rounds, each the mean of n calls, in microseconds.
double Time(int n, const std::function<void()>& f) {
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) f();
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;
    best = std::min(best, us);
  }
  return best;
}

// Smooth picture with some texture, as a camera frame has: luma and chroma in studio range.
uint8_t LumaAt(int x, int y) { return static_cast<uint8_t>(16 + (x * 219 / kW + ((x * 7 + y * 13) % 23)) % 220); }
uint8_t UAt(int x, int y) { return static_cast<uint8_t>(16 + (y * 224 / kH + x / 40) % 225); }
uint8_t VAt(int x, int y) { return static_cast<uint8_t>(240 - (x * 224 / kW + y / 30) % 225); }

std::vector<uint8_t> Header(uint32_t fourcc, int bitCount, size_t pixels) {
  vt::BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = kW;
  h.biHeight = kH;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bitCount);
  h.biCompression = fourcc;
  h.biSizeImage = static_cast<uint32_t>(pixels);
  std::vector<uint8_t> f(40 + pixels);
  std::memcpy(f.data(), &h, 40);
  return f;
}

double RunCommand(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 100;
  vt::CFrameConverter conv;

  // I420: Y, U, V planes, strides 720 and 360.
  std::vector<uint8_t> i420 = Header(vt::kFourCC_I420, 12, kW * kH * 3 / 2);
  uint8_t* y = i420.data() + 40;
  uint8_t* u = y + kW * kH;
  uint8_t* v = u + kW * kH / 4;
  for (int r = 0; r < kH; ++r)
    for (int x = 0; x < kW; ++x) y[r * kW + x] = LumaAt(x, r);
  for (int r = 0; r < kH / 2; ++r)
    for (int x = 0; x < kW / 2; ++x) {
      u[r * kW / 2 + x] = UAt(2 * x, 2 * r);
      v[r * kW / 2 + x] = VAt(2 * x, 2 * r);
    }
  // YUY2 of the same picture.
  std::vector<uint8_t> yuy2 = Header(vt::kFourCC_YUY2, 16, kW * kH * 2);
  for (int r = 0; r < kH; ++r)
    for (int x = 0; x < kW; x += 2) {
      uint8_t* p = yuy2.data() + 40 + r * kW * 2 + x * 2;
      p[0] = LumaAt(x, r);
      p[1] = UAt(x, r);
      p[2] = LumaAt(x + 1, r);
      p[3] = VAt(x, r);
    }

  const int outStride = (kW * 3 + 3) & ~3;
  std::vector<uint8_t> swsOut(static_cast<size_t>(outStride) * kH);
  SwsContext* swsI420 = sws_getContext(kW, kH, AV_PIX_FMT_YUV420P, kW, kH, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
  SwsContext* swsYuy2 = sws_getContext(kW, kH, AV_PIX_FMT_YUYV422, kW, kH, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
  if (!swsI420 || !swsYuy2) {
    std::fprintf(stderr, "sws_getContext failed\n");
    return 1;
  }
  size_t sink = 0;
  const double oursI420 = Time(n, [&] { sink += conv.ConvertToRGB24(vt::MEDIASUBTYPE_I420, i420.data(), i420.size()).size(); });
  const double refI420 = Time(n, [&] {
    const uint8_t* src[3] = {y, u, v};
    const int srcStride[3] = {kW, kW / 2, kW / 2};
    uint8_t* dst[1] = {swsOut.data()};
    const int dstStride[1] = {outStride};
    sws_scale(swsI420, src, srcStride, 0, kH, dst, dstStride);
  });
  const double oursYuy2 = Time(n, [&] { sink += conv.ConvertToRGB24(vt::MEDIASUBTYPE_YUY2, yuy2.data(), yuy2.size()).size(); });
  const double refYuy2 = Time(n, [&] {
    const uint8_t* src[1] = {yuy2.data() + 40};
    const int srcStride[1] = {kW * 2};
    uint8_t* dst[1] = {swsOut.data()};
    const int dstStride[1] = {outStride};
    sws_scale(swsYuy2, src, srcStride, 0, kH, dst, dstStride);
  });
  // The converter hands back a new block each time; the same for the reference.
  const double refI420Alloc = Time(n, [&] {
    vt::PackedDib block(40 + static_cast<size_t>(outStride) * kH);
    const uint8_t* src[3] = {y, u, v};
    const int srcStride[3] = {kW, kW / 2, kW / 2};
    uint8_t* dst[1] = {block.data() + 40};
    const int dstStride[1] = {outStride};
    sws_scale(swsI420, src, srcStride, 0, kH, dst, dstStride);
    sink += block[100];
  });
  const double refYuy2Alloc = Time(n, [&] {
    vt::PackedDib block(40 + static_cast<size_t>(outStride) * kH);
    const uint8_t* src[1] = {yuy2.data() + 40};
    const int srcStride[1] = {kW * 2};
    uint8_t* dst[1] = {block.data() + 40};
    const int dstStride[1] = {outStride};
    sws_scale(swsYuy2, src, srcStride, 0, kH, dst, dstStride);
    sink += block[100];
  });
  sws_freeContext(swsI420);
  sws_freeContext(swsYuy2);

  // JPEG: the same 24-bit bitmap file for both encoders.
  char dirTemplate[] = "/tmp/vt_bench_snap_XXXXXX";
  const std::string dir = std::string(mkdtemp(dirTemplate)) + "/";
  vt::PackedDib pic = conv.ConvertToRGB24(vt::MEDIASUBTYPE_I420, i420.data(), i420.size());
  std::string name = "frame.bmp";
  vt::BITMAPINFOHEADER ph;
  std::memcpy(&ph, pic.data(), 40);
  if (!vt::SaveSnapshotBmp(&ph, pic.data() + 40, pic.size() - 40, nullptr, dir, &name, 0)) {
    std::fprintf(stderr, "could not write %sframe.bmp\n", dir.c_str());
    return 1;
  }
  const std::string bmp = dir + "frame.bmp";
  const int jpegRuns = std::max(5, n / 4);
  const double oursJpeg = Time(jpegRuns, [&] { sink += vt::EncodeBitmapFileToJpeg(bmp, dir + "ours.jpg", 80); });
  const double cjpeg = Time(jpegRuns, [&] { RunCommand({"cjpeg", "-quality", "80", "-outfile", dir + "ref.jpg", bmp}); });
  const double trueRun = Time(jpegRuns, [&] { RunCommand({"true"}); });

  std::printf("frame %dx%d, %d iterations, best of 5 rounds (microseconds per call)\n", kW, kH, n);
  std::printf("I420 -> RGB24   ours %8.0f   sws_scale %8.0f   ours/ref %.2f   (sws_scale into a new block %.0f, ours/that %.2f)\n",
              oursI420, refI420, oursI420 / refI420, refI420Alloc, oursI420 / refI420Alloc);
  std::printf("YUY2 -> RGB24   ours %8.0f   sws_scale %8.0f   ours/ref %.2f   (sws_scale into a new block %.0f, ours/that %.2f)\n",
              oursYuy2, refYuy2, oursYuy2 / refYuy2, refYuy2Alloc, oursYuy2 / refYuy2Alloc);
  std::printf("JPEG q80        ours %8.0f   cjpeg     %8.0f   ours/ref %.2f  (process start alone %.0f; cjpeg minus that %.0f, ours/that %.2f)\n",
              oursJpeg, cjpeg, oursJpeg / cjpeg, trueRun, cjpeg - trueRun, oursJpeg / (cjpeg - trueRun));
  std::system(("rm -rf '" + dir + "'").c_str());
  return sink == 0 ? 1 : 0;
}
