// Snapshot work against libraries made for it, in one process, at 720 x 576 and 1920 x 1080:
//  - frame conversion (ConvertToRGB24, a new 24-bit block per call) against libswscale's fastest
//    route to the same bottom-up BGR24 block: every candidate route (direct, or through planar
//    4:2:2 for YUY2; point or fast-bilinear chroma) is timed first and the fastest is the
//    reference; its pixels must match ours within a few levels, or the comparison is refused;
//  - the JPEG encoder (bitmap file in, JPEG file out, quality 80) against libjpeg-turbo's
//    tjCompress2 on the same pixels, with the same file read and atomic write around it.
// Ours and the reference alternate in rounds; the median ratio ours/ref with min/max is
// printed and checked against the goals below.
// Usage: bench_snapshot [rounds, default 15]
extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}
#include <fcntl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_report.h"
#include "platform/atomic_file.h"
#include "snapshot/frame_converter.h"
#include "snapshot/jpeg_encoder.h"
#include "snapshot/media_subtype.h"
#include "snapshot/snapshot_files.h"

namespace {

using namespace vt::bench;

// Ours may take at most this share of the reference's time.
constexpr double kGoalConvert = 1.2;
constexpr double kGoalJpeg = 1.2;
// Largest difference of one colour byte between ours and the reference route that still counts
// as the same output (rounding of the fixed-point formulas).
constexpr int kSameOutputTolerance = 3;
constexpr int kConvertReps = 40;
constexpr int kJpegReps = 5;
constexpr int kCalibrationReps = 10;
constexpr int kCalibrationPasses = 3;

int OutStride(int w) { return (w * 3 + 3) & ~3; }

// A camera-like picture: smooth gradients, texture and edges, luma and chroma in studio range.
struct Picture {
  int w, h;
  uint8_t Y(int x, int y) const { return static_cast<uint8_t>(16 + (x * 219 / w + ((x * 7 + y * 13) % 23)) % 220); }
  uint8_t U(int x, int y) const { return static_cast<uint8_t>(16 + (y * 224 / h + x / 40) % 225); }
  uint8_t V(int x, int y) const { return static_cast<uint8_t>(240 - (x * 224 / w + y / 30) % 225); }
};

std::vector<uint8_t> Frame(const Picture& p, uint32_t fourcc, int bitCount, size_t pixels) {
  vt::BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = p.w;
  h.biHeight = p.h;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bitCount);
  h.biCompression = fourcc;
  h.biSizeImage = static_cast<uint32_t>(pixels);
  std::vector<uint8_t> f(40 + pixels);
  std::memcpy(f.data(), &h, 40);
  return f;
}

std::vector<uint8_t> MakeI420(const Picture& p) {
  std::vector<uint8_t> f = Frame(p, vt::kFourCC_I420, 12, static_cast<size_t>(p.w) * p.h * 3 / 2);
  uint8_t* y = f.data() + 40;
  uint8_t* u = y + p.w * p.h;
  uint8_t* v = u + p.w * p.h / 4;
  for (int r = 0; r < p.h; ++r)
    for (int x = 0; x < p.w; ++x) y[r * p.w + x] = p.Y(x, r);
  for (int r = 0; r < p.h / 2; ++r)
    for (int x = 0; x < p.w / 2; ++x) {
      u[r * p.w / 2 + x] = p.U(2 * x, 2 * r);
      v[r * p.w / 2 + x] = p.V(2 * x, 2 * r);
    }
  return f;
}

std::vector<uint8_t> MakeYuy2(const Picture& p) {
  std::vector<uint8_t> f = Frame(p, vt::kFourCC_YUY2, 16, static_cast<size_t>(p.w) * p.h * 2);
  for (int r = 0; r < p.h; ++r)
    for (int x = 0; x < p.w; x += 2) {
      uint8_t* q = f.data() + 40 + (static_cast<size_t>(r) * p.w + x) * 2;
      q[0] = p.Y(x, r);
      q[1] = p.U(x, r);
      q[2] = p.Y(x + 1, r);
      q[3] = p.V(x, r);
    }
  return f;
}

