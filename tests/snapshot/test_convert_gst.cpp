// Cross-check of the frame converter against GStreamer's videoconvert (BT.601, studio range,
// chroma replicated, no dithering) on frames GStreamer itself produced and decoded.
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "snapshot/frame_converter.h"
#include "snapshot/media_subtype.h"

namespace vt {
namespace {

constexpr int kW = 64;
constexpr int kH = 48;

struct Format {
  const char* gstName;
  uint32_t fourcc;
  int bitCount;
  // Components in our plane order (planar formats): Y, then the first and second chroma plane.
  int order[3];
  bool planar;
};

GstSample* PullOne(const std::string& launch) {
  GError* err = nullptr;
  GstElement* pipe = gst_parse_launch(launch.c_str(), &err);
  if (!pipe) {
    ADD_FAILURE() << (err ? err->message : "parse failed");
    if (err) g_error_free(err);
    return nullptr;
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipe), "out");
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipe);
  return s;
}

// Our packed frame (header + planes in our strides) from a GStreamer frame.
std::vector<uint8_t> ToPackedFrame(const Format& f, GstSample* sample) {
  GstVideoInfo info;
  gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
  GstVideoFrame frame;
  gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ);
  std::vector<uint8_t> pixels;
  auto append = [&](const uint8_t* src, int srcStride, int rowBytes, int rows, int ourStride) {
    for (int r = 0; r < rows; ++r) {
      const size_t at = pixels.size();
      pixels.resize(at + static_cast<size_t>(ourStride), 0);
      std::memcpy(pixels.data() + at, src + static_cast<ptrdiff_t>(r) * srcStride, static_cast<size_t>(rowBytes));
    }
  };
  if (!f.planar) {
    append(static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)), GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0),
           kW * 2, kH, (kW * 2 + 3) & ~3);
  } else {
    for (int i = 0; i < 3; ++i) {
      const int c = f.order[i];
      const int w = GST_VIDEO_FRAME_COMP_WIDTH(&frame, c), h = GST_VIDEO_FRAME_COMP_HEIGHT(&frame, c);
      append(static_cast<const uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, c)), GST_VIDEO_FRAME_COMP_STRIDE(&frame, c), w, h,
             (w + 3) & ~3);
    }
  }
  gst_video_frame_unmap(&frame);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = kW;
  h.biHeight = kH;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(f.bitCount);
  h.biCompression = f.fourcc;
  h.biSizeImage = static_cast<uint32_t>(pixels.size());
  std::vector<uint8_t> out(40 + pixels.size());
  std::memcpy(out.data(), &h, 40);
  std::memcpy(out.data() + 40, pixels.data(), pixels.size());
  return out;
}

// videoconvert's rendering of the same buffer as BGR, top row first, kW * 3 bytes a row. It renders
// to 16 bits a channel (its 16-bit matrix path; the 8-bit BGR path is itself up to 3-4 levels off
// the BT.601 values at the top of the range) and rounds to 8 bits.
std::vector<uint8_t> ReferenceBgr(const Format& f, GstSample* sample) {
  const std::string launch = std::string("appsrc name=in format=time caps=video/x-raw,format=") + f.gstName +
                             ",width=" + std::to_string(kW) + ",height=" + std::to_string(kH) +
                             ",framerate=25/1,colorimetry=bt601,chroma-site=jpeg"
                             " ! videoconvert chroma-mode=none dither=none matrix-mode=full"
                             " ! video/x-raw,format=ARGB64 ! appsink name=out";
  GstElement* pipe = gst_parse_launch(launch.c_str(), nullptr);
  if (!pipe) return {};
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "in");
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipe), "out");
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  GstBuffer* buf = gst_buffer_copy(gst_sample_get_buffer(sample));
  GST_BUFFER_PTS(buf) = 0;
  gst_app_src_push_buffer(GST_APP_SRC(src), buf);
  gst_app_src_end_of_stream(GST_APP_SRC(src));
  GstSample* out = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
  std::vector<uint8_t> bgr;
  if (out) {
    GstVideoInfo info;
    gst_video_info_from_caps(&info, gst_sample_get_caps(out));
    GstVideoFrame frame;
    gst_video_frame_map(&frame, &info, gst_sample_get_buffer(out), GST_MAP_READ);
    for (int y = 0; y < kH; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                           static_cast<ptrdiff_t>(y) * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
      const uint16_t* argb = reinterpret_cast<const uint16_t*>(row);
      for (int x = 0; x < kW; ++x)
        for (int c : {3, 2, 1}) bgr.push_back(static_cast<uint8_t>((argb[4 * x + c] + 128) / 257));
    }
    gst_video_frame_unmap(&frame);
    gst_sample_unref(out);
  }
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(src);
  gst_object_unref(sink);
  gst_object_unref(pipe);
  return bgr;
}

