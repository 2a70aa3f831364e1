#include "playback/gst/test_media.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/win_types.h"

namespace vt {

namespace {

// Barcode: kCells cells across the top band; a white and a black marker cell, then the
// frame number's bits, most significant first (white = 1).
constexpr int kCells = 14;
constexpr int kBits = kCells - 2;

int CellWidth(int width) { return width / kCells; }
int BandHeight(int height) { return height / 9; }

// The textured scene: a square tile that repeats seamlessly, panned across the frame.
constexpr int kTile = 512;
constexpr int kPanX = 3, kPanY = 1;  // pixels per frame

// Smooth value noise of a few octaves plus hard-edged blocks, periodic in kTile / scale; values
// spread over [lo, hi].
std::vector<uint8_t> MakeTile(int size, uint32_t seed, int lo, int hi) {
  std::mt19937 rng(seed);
  std::vector<float> acc(static_cast<size_t>(size) * size, 0.f);
  float amp = 1.f;
  for (int cells = 4; cells <= size / 4; cells *= 2, amp *= 0.55f) {
    std::vector<float> grid(static_cast<size_t>(cells) * cells);
    for (float& g : grid) g = std::uniform_real_distribution<float>(-1.f, 1.f)(rng);
    const float step = static_cast<float>(size) / cells;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float fx = x / step, fy = y / step;
        const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
        const float tx = fx - x0, ty = fy - y0;
        auto at = [&](int gx, int gy) { return grid[static_cast<size_t>(gy % cells) * cells + gx % cells]; };
        const float top = at(x0, y0) * (1 - tx) + at(x0 + 1, y0) * tx;
        const float bottom = at(x0, y0 + 1) * (1 - tx) + at(x0 + 1, y0 + 1) * tx;
        acc[static_cast<size_t>(y) * size + x] += amp * (top * (1 - ty) + bottom * ty);
      }
  }
  for (int b = 0; b < 40; ++b) {
    const int bx = static_cast<int>(rng() % size), by = static_cast<int>(rng() % size);
    const int bw = 8 + static_cast<int>(rng() % (size / 6)), bh = 8 + static_cast<int>(rng() % (size / 6));
    const float v = std::uniform_real_distribution<float>(-0.8f, 0.8f)(rng);
    for (int y = by; y < by + bh; ++y)
      for (int x = bx; x < bx + bw; ++x) acc[static_cast<size_t>(y % size) * size + x % size] += v;
  }
  const auto [mn, mx] = std::minmax_element(acc.begin(), acc.end());
  const float scale = (hi - lo) / std::max(1e-6f, *mx - *mn);
  std::vector<uint8_t> tile(acc.size());
  for (size_t i = 0; i < acc.size(); ++i) tile[i] = static_cast<uint8_t>(std::lround(lo + (acc[i] - *mn) * scale));
  return tile;
}

struct ProbeState {
  int frame = 0;
  int firstNumber = 0;
  bool texture = false;
  std::vector<uint8_t> tile[3];  // Y (kTile), U and V (kTile / 2)
  std::vector<int8_t> noise;     // sensor noise added to luma, read from a new place each row and frame
};

constexpr int kNoiseLength = 65537;  // prime, so rows and frames rarely line up
constexpr int kNoiseLevel = 4;       // +- luma steps

std::vector<int8_t> MakeNoise() {
  std::mt19937 rng(4);
  std::vector<int8_t> n(kNoiseLength + 4096);  // room for one row's read past the end
  for (int8_t& v : n) v = static_cast<int8_t>(static_cast<int>(rng() % (2 * kNoiseLevel + 1)) - kNoiseLevel);
  return n;
}

void AddNoise(uint8_t* plane, int stride, int width, int height, const std::vector<int8_t>& noise, int frame) {
  for (int r = 0; r < height; ++r) {
    uint8_t* row = plane + static_cast<size_t>(r) * stride;
    for (int x0 = 0; x0 < width; x0 += 4096) {
      const int8_t* n = noise.data() + (static_cast<int64_t>(r) * 7919 + static_cast<int64_t>(frame) * 104729 + x0 * 31) % kNoiseLength;
      const int end = std::min(width - x0, 4096);
      for (int x = 0; x < end; ++x) row[x0 + x] = static_cast<uint8_t>(std::clamp(row[x0 + x] + n[x], 16, 235));
    }
  }
}

// Fills plane rows with the tile, shifted by (ox, oy) pixels.
void PaintTile(uint8_t* plane, int stride, int width, int height, const std::vector<uint8_t>& tile, int size, int ox, int oy) {
  for (int r = 0; r < height; ++r) {
    const uint8_t* src = tile.data() + static_cast<size_t>((r + oy) % size) * size;
    int x = 0, sx = ox % size;
    while (x < width) {
      const int n = std::min(width - x, size - sx);
      std::memcpy(plane + static_cast<size_t>(r) * stride + x, src + sx, n);
      x += n;
      sx = 0;
    }
  }
}

GstPadProbeReturn PaintBarcode(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* st = static_cast<ProbeState*>(data);
  GstBuffer* buf = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buf;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  GstVideoInfo vi;
  GstVideoFrame vf;
  if (caps && gst_video_info_from_caps(&vi, caps) && gst_video_frame_map(&vf, &vi, buf, GST_MAP_WRITE)) {
    const int w = GST_VIDEO_FRAME_WIDTH(&vf), h = GST_VIDEO_FRAME_HEIGHT(&vf);
    if (st->texture) {
      for (int p = 0; p < 3; ++p) {
        const int size = p == 0 ? kTile : kTile / 2, div = p == 0 ? 1 : 2;
        PaintTile(static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, p)), GST_VIDEO_FRAME_PLANE_STRIDE(&vf, p),
                  GST_VIDEO_FRAME_COMP_WIDTH(&vf, p), GST_VIDEO_FRAME_COMP_HEIGHT(&vf, p), st->tile[p], size,
                  st->frame * kPanX / div, st->frame * kPanY / div);
      }
      AddNoise(static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0)), GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0), w, h,
               st->noise, st->frame);
    }
    const int cw = CellWidth(w), bh = BandHeight(h);
    auto* y = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
    const int ys = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
    for (int c = 0; c < kCells; ++c) {
      const int number = (st->firstNumber + st->frame) & kMaxFrameNumber;
      bool white = c == 0 ? true : c == 1 ? false : ((number >> (kBits - 1 - (c - 2))) & 1) != 0;
      for (int r = 0; r < bh; ++r) std::memset(y + r * ys + c * cw, white ? 235 : 16, cw);
    }
    for (int p = 1; p <= 2; ++p) {
      auto* uv = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, p));
      const int s = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, p);
      for (int r = 0; r < bh / 2; ++r) std::memset(uv + r * s, 128, GST_VIDEO_FRAME_COMP_WIDTH(&vf, p));
    }
    // jpegenc reads whole blocks, so the row padding of an odd-sized frame reaches the picture's
    // edge; left unwritten it made the clip's last column differ from one run to the next.
    for (int p = 0; p < static_cast<int>(GST_VIDEO_FRAME_N_PLANES(&vf)); ++p) {
      auto* plane = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, p));
      const int s = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, p), pw = GST_VIDEO_FRAME_COMP_WIDTH(&vf, p);
      if (pw <= 0 || s <= pw) continue;
      for (int r = 0; r < GST_VIDEO_FRAME_COMP_HEIGHT(&vf, p); ++r)
        std::memset(plane + static_cast<size_t>(r) * s + pw, plane[static_cast<size_t>(r) * s + pw - 1], s - pw);
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

