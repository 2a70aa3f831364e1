// vt_make_clip: writes a record clip for demos and manual tests: a generated AVI (frame numbers
// as a barcode) with the recorder's private trailer.
//   vt_make_clip OUT.avi [--codec mjpeg|mpeg4|h264] [--size WxH] [--frames N] [--fps N[/D]] [--audio]
//                [--texture] [--gop N] [--start T] [--event FROM:TO]... [--texts A,B] [--no-trailer]
//                [--first N] [--wall-clock]
// T is the record's start time (seconds since 1970); FROM and TO are seconds from the start.
// --first numbers the frames from N; --wall-clock draws each frame's time from T.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "playback/gst/test_media.h"
#include "playback/vant_writer.h"

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "usage: %s OUT.avi [--codec mjpeg|mpeg4|h264] [--size WxH] [--frames N] [--fps N[/D]] [--audio]\n"
                 "       [--texture] [--gop N] [--start T] [--event FROM:TO]... [--texts A,B] [--no-trailer]\n"
                 "       [--first N] [--wall-clock]\n",
                 argv[0]);
    return 2;
  }
  vt::TestClipSpec spec;
  vt::VantTrailer trailer;
  long start = 0;
  bool withTrailer = true;
  bool wallClock = false;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--audio") {
      spec.audio = true;
    } else if (a == "--texture") {
      spec.pattern = vt::TestClipSpec::kTexture;
    } else if (v && a == "--gop") {
      spec.keyInterval = std::atoi(v);
      ++i;
    } else if (a == "--no-trailer") {
      withTrailer = false;
    } else if (a == "--wall-clock") {
      wallClock = true;
    } else if (v && a == "--first") {
      spec.firstNumber = std::atoi(v);
      ++i;
    } else if (v && a == "--codec") {
      spec.codec = std::strcmp(v, "mpeg4") == 0  ? vt::TestClipSpec::kMpeg4
                   : std::strcmp(v, "h264") == 0 ? vt::TestClipSpec::kH264
                                                 : vt::TestClipSpec::kMjpeg;
      ++i;
    } else if (v && a == "--size" && std::sscanf(v, "%dx%d", &spec.width, &spec.height) == 2) {
      ++i;
    } else if (v && a == "--frames") {
      spec.frames = std::atoi(v);
      ++i;
    } else if (v && a == "--fps") {
      if (std::sscanf(v, "%d/%d", &spec.fps, &spec.fpsDen) < 1) spec.fps = 0;
      ++i;
    } else if (v && a == "--start") {
      start = std::atol(v);
      ++i;
    } else if (v && a == "--event") {
      int from = 0, to = 0;
      if (std::sscanf(v, "%d:%d", &from, &to) != 2) {
        std::fprintf(stderr, "bad event: %s\n", v);
        return 2;
      }
      trailer.events.push_back({0, static_cast<vt::time32>(start + from), static_cast<vt::time32>(start + to)});
      ++i;
    } else if (v && a == "--texts") {
      const char* comma = std::strchr(v, ',');
      trailer.textA = comma ? std::string(v, comma) : v;
      trailer.textB = comma ? comma + 1 : "";
      ++i;
    } else {
      std::fprintf(stderr, "unknown or incomplete option: %s\n", a.c_str());
      return 2;
    }
  }
  if (spec.width <= 0 || spec.height <= 0 || spec.frames <= 0 || spec.fps <= 0 || spec.fpsDen <= 0 ||
      spec.keyInterval <= 0) {
    std::fprintf(stderr, "size, frames, fps and gop must be positive\n");
    return 2;
  }
  if (wallClock) spec.wallClock = start;
  std::string err;
  if (!vt::MakeTestClip(spec, argv[1], &err)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], err.c_str());
    return 1;
  }
  if (withTrailer && !vt::AppendVantTrailer(argv[1], trailer)) {
    std::fprintf(stderr, "%s: cannot append the trailer\n", argv[1]);
    return 1;
  }
  return 0;
}