// A chain of swscale steps from the input format to BGR24, written bottom-up into a new block
// as ours is.
class CSwsRoute {
 public:
  CSwsRoute(std::string name, int w, int h, std::vector<AVPixelFormat> formats, int flags) : m_name(std::move(name)), m_w(w), m_h(h) {
    for (size_t i = 0; i + 1 < formats.size(); ++i) {
      m_steps.push_back(sws_getContext(w, h, formats[i], w, h, formats[i + 1], flags, nullptr, nullptr, nullptr));
      if (!m_steps.back()) std::fprintf(stderr, "sws_getContext failed for %s\n", m_name.c_str()), std::exit(2);
    }
    // Planar 4:2:2 in between: three planes of full height.
    for (size_t i = 1; i + 1 < formats.size(); ++i) m_mid.emplace_back(static_cast<size_t>(w) * h * 2);
  }
  ~CSwsRoute() {
    for (SwsContext* c : m_steps) sws_freeContext(c);
  }
  const std::string& Name() const { return m_name; }

  // src planes and strides of the input; returns the new block (header, then pixels).
  vt::PackedDib Run(const uint8_t* const src[3], const int srcStride[3]) {
    const int stride = OutStride(m_w);
    vt::PackedDib block(40 + static_cast<size_t>(stride) * m_h);
    const uint8_t* const* in = src;
    const int* inStride = srcStride;
    const uint8_t* midPlanes[3];
    int midStride[3];
    for (size_t i = 0; i < m_steps.size(); ++i) {
      if (i + 1 < m_steps.size()) {
        uint8_t* y = m_mid[i].data();
        uint8_t* planes[3] = {y, y + static_cast<size_t>(m_w) * m_h, y + static_cast<size_t>(m_w) * m_h * 3 / 2};
        int strides[3] = {m_w, m_w / 2, m_w / 2};
        sws_scale(m_steps[i], in, inStride, 0, m_h, planes, strides);
        for (int p = 0; p < 3; ++p) midPlanes[p] = planes[p], midStride[p] = strides[p];
        in = midPlanes;
        inStride = midStride;
      } else {
        // Bottom-up: start at the last row and step backwards.
        uint8_t* dst[1] = {block.data() + 40 + static_cast<size_t>(stride) * (m_h - 1)};
        int dstStride[1] = {-stride};
        sws_scale(m_steps[i], in, inStride, 0, m_h, dst, dstStride);
      }
    }
    return block;
  }

 private:
  std::string m_name;
  int m_w, m_h;
  std::vector<SwsContext*> m_steps;
  std::vector<std::vector<uint8_t>> m_mid;
};

int MaxDifference(const vt::PackedDib& ours, const vt::PackedDib& ref, int w, int h) {
  const int stride = OutStride(w);
  int worst = 0;
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < 3 * w; ++x) {
      const size_t i = 40 + static_cast<size_t>(r) * stride + x;
      worst = std::max(worst, std::abs(int{ours[i]} - int{ref[i]}));
    }
  return worst;
}

double TimeCalls(int reps, const std::function<void()>& f) {
  const auto t0 = Clock::now();
  for (int i = 0; i < reps; ++i) f();
  return Ms(Clock::now() - t0) / reps;
}

size_t g_sink = 0;  // keeps results alive

