#include "playback/gst/test_media.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdio>
#include <cstring>

#include "platform/win_types.h"

namespace vt {

namespace {

// Barcode: kCells cells across the top band; a white and a black marker cell, then the
// frame number's bits, most significant first (white = 1).
constexpr int kCells = 14;
constexpr int kBits = kCells - 2;

int CellWidth(int width) { return width / kCells; }
int BandHeight(int height) { return height / 9; }

struct ProbeState {
  int frame = 0;
};

GstPadProbeReturn PaintBarcode(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* st = static_cast<ProbeState*>(data);
  GstBuffer* buf = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buf;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  GstVideoInfo vi;
  GstVideoFrame vf;
  if (caps && gst_video_info_from_caps(&vi, caps) && gst_video_frame_map(&vf, &vi, buf, GST_MAP_WRITE)) {
    const int w = GST_VIDEO_FRAME_WIDTH(&vf), h = GST_VIDEO_FRAME_HEIGHT(&vf);
    const int cw = CellWidth(w), bh = BandHeight(h);
    auto* y = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
    const int ys = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
    for (int c = 0; c < kCells; ++c) {
      bool white = c == 0 ? true : c == 1 ? false : ((st->frame >> (kBits - 1 - (c - 2))) & 1) != 0;
      for (int r = 0; r < bh; ++r) std::memset(y + r * ys + c * cw, white ? 235 : 16, cw);
    }
    for (int p = 1; p <= 2; ++p) {
      auto* uv = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, p));
      const int s = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, p);
      for (int r = 0; r < bh / 2; ++r) std::memset(uv + r * s, 128, GST_VIDEO_FRAME_COMP_WIDTH(&vf, p));
    }
    gst_video_frame_unmap(&vf);
  }
  if (caps) gst_caps_unref(caps);
  ++st->frame;
  return GST_PAD_PROBE_OK;
}

struct BitmapView {
  const uint8_t* px;
  int width, height;
  uint32_t compression;
  int bitCount;
};

int BitmapLuma(const void* ctx, int x, int y) {
  const auto* b = static_cast<const BitmapView*>(ctx);
  switch (b->compression) {
    case MakeFourCC('I', '4', '2', '0'):
    case MakeFourCC('Y', 'V', '1', '2'):
    case MakeFourCC('I', 'Y', 'U', 'V'): return b->px[static_cast<size_t>(y) * ((b->width + 3) & ~3) + x];
    case MakeFourCC('Y', 'U', 'Y', '2'):
    case MakeFourCC('Y', 'V', 'Y', 'U'): return b->px[static_cast<size_t>(y) * ((2 * b->width + 3) & ~3) + 2 * x];
    case MakeFourCC('U', 'Y', 'V', 'Y'): return b->px[static_cast<size_t>(y) * ((2 * b->width + 3) & ~3) + 2 * x + 1];
    default: {
      // 32-bit bottom-up B, G, R, x (or 24-bit): green is close enough to luma for black and white cells.
      const int bpp = b->bitCount / 8;
      const size_t stride = (static_cast<size_t>(b->width) * bpp + 3) & ~size_t{3};
      return b->px[static_cast<size_t>(b->height - 1 - y) * stride + static_cast<size_t>(x) * bpp + 1];
    }
  }
}

}  // namespace

int ReadFrameNumber(int width, int height, int (*luma)(const void* ctx, int x, int y), const void* ctx) {
  const int cw = CellWidth(width), bh = BandHeight(height);
  if (cw < 4 || bh < 4) return -1;
  auto cell = [&](int c) {
    int sum = 0, n = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx, ++n) sum += luma(ctx, c * cw + cw / 2 + dx, bh / 2 + dy);
    return sum / n;
  };
  if (cell(0) < 160 || cell(1) > 96) return -1;
  int v = 0;
  for (int c = 2; c < kCells; ++c) {
    const int l = cell(c);
    if (l > 96 && l < 160) return -1;  // neither black nor white: not our picture
    v = (v << 1) | (l >= 160 ? 1 : 0);
  }
  return v;
}

int ReadFrameNumber(const uint8_t* bitmap, size_t size) {
  if (!bitmap || size < sizeof(BITMAPINFOHEADER)) return -1;
  BITMAPINFOHEADER bih;
  std::memcpy(&bih, bitmap, sizeof bih);
  if (bih.biWidth <= 0 || bih.biHeight <= 0 || bih.biSize != sizeof bih) return -1;
  if (size < sizeof bih + bih.biSizeImage) return -1;
  if (bih.biCompression == BI_RGB && bih.biBitCount != 32 && bih.biBitCount != 24) return -1;
  BitmapView view{bitmap + sizeof bih, bih.biWidth, bih.biHeight, bih.biCompression, bih.biBitCount};
  return ReadFrameNumber(bih.biWidth, bih.biHeight, &BitmapLuma, &view);
}

bool MakeTestClip(const TestClipSpec& spec, const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return fail("GStreamer cannot start");
  const std::string encoder = spec.codec == TestClipSpec::kMjpeg
                                  ? "jpegenc quality=85"
                                  : "avenc_mpeg4 bitrate=6000000 gop-size=50 max-bframes=0";
  char pattern[64] = "pattern=ball";
  if (spec.solidColour) std::snprintf(pattern, sizeof pattern, "pattern=solid-color foreground-color=%u", spec.solidColour);
  std::string desc = "videotestsrc name=src " + std::string(pattern) + " num-buffers=" + std::to_string(spec.frames) +
                     " ! video/x-raw,format=I420,width=" + std::to_string(spec.width) +
                     ",height=" + std::to_string(spec.height) + ",framerate=" + std::to_string(spec.fps) +
                     "/1 ! " + encoder + " ! avimux name=mux ! filesink name=out";
  if (spec.audio) {
    // 8 kHz mono in 40 ms buffers, as long as the video.
    const int buffers = spec.frames * 25 / spec.fps;
    desc += " audiotestsrc wave=sine freq=440 samplesperbuffer=320 num-buffers=" + std::to_string(buffers) +
            " ! audio/x-raw,format=S16LE,rate=8000,channels=1 ! mux.";
  }
  GError* err = nullptr;
  GstElement* pipe = gst_parse_launch(desc.c_str(), &err);
  if (!pipe) {
    std::string why = err ? err->message : "pipeline";
    if (err) g_error_free(err);
    return fail(why);
  }
  if (err) g_error_free(err);
  GstElement* out = gst_bin_get_by_name(GST_BIN(pipe), "out");
  g_object_set(out, "location", path.c_str(), nullptr);
  gst_object_unref(out);
  ProbeState state;
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "src");
  GstPad* pad = gst_element_get_static_pad(src, "src");
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &PaintBarcode, &state, nullptr);
  gst_object_unref(pad);
  gst_object_unref(src);
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipe);
  GstMessage* msg = gst_bus_timed_pop_filtered(bus, 120 * GST_SECOND,
                                               static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
  std::string why = "time-out";
  if (msg && !ok) {
    GError* e = nullptr;
    gst_message_parse_error(msg, &e, nullptr);
    why = e ? e->message : "error";
    if (e) g_error_free(e);
  }
  if (msg) gst_message_unref(msg);
  gst_object_unref(bus);
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(pipe);
  return ok ? true : fail(why);
}

}  // namespace vt
