#include "demo/demo_clip.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <memory>
#include <unistd.h>

namespace vt::demo {

namespace {

struct GstUnref {
  void operator()(gpointer p) const {
    if (p) gst_object_unref(p);
  }
};

std::string TakeError(GstMessage* msg) {
  GError* e = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(msg, &e, &debug);
  std::string why = e ? e->message : "GStreamer error";
  if (e) g_error_free(e);
  g_free(debug);
  return why;
}

// Pops an error message if one is waiting (non-blocking).
bool PipelineFailed(GstBus* bus, std::string* why) {
  GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
  if (!msg) return false;
  *why = TakeError(msg);
  gst_message_unref(msg);
  return true;
}

}  // namespace

bool WriteDemoClip(const DemoClipSpec& spec, const DemoFrameFn& draw, const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = path + ": " + why;
    ::unlink(path.c_str());
    return false;
  };
  if (spec.nFrames <= 0 || spec.nFps <= 0 || spec.nWidth <= 0 || spec.nHeight <= 0) return fail("empty clip");
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return fail("GStreamer cannot start");

  const std::string size = ",width=" + std::to_string(spec.nWidth) + ",height=" + std::to_string(spec.nHeight) +
                           ",framerate=" + std::to_string(spec.nFps) + "/1";
  std::string desc = "appsrc name=src format=time block=true max-bytes=4000000 caps=video/x-raw,format=RGBx" + size +
                     " ! videoconvert ! video/x-raw,format=I420 ! jpegenc quality=" +
                     std::to_string(spec.nJpegQuality) + " ! avimux name=mux ! filesink name=out";
  if (spec.bAudio) {
    // 8 kHz mono, one tick a second, exactly as long as the video (40 ms buffers of 320 samples).
    const long long samples = 8000LL * spec.nFrames / spec.nFps;
    desc += " audiotestsrc wave=ticks volume=0.5 samplesperbuffer=320 num-buffers=" + std::to_string(samples / 320) +
            " ! audio/x-raw,format=S16LE,rate=8000,channels=1 ! mux.";
  }
  GError* err = nullptr;
  GstElement* pipe = gst_parse_launch(desc.c_str(), &err);
  if (err) {
    std::string why = err->message;
    g_error_free(err);
    if (pipe) gst_object_unref(pipe);
    return fail(why);
  }
  std::unique_ptr<GstElement, GstUnref> pipeline(pipe);
  std::unique_ptr<GstElement, GstUnref> out(gst_bin_get_by_name(GST_BIN(pipe), "out"));
  std::unique_ptr<GstElement, GstUnref> src(gst_bin_get_by_name(GST_BIN(pipe), "src"));
  g_object_set(out.get(), "location", path.c_str(), nullptr);
  std::unique_ptr<GstBus, GstUnref> bus(gst_element_get_bus(pipe));
  auto stop = [&] { gst_element_set_state(pipe, GST_STATE_NULL); };

  if (gst_element_set_state(pipe, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    std::string why = "cannot start the pipeline";
    PipelineFailed(bus.get(), &why);
    stop();
    return fail(why);
  }
  const gsize frameBytes = static_cast<gsize>(spec.nWidth) * spec.nHeight * 4;
  const GstClockTime frameTime = gst_util_uint64_scale_int(GST_SECOND, 1, spec.nFps);
  for (int i = 0; i < spec.nFrames; ++i) {
    GstBuffer* buf = gst_buffer_new_allocate(nullptr, frameBytes, nullptr);
    GstMapInfo map;
    if (!buf || !gst_buffer_map(buf, &map, GST_MAP_WRITE)) {
      if (buf) gst_buffer_unref(buf);
      stop();
      return fail("out of memory");
    }
    {
      // The picture is painted straight into the buffer.
      QImage image(map.data, spec.nWidth, spec.nHeight, spec.nWidth * 4, QImage::Format_RGBX8888);
      draw(i, &image);
    }
    gst_buffer_unmap(buf, &map);
    GST_BUFFER_PTS(buf) = gst_util_uint64_scale_int(GST_SECOND, i, spec.nFps);
    GST_BUFFER_DURATION(buf) = frameTime;
    if (gst_app_src_push_buffer(GST_APP_SRC(src.get()), buf) != GST_FLOW_OK) {
      std::string why = "the encoder stopped";
      PipelineFailed(bus.get(), &why);
      stop();
      return fail(why);
    }
  }
  gst_app_src_end_of_stream(GST_APP_SRC(src.get()));
  GstMessage* msg = gst_bus_timed_pop_filtered(bus.get(), 120 * GST_SECOND,
                                               static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
  std::string why = msg ? "" : "time-out";
  if (msg && !ok) why = TakeError(msg);
  if (msg) gst_message_unref(msg);
  stop();
  return ok ? true : fail(why);
}

}  // namespace vt::demo