// Picks the fastest route, checks it gives our picture, then alternates ours and it.
void CompareConversion(const char* label, const Picture& p, const std::vector<uint8_t>& frame, const vt::GUID& subtype,
                       const uint8_t* const src[3], const int srcStride[3], std::vector<std::unique_ptr<CSwsRoute>> routes,
                       int rounds, CGoals* goals) {
  vt::CFrameConverter conv;
  auto ours = [&] { return conv.ConvertToRGB24(subtype, frame.data(), frame.size()); };
  // Each candidate's best of several passes over all of them, so that a noisy moment cannot
  // make a slow route the reference.
  for (auto& r : routes) r->Run(src, srcStride);  // warm
  std::vector<double> fastest(routes.size(), 1e300);
  for (int pass = 0; pass < kCalibrationPasses; ++pass)
    for (size_t i = 0; i < routes.size(); ++i)
      fastest[i] = std::min(fastest[i], TimeCalls(kCalibrationReps, [&] { g_sink += routes[i]->Run(src, srcStride)[100]; }));
  CSwsRoute* best = nullptr;
  double bestMs = 1e300;
  for (size_t i = 0; i < routes.size(); ++i) {
    std::printf("  %s candidate %-40s %8.3f ms\n", label, routes[i]->Name().c_str(), fastest[i]);
    if (fastest[i] < bestMs) bestMs = fastest[i], best = routes[i].get();
  }
  const int diff = MaxDifference(ours(), best->Run(src, srcStride), p.w, p.h);
  std::printf("  %s reference: %s (largest byte difference to ours %d)\n", label, best->Name().c_str(), diff);
  if (diff > kSameOutputTolerance) {
    std::printf("  %s: the reference does not give the same picture; no comparison\n", label);
    goals->AtMost(std::string(label) + ": same picture as the reference (byte difference)", diff, kSameOutputTolerance);
    return;
  }
  const Rounds r = Alternate(rounds, kConvertReps, [&] { g_sink += ours()[100]; },
                             [&] { g_sink += best->Run(src, srcStride)[100]; });
  PrintRounds(label, r);
  goals->AtMost(std::string(label) + " ours/swscale", r.Ratio().median, kGoalConvert);
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  ::lseek(fd, 0, SEEK_SET);
  out->resize(static_cast<size_t>(size));
  const bool ok = ::read(fd, out->data(), out->size()) == size;
  ::close(fd);
  return ok;
}

