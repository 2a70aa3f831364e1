#include "playback/gst/frame_pack.h"

#include <algorithm>
#include <cstring>

#include "playback/frame_paint.h"
#include "platform/win_types.h"

namespace vt {

namespace {

int32_t Align4(int32_t n) { return (n + 3) & ~3; }

constexpr uint32_t kI420 = MakeFourCC('I', '4', '2', '0'), kYV12 = MakeFourCC('Y', 'V', '1', '2'),
                   kYUY2 = MakeFourCC('Y', 'U', 'Y', '2'), kUYVY = MakeFourCC('U', 'Y', 'V', 'Y'),
                   kYVYU = MakeFourCC('Y', 'V', 'Y', 'U'), kBGRx = MakeFourCC('B', 'G', 'R', 'x');

// Subsampled chroma that does not divide the picture evenly: a packed YUV frame would give its
// last column or row no chroma of its own.
bool ChromaDoesNotFit(uint32_t fourcc, int32_t w, int32_t h) {
  switch (fourcc) {
    case kI420:
    case kYV12: return (w | h) & 1;
    case kYUY2:
    case kUYVY:
    case kYVYU: return w & 1;
    default: return false;
  }
}

// 32-bit bottom-up BI_RGB bitmap of the frame, converted as it is painted.
std::vector<uint8_t> PackAsRgb32(const VideoFrame& frame) {
  const int32_t w = frame.width, h = frame.height;
  std::vector<uint32_t> rows(static_cast<size_t>(w) * h);
  if (!ScaleFrameToRgb32(frame, rows.data(), w, h, w)) return {};
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = w;
  bih.biHeight = h;
  bih.biPlanes = 1;
  bih.biBitCount = 32;
  bih.biCompression = BI_RGB;
  bih.biSizeImage = static_cast<uint32_t>(4 * w) * h;
  std::vector<uint8_t> out(sizeof bih + bih.biSizeImage);
  std::memcpy(out.data(), &bih, sizeof bih);
  for (int32_t r = 0; r < h; ++r) {
    uint8_t* dst = out.data() + sizeof bih + static_cast<size_t>(h - 1 - r) * 4 * w;
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t px = rows[static_cast<size_t>(r) * w + x];  // 0xFFRRGGBB
      dst[4 * x] = static_cast<uint8_t>(px);
      dst[4 * x + 1] = static_cast<uint8_t>(px >> 8);
      dst[4 * x + 2] = static_cast<uint8_t>(px >> 16);
      dst[4 * x + 3] = 0;
    }
  }
  return out;
}

}  // namespace

uint32_t FourCCOf(GstVideoFormat f) {
  switch (f) {
    case GST_VIDEO_FORMAT_I420: return MakeFourCC('I', '4', '2', '0');
    case GST_VIDEO_FORMAT_YV12: return MakeFourCC('Y', 'V', '1', '2');
    case GST_VIDEO_FORMAT_YUY2: return MakeFourCC('Y', 'U', 'Y', '2');
    case GST_VIDEO_FORMAT_UYVY: return MakeFourCC('U', 'Y', 'V', 'Y');
    case GST_VIDEO_FORMAT_YVYU: return MakeFourCC('Y', 'V', 'Y', 'U');
    case GST_VIDEO_FORMAT_BGRx:
    case GST_VIDEO_FORMAT_BGRA: return MakeFourCC('B', 'G', 'R', 'x');
    default: return 0;
  }
}

namespace {
void DescribeFrame(GstVideoFrame* vf, GstClockTime pts, VideoFrame* frame) {
  frame->fourcc = FourCCOf(GST_VIDEO_FRAME_FORMAT(vf));
  frame->width = GST_VIDEO_FRAME_WIDTH(vf);
  frame->height = GST_VIDEO_FRAME_HEIGHT(vf);
  frame->pts = GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<int64_t>(pts / 100) : -1;
  frame->nPlanes = static_cast<int>(GST_VIDEO_FRAME_N_PLANES(vf));
}
}  // namespace

// The mapped frame as a VideoFrame: planes copied with their strides.
void CopyVideoFrame(GstVideoFrame* vf, GstClockTime pts, VideoFrame* frame) {
  DescribeFrame(vf, pts, frame);
  size_t total = 0;
  for (int p = 0; p < frame->nPlanes && p < 3; ++p) {
    frame->offset[p] = total;
    frame->stride[p] = GST_VIDEO_FRAME_PLANE_STRIDE(vf, p);
    total += static_cast<size_t>(frame->stride[p]) * GST_VIDEO_FRAME_COMP_HEIGHT(vf, p);
  }
  // Appended plane by plane into reserved room: each byte is written once (a resize would
  // first clear the 3 MB of a 1080p frame that the copy then overwrites).
  frame->data.clear();
  frame->data.reserve(total);
  for (int p = 0; p < frame->nPlanes && p < 3; ++p) {
    const auto* plane = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(vf, p));
    frame->data.insert(frame->data.end(), plane,
                       plane + static_cast<size_t>(frame->stride[p]) * GST_VIDEO_FRAME_COMP_HEIGHT(vf, p));
  }
}