namespace {

struct FailState {
  int left;
  bool failed = false;
};

GstPadProbeReturn FailOnce(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* st = static_cast<FailState*>(data);
  if (st->failed || st->left-- > 0) return GST_PAD_PROBE_OK;
  st->failed = true;
  gst_buffer_unref(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = nullptr;
  GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
  return GST_PAD_PROBE_HANDLED;
}

// The first element of the bin (searched through its children) whose class names a demuxer.
GstElement* FindDemuxer(GstBin* bin) {
  GstIterator* it = gst_bin_iterate_recurse(bin);
  GValue item = G_VALUE_INIT;
  GstElement* found = nullptr;
  while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto* e = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory* f = gst_element_get_factory(e);
    const gchar* klass = f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (klass && std::strstr(klass, "Demux")) found = GST_ELEMENT(gst_object_ref(e));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return found;
}

}  // namespace

bool FailStreamAfter(GstElement* pipeline, int buffers) {
  if (!pipeline || !GST_IS_BIN(pipeline)) return false;
  GstElement* demux = FindDemuxer(GST_BIN(pipeline));
  if (!demux) return false;
  GstPad* pad = gst_element_get_static_pad(demux, "video_0");
  gst_object_unref(demux);
  if (!pad) return false;
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &FailOnce, new FailState{buffers},
                    [](gpointer p) { delete static_cast<FailState*>(p); });
  gst_object_unref(pad);
  return true;
}