// Tolerance: our tables hold the coefficients with the fraction dropped and the sums are shifted
// down, so each channel lies up to 2 levels below the exact BT.601 value; videoconvert rounds its
// own fixed-point matrix, about 1 level either way. Together: at most 3 levels, 0.8-1.4 on average.
TEST(ConvertVersusVideoconvert, EveryYuvFormatWithinThreeLevels) {
  gst_init(nullptr, nullptr);
  const Format formats[] = {
      {"YUY2", kFourCC_YUY2, 16, {}, false},
      {"UYVY", kFourCC_UYVY, 16, {}, false},
      {"YVYU", kFourCC_YVYU, 16, {}, false},
      {"YV12", kFourCC_YV12, 12, {GST_VIDEO_COMP_Y, GST_VIDEO_COMP_V, GST_VIDEO_COMP_U}, true},
      {"I420", kFourCC_I420, 12, {GST_VIDEO_COMP_Y, GST_VIDEO_COMP_U, GST_VIDEO_COMP_V}, true},
      {"YVU9", kFourCC_YVU9, 9, {GST_VIDEO_COMP_Y, GST_VIDEO_COMP_V, GST_VIDEO_COMP_U}, true},
  };
  // A decoded frame: the colour-bar and zone-plate patterns through a JPEG round trip, in each format.
  const char* patterns[] = {"smpte", "pinwheel", "zone-plate kx2=20 ky2=20", "solid-color foreground-color=0xffe0f020",
                            "gradient"};
  CFrameConverter converter;
  for (const Format& f : formats) {
    for (const char* pattern : patterns) {
      SCOPED_TRACE(std::string(f.gstName) + " " + pattern);
      const std::string launch = std::string("videotestsrc num-buffers=1 pattern=") + pattern +
                                 " ! video/x-raw,width=" + std::to_string(kW) + ",height=" + std::to_string(kH) +
                                 " ! jpegenc quality=90 ! jpegdec ! videoconvert ! video/x-raw,format=" + f.gstName +
                                 ",colorimetry=bt601,chroma-site=jpeg ! appsink name=out";
      GstSample* sample = PullOne(launch);
      ASSERT_NE(sample, nullptr);
      const std::vector<uint8_t> frame = ToPackedFrame(f, sample);
      const std::vector<uint8_t> ref = ReferenceBgr(f, sample);
      gst_sample_unref(sample);
      ASSERT_EQ(ref.size(), static_cast<size_t>(kW * kH * 3));
      const PackedDib ours = converter.ConvertToRGB24(FourCCSubtype(f.fourcc), frame.data(), frame.size());
      ASSERT_FALSE(ours.empty());
      const int stride = (kW * 3 + 3) & ~3;
      int worst = 0;
      long total = 0;
      for (int y = 0; y < kH; ++y)
        for (int i = 0; i < kW * 3; ++i) {
          const int a = ours[40 + static_cast<size_t>(kH - 1 - y) * stride + i];
          const int b = ref[static_cast<size_t>(y) * kW * 3 + i];
          worst = std::max(worst, std::abs(a - b));
          total += std::abs(a - b);
        }
      const double mean = static_cast<double>(total) / (kW * kH * 3);
      std::printf("%-5s %-40s max difference %d, mean %.2f\n", f.gstName, pattern, worst, mean);
      EXPECT_LE(worst, 3);
      EXPECT_LT(mean, 1.5);
    }
  }
}

}  // namespace
}  // namespace vt