std::shared_ptr<const VideoFrame> SampleToFrame(GstSample* sample) {
  GstVideoInfo info;
  GstVideoFrame vf;
  if (!sample || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
      !gst_video_frame_map(&vf, &info, gst_sample_get_buffer(sample), GST_MAP_READ))
    return nullptr;
  auto frame = std::make_shared<VideoFrame>();
  CopyVideoFrame(&vf, GST_BUFFER_PTS(gst_sample_get_buffer(sample)), frame.get());
  gst_video_frame_unmap(&vf);
  return frame;
}

std::shared_ptr<const VideoFrame> ShareSampleFrame(GstSample* sample) {
  GstVideoInfo info;
  if (!sample || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return nullptr;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  auto* vf = new GstVideoFrame;
  if (!gst_video_frame_map(vf, &info, buffer, GST_MAP_READ)) {
    delete vf;
    return nullptr;
  }
  // The map holds its own reference to the buffer.
  std::shared_ptr<GstVideoFrame> mapped(vf, [](GstVideoFrame* f) {
    gst_video_frame_unmap(f);
    delete f;
  });
  auto frame = std::make_shared<VideoFrame>();
  const uint8_t* block = vf->map[0].data;
  const size_t blockSize = vf->map[0].size;
  bool oneBlock = block != nullptr;
  for (int p = 0; oneBlock && p < static_cast<int>(GST_VIDEO_FRAME_N_PLANES(vf)) && p < 3; ++p) {
    const auto* plane = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(vf, p));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(vf, p);
    const size_t extent = static_cast<size_t>(std::max(stride, 0)) * GST_VIDEO_FRAME_COMP_HEIGHT(vf, p);
    oneBlock = stride > 0 && plane >= block && plane + extent <= block + blockSize;
    if (oneBlock) {
      frame->offset[p] = static_cast<size_t>(plane - block);
      frame->stride[p] = stride;
    }
  }
  if (!oneBlock) {
    CopyVideoFrame(vf, GST_BUFFER_PTS(buffer), frame.get());
    return frame;
  }
  DescribeFrame(vf, GST_BUFFER_PTS(buffer), frame.get());
  frame->held = block;
  frame->heldSize = blockSize;
  frame->keep = std::move(mapped);
  return frame;
}

std::vector<uint8_t> PackBitmap(const VideoFrame& vf) {
  const uint32_t fmt = vf.fourcc;
  const int32_t w = vf.width, h = vf.height;
  if (w <= 0 || h <= 0) return {};
  // Every plane the format needs must lie inside the data.
  const int planes = fmt == kI420 || fmt == kYV12 ? 3 : 1;
  if (vf.nPlanes < planes) return {};
  for (int p = 0; p < planes; ++p) {
    const int32_t rows = p == 0 ? h : (h + 1) / 2;
    if (vf.stride[p] <= 0 || vf.offset[p] + static_cast<size_t>(vf.stride[p]) * rows > vf.Size()) return {};
  }
  if (ChromaDoesNotFit(fmt, w, h)) return PackAsRgb32(vf);
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = w;
  bih.biHeight = h;
  bih.biPlanes = 1;
  std::vector<uint8_t> out;
  auto plane = [&vf](int p) { return vf.Bytes() + vf.offset[p]; };
  auto copyRows = [](uint8_t* dst, int32_t dstStride, const uint8_t* src, int32_t srcStride, int32_t rowBytes,
                     int32_t rows, bool flip) {
    for (int32_t r = 0; r < rows; ++r)
      std::memcpy(dst + static_cast<size_t>(flip ? rows - 1 - r : r) * dstStride,
                  src + static_cast<size_t>(r) * srcStride, rowBytes);
  };
  switch (fmt) {
    case kI420:
    case kYV12: {
      const int32_t ls = Align4(w), cs = Align4(w / 2);
      const size_t lumaBytes = static_cast<size_t>(h) * ls, chromaBytes = static_cast<size_t>(h) * cs / 2;
      bih.biBitCount = 12;
      bih.biCompression = fmt;
      bih.biSizeImage = static_cast<uint32_t>(lumaBytes + 2 * chromaBytes);
      out.assign(sizeof bih + bih.biSizeImage, 0);
      uint8_t* px = out.data() + sizeof bih;
      copyRows(px, ls, plane(0), vf.stride[0], w, h, false);
      // Planes 1 and 2 are in the format's own order (I420: U, V; YV12: V, U).
      for (int p = 1; p <= 2; ++p)
        copyRows(px + lumaBytes + (p - 1) * chromaBytes, cs, plane(p), vf.stride[p], w / 2, h / 2, false);
      break;
    }
    case kYUY2:
    case kUYVY:
    case kYVYU: {
      const int32_t s = Align4(16 * w / 8);
      bih.biBitCount = 16;
      bih.biCompression = fmt;
      bih.biSizeImage = static_cast<uint32_t>(s) * h;
      out.assign(sizeof bih + bih.biSizeImage, 0);
      copyRows(out.data() + sizeof bih, s, plane(0), vf.stride[0], 2 * w, h, false);
      break;
    }
    case kBGRx: {
      bih.biBitCount = 32;
      bih.biCompression = BI_RGB;
      bih.biSizeImage = static_cast<uint32_t>(4 * w) * h;
      out.assign(sizeof bih + bih.biSizeImage, 0);
      copyRows(out.data() + sizeof bih, 4 * w, plane(0), vf.stride[0], 4 * w, h, true);
      break;
    }
    default: return {};
  }
  std::memcpy(out.data(), &bih, sizeof bih);
  return out;
}

}  // namespace vt