bool MakeTestClip(const TestClipSpec& spec, const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return fail("GStreamer cannot start");
  if (spec.keyInterval < 1) return fail("key-frame interval must be positive");
  if (spec.fps < 1 || spec.fpsDen < 1) return fail("frame rate must be positive");
  if (spec.firstNumber < 0 || (!spec.numbersWrap && spec.firstNumber + spec.frames - 1 > kMaxFrameNumber))
    return fail("frame numbers beyond the barcode");
  // Aimed at 6 Mbit/s for MPEG-4 up to 720 x 576, growing with the square root of the picture
  // above it; H.264 gets half.
  const double scale = std::max(1.0, std::sqrt(static_cast<double>(spec.width) * spec.height / (720.0 * 576.0)));
  const long mpeg4Bits = std::lround(6000000 * scale);
  const std::string gop = std::to_string(spec.keyInterval);
  std::string encoder;
  switch (spec.codec) {
    case TestClipSpec::kMjpeg: encoder = "jpegenc quality=85"; break;
    case TestClipSpec::kMpeg4:
      // The quantizer cap keeps the sensor noise, as a camera at a good quality setting would.
      encoder = "avenc_mpeg4 bitrate=" + std::to_string(mpeg4Bits) + " qmax=3 gop-size=" + gop + " max-bframes=0";
      break;
    case TestClipSpec::kH264:
      // No scene-cut key frames, so that the key frames are exactly where asked.
      encoder = "x264enc speed-preset=veryfast bframes=0 key-int-max=" + gop +
                " option-string=scenecut=0 bitrate=" + std::to_string(mpeg4Bits / 2000) +
                " ! video/x-h264,stream-format=byte-stream,alignment=au";
      break;
  }
  const bool texture = spec.pattern == TestClipSpec::kTexture;
  char pattern[64] = "pattern=ball";
  if (texture)
    std::snprintf(pattern, sizeof pattern, "pattern=black");
  else if (spec.solidColour)
    std::snprintf(pattern, sizeof pattern, "pattern=solid-color foreground-color=%u", spec.solidColour);
  std::string desc = "avimux name=mux ! filesink name=out";
  if (!spec.noVideo) {
    desc += std::string(" videotestsrc name=src ") + pattern + " num-buffers=" + std::to_string(spec.frames) +
            " ! video/x-raw,format=I420,width=" + std::to_string(spec.width) + ",height=" + std::to_string(spec.height) +
            ",framerate=" + std::to_string(spec.fps) + "/" + std::to_string(spec.fpsDen) + " ! ";
    if (texture)
      desc += "timeoverlay valignment=bottom halignment=right font-desc=\"Sans Bold " +
              std::to_string(std::max(10, spec.height / 24)) + "\" ! ";
    if (spec.wallClock)
      // Just under the barcode band, left.
      desc += "timeoverlay name=wall show-times-as-dates=true datetime-format=\"%Y-%m-%d %H:%M:%S.%f\" "
              "valignment=top halignment=left ypad=" + std::to_string(BandHeight(spec.height) + 4) +
              " font-desc=\"Sans Bold " + std::to_string(std::max(6, spec.height / 24)) + "\" ! ";
    desc += encoder + " ! mux.";
  }
  if (spec.audio || spec.noVideo) {
    // 8 kHz mono in 40 ms buffers, as long as the video.
    const int buffers = spec.frames * 25 * spec.fpsDen / spec.fps;
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
  if (spec.wallClock) {
    GstElement* wall = gst_bin_get_by_name(GST_BIN(pipe), "wall");
    GDateTime* epoch = g_date_time_new_from_unix_local(spec.wallClock);
    g_object_set(wall, "datetime-epoch", epoch, nullptr);
    g_date_time_unref(epoch);
    gst_object_unref(wall);
  }
  ProbeState state;
  state.firstNumber = spec.firstNumber;
  if (texture) {
    state.texture = true;
    state.tile[0] = MakeTile(kTile, 1, 24, 228);
    state.tile[1] = MakeTile(kTile / 2, 2, 88, 168);
    state.tile[2] = MakeTile(kTile / 2, 3, 88, 168);
    state.noise = MakeNoise();
  }
  if (GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "src")) {
    GstPad* pad = gst_element_get_static_pad(src, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &PaintBarcode, &state, nullptr);
    gst_object_unref(pad);
    gst_object_unref(src);
  }
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

std::vector<int> ReadKeyFrames(const std::string& path) {
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return {};
  gchar* quoted = g_strescape(path.c_str(), nullptr);
  const std::string desc = std::string("filesrc location=\"") + quoted +
                           "\" ! avidemux name=d d.video_0 ! appsink name=s sync=false";
  g_free(quoted);
  GstElement* pipe = gst_parse_launch(desc.c_str(), nullptr);
  if (!pipe) return {};
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipe), "s");
  std::vector<int> keys;
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  int n = 0;
  while (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND)) {
    if (!GST_BUFFER_FLAG_IS_SET(gst_sample_get_buffer(s), GST_BUFFER_FLAG_DELTA_UNIT)) keys.push_back(n);
    ++n;
    gst_sample_unref(s);
  }
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipe);
  return keys;
}

}  // namespace vt