// The reference encoder with the same work around it: read the bitmap file, encode its
// bottom-up BGR rows at 4:2:0 (libjpeg's default), write the JPEG file as the program writes
// every file (whole or not at all: flushed to disk and renamed into place).
bool TurboEncode(tjhandle tj, const std::string& bmp, const std::string& jpg, int w, int h) {
  std::vector<uint8_t> file;
  if (!ReadFile(bmp, &file) || file.size() < 14) return false;
  uint32_t offBits;
  std::memcpy(&offBits, file.data() + 10, 4);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  if (tjCompress2(tj, file.data() + offBits, w, OutStride(w), h, TJPF_BGR, &out, &outSize, TJSAMP_420,
                  vt::kSnapshotJpegQuality, TJFLAG_BOTTOMUP) != 0)
    return false;
  const bool ok = vt::WriteBytesAtomically(jpg, out, outSize).ok();
  tjFree(out);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  std::printf("bench_snapshot: %d rounds; conversion %d calls per round, JPEG %d per round\n", rounds, kConvertReps,
              kJpegReps);
  std::printf("references: libswscale %s (fastest route to bottom-up BGR24 in a new block), libjpeg-turbo tjCompress2 "
              "(BGR, 4:2:0, quality %d, with the same file read and atomic write)\n",
              AV_STRINGIFY(LIBSWSCALE_VERSION), vt::kSnapshotJpegQuality);
  CGoals goals;
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vt_bench_snap_" + std::to_string(getpid()));
  fs::create_directories(dir);
  tjhandle tj = tjInitCompress();
  for (const Picture p : {Picture{720, 576}, Picture{1920, 1080}}) {
    const std::string size = std::to_string(p.w) + "x" + std::to_string(p.h);
    std::printf("frame %s\n", size.c_str());
    const std::vector<uint8_t> i420 = MakeI420(p);
    const std::vector<uint8_t> yuy2 = MakeYuy2(p);
    {
      const uint8_t* y = i420.data() + 40;
      const uint8_t* src[3] = {y, y + p.w * p.h, y + p.w * p.h * 5 / 4};
      const int stride[3] = {p.w, p.w / 2, p.w / 2};
      std::vector<std::unique_ptr<CSwsRoute>> routes;
      for (int flags : {SWS_POINT, SWS_FAST_BILINEAR})
        routes.push_back(std::make_unique<CSwsRoute>(std::string("I420->BGR24 ") + (flags == SWS_POINT ? "point" : "fast-bilinear"),
                                                     p.w, p.h, std::vector<AVPixelFormat>{AV_PIX_FMT_YUV420P, AV_PIX_FMT_BGR24}, flags));
      CompareConversion(("I420 -> RGB24 " + size).c_str(), p, i420, vt::MEDIASUBTYPE_I420, src, stride, std::move(routes),
                        rounds, &goals);
    }
    {
      const uint8_t* src[3] = {yuy2.data() + 40, nullptr, nullptr};
      const int stride[3] = {p.w * 2, 0, 0};
      std::vector<std::unique_ptr<CSwsRoute>> routes;
      for (int flags : {SWS_POINT, SWS_FAST_BILINEAR}) {
        const std::string f = flags == SWS_POINT ? "point" : "fast-bilinear";
        routes.push_back(std::make_unique<CSwsRoute>("YUYV422->BGR24 " + f, p.w, p.h,
                                                     std::vector<AVPixelFormat>{AV_PIX_FMT_YUYV422, AV_PIX_FMT_BGR24}, flags));
        routes.push_back(std::make_unique<CSwsRoute>(
            "YUYV422->YUV422P->BGR24 " + f, p.w, p.h,
            std::vector<AVPixelFormat>{AV_PIX_FMT_YUYV422, AV_PIX_FMT_YUV422P, AV_PIX_FMT_BGR24}, flags));
      }
      CompareConversion(("YUY2 -> RGB24 " + size).c_str(), p, yuy2, vt::MEDIASUBTYPE_YUY2, src, stride, std::move(routes),
                        rounds, &goals);
    }
    // JPEG from the same bitmap file.
    vt::CFrameConverter conv;
    vt::PackedDib pic = conv.ConvertToRGB24(vt::MEDIASUBTYPE_I420, i420.data(), i420.size());
    std::string name = "frame.bmp";
    vt::BITMAPINFOHEADER ph;
    std::memcpy(&ph, pic.data(), 40);
    if (!vt::SaveSnapshotBmp(&ph, pic.data() + 40, pic.size() - 40, nullptr, dir.string() + "/", &name, 0)) {
      std::fprintf(stderr, "could not write %s/frame.bmp\n", dir.c_str());
      return 2;
    }
    const std::string bmp = (dir / "frame.bmp").string(), oursJpg = (dir / "ours.jpg").string(),
                      refJpg = (dir / "ref.jpg").string();
    const std::string label = "JPEG q80 " + size;
    if (!vt::EncodeBitmapFileToJpeg(bmp, oursJpg, vt::kSnapshotJpegQuality) || !TurboEncode(tj, bmp, refJpg, p.w, p.h)) {
      std::fprintf(stderr, "%s: an encoder failed\n", label.c_str());
      return 2;
    }
    std::printf("  %s: file sizes ours %ju, tjCompress2 %ju bytes\n", label.c_str(), static_cast<uintmax_t>(fs::file_size(oursJpg)),
                static_cast<uintmax_t>(fs::file_size(refJpg)));
    const Rounds r = Alternate(rounds, kJpegReps, [&] { g_sink += vt::EncodeBitmapFileToJpeg(bmp, oursJpg, vt::kSnapshotJpegQuality); },
                               [&] { g_sink += TurboEncode(tj, bmp, refJpg, p.w, p.h); });
    PrintRounds(label, r);
    goals.AtMost(label + " ours/tjCompress2", r.Ratio().median, kGoalJpeg);
  }
  tjDestroy(tj);
  fs::remove_all(dir);
  if (g_sink == 0) std::printf("(no work was done)\n");
  return goals.Finish();
}
