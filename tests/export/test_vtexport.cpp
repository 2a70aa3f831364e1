// vtexport as a shell user runs it, on a data folder of generated recordings (frame numbers drawn
// in): clip and frame exports with their manifests, verify after single-byte changes, the exit
// codes, missing recordings, Ctrl-C and a full disk leaving nothing behind.
#include <fcntl.h>
// jpeglib.h needs FILE declared first.
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "common/child_process.h"
#include "export/export_job.h"
#include "export/manifest.h"
#include "export/mkv_file.h"
#include "export_fixture.h"
#include "skin/dib.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using test::LocalAt;
using test::MakeRecording;
using test::SmallClip;

struct Result {
  int rc = -1;
  std::string out, err;
};

// A 24-bit picture read back from a BMP, JPEG or PNG file: rows top first, blue, green, red.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> bgr;
  int Green(int x, int y) const { return bgr[(static_cast<size_t>(y) * width + x) * 3 + 1]; }
};

Picture ReadPicture(const std::string& path) {
  Picture p;
  const std::string bytes = test::ReadFile(path);
  const std::string ext = path.substr(path.rfind('.') + 1);
  if (ext == "png") {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return p;
    image.format = PNG_FORMAT_BGR;
    p.bgr.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.bgr.data(), 0, nullptr)) return {};
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
  } else if (ext == "jpg") {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    p.width = static_cast<int>(cinfo.output_width);
    p.height = static_cast<int>(cinfo.output_height);
    p.bgr.resize(static_cast<size_t>(p.width) * p.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = p.bgr.data() + static_cast<size_t>(cinfo.output_scanline) * p.width * 3;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
  } else {
    CDib dib;
    if (!dib.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return p;
    p.width = dib.GetWidth();
    p.height = dib.GetHeight();
    const size_t stride = static_cast<size_t>(dib.GetStride());
    p.bgr.resize(static_cast<size_t>(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y)
      std::memcpy(p.bgr.data() + static_cast<size_t>(y) * p.width * 3,
                  dib.GetPixels() + stride * static_cast<size_t>(p.height - 1 - y), static_cast<size_t>(p.width) * 3);
  }
  return p;
}

int FrameNumberOf(const Picture& p) {
  return ReadFrameNumber(
      p.width, p.height, [](const void* c, int x, int y) { return static_cast<const Picture*>(c)->Green(x, y); }, &p);
}

// In a child process: vtexport with args, its output to /dev/null (stderr to errPath when given).
[[noreturn]] void ExecVtexport(const std::vector<std::string>& args, const std::string& errPath = "") {
  const int devnull = ::open("/dev/null", O_WRONLY);
  const int err = errPath.empty() ? devnull : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(devnull, 1);
  ::dup2(err, 2);
  std::vector<char*> argv = {const_cast<char*>("vtexport")};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(VTEXPORT_PATH, argv.data());
  ::_exit(127);
}

// vtexport started in the background; its process id.
pid_t StartVtexport(const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid == 0) ExecVtexport(args);
  return pid;
}

class VtexportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gst_init(nullptr, nullptr);
    fs::create_directories(out_.path());
    std::ofstream(data_ / "vantor.ini") << "[Storage_ch01]\nsStoragePath=" << Camera() << "\n[Preference_ch01]\n"
                                        << "sCameraName=Front door\n[Storage_ch02]\nsStoragePath=" << data_ / "camera02"
                                        << "\n";
    fs::create_directories(data_ / "camera02");
  }
  std::string Camera() const { return data_ / "camera01"; }

  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }
  Result Run(const std::vector<std::string>& args) {
    std::string cmd = Quote(VTEXPORT_PATH);
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote(out_ / ".out") + " 2>" + Quote(out_ / ".err");
    Result r;
    const int status = std::system(cmd.c_str());
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = test::ReadFile(out_ / ".out");
    r.err = test::ReadFile(out_ / ".err");
    fs::remove(out_ / ".out");
    fs::remove(out_ / ".err");
    return r;
  }
  static std::string Local(time32 t, int ms = 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, ".%03d", ms);
    return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S") + buf;
  }
  ExportManifest Manifest(const std::string& path) {
    ExportManifest m;
    std::string error;
    EXPECT_TRUE(ManifestFromJson(test::ReadFile(path), &m, &error)) << error;
    return m;
  }
  // Only these names are in the output folder.
  void ExpectOutputFiles(const std::set<std::string>& names) {
    std::set<std::string> found;
    for (const auto& e : fs::directory_iterator(out_.path())) found.insert(e.path().filename().string());
    EXPECT_EQ(found, names);
  }

  test::ScopedTz tz_{test::kTzBerlin};
  test::TempDir data_{"vtdata"};
  test::TempDir out_{"vtout"};
};

TEST_F(VtexportTest, ClipAcrossAGapWithManifestAndVerify) {
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 5);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMpeg4, 75, true));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(TestClipSpec::kMpeg4, 75, true));
  const std::string clip = out_ / "clip.mkv";
  const Result r = Run({"clip", "--data-folder", data_.path(), "--channel", "1", "--from", Local(a + 1, 500), "--to",
                        Local(b + 1), "-o", clip});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("exported 100 frames of C1:Front door"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 gap"), std::string::npos);
  ExpectOutputFiles({"clip.mkv", "clip.mkv.manifest.json"});
  const ExportManifest m = Manifest(clip + ".manifest.json");
  // The key frame before 1.5 s is the first frame; the span ends after 25 frames of the second.
  EXPECT_EQ(m.frameCount, 75 + 25);
  EXPECT_EQ(m.firstFrame, WallFromTime32(a));
  EXPECT_EQ(m.lastFrame, WallFromTime32(b) + 24 * test::kFrameTicks);
  EXPECT_EQ(m.requested, (WallInterval{WallFromTime32(a + 1) + 5'000'000, WallFromTime32(b + 1)}));
  ASSERT_EQ(m.gaps.size(), 1u);
  EXPECT_EQ(m.gaps[0], (WallInterval{WallFromTime32(a + 3), WallFromTime32(b)}));
  EXPECT_TRUE(m.audio);
  EXPECT_EQ(m.cameraLabel, "C1:Front door");
  EXPECT_EQ(m.cameraFolder, "camera01");
  ASSERT_EQ(m.sources.size(), 2u);
  EXPECT_EQ(m.sources[0].path, "camera01/2008-05-10/011000001000030.avi");
  EXPECT_EQ(m.sources[0].frames, 75);
  EXPECT_EQ(m.sources[1].used, (WallInterval{WallFromTime32(b), WallFromTime32(b + 1)}));
  EXPECT_EQ(m.sources[0].size, fs::file_size(pa));
  EXPECT_EQ(m.outputSize, fs::file_size(clip));
  // The clip itself: its date plus each timestamp is the recording time.
  const auto numbers = test::DecodeFrameNumbers(clip);
  ASSERT_EQ(numbers.size(), 100u);
  EXPECT_EQ(numbers.front().second, 0);
  EXPECT_EQ(numbers[74].second, 74);
  EXPECT_EQ(numbers[75].second, 0);
  EXPECT_EQ(numbers.back().second, 24);
  MatroskaSummary summary;
  std::string error;
  ASSERT_TRUE(ReadMatroskaSummary(clip, &summary, &error));
  // (The compressed frames' times: a decoder may close the gap in the times it gives out.)
  const test::Streams streams = test::ReadStreams(clip, "matroskademux");
  ASSERT_EQ(streams.video.size(), 100u);
  EXPECT_EQ(summary.dateUtc + streams.video[80].ptsNs / 100, WallFromTime32(b) + 5 * test::kFrameTicks);
  EXPECT_EQ(summary.dateUtc + streams.video[74].ptsNs / 100, WallFromTime32(a) + 74 * test::kFrameTicks);
  std::map<std::string, std::string> tags(summary.tags.begin(), summary.tags.end());
  EXPECT_EQ(tags["CAMERA"], "C1:Front door");
  EXPECT_EQ(tags["SPAN_START"], "2008-05-10T10:00:01.500+02:00");
  EXPECT_NE(tags["EXPORTED_BY"].find(ExportProgramVersion()), std::string::npos);

  // verify: all match; one changed byte in the clip, then in a source, is found.
  Result v = Run({"verify", clip + ".manifest.json"});
  EXPECT_EQ(v.rc, 0) << v.out << v.err;
  EXPECT_NE(v.out.find("MATCH  export"), std::string::npos);
  for (const std::string& file : {clip, pb}) {
    std::string bytes = test::ReadFile(file);
    const std::string before = bytes;
    bytes[bytes.size() / 3] ^= 0x40;
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    v = Run({"verify", clip + ".manifest.json"});
    EXPECT_EQ(v.rc, 1) << file;
    EXPECT_NE(v.out.find("CHANGED  " + std::string(file == clip ? "export " : "source ")), std::string::npos) << v.out;
    std::ofstream(file, std::ios::binary | std::ios::trunc) << before;
  }
  EXPECT_EQ(Run({"verify", clip + ".manifest.json"}).rc, 0);
}

TEST_F(VtexportTest, FramesAsPicturesWithTheFramesOwnTime) {
  const time32 a = LocalAt(0, 23, 59, 58);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMpeg4, 100, false));
  struct Case {
    const char* name;
    int ms;           // after 23:59:58
    int frame;        // on screen then
    bool caption;
  };
  // 2.95 s is past midnight, in a recording listed under the day before; the frame at 2.96 s is
  // behind a key frame at 2.0 s.
  for (const Case& c : {Case{"f.png", 130, 3, false}, Case{"f.jpg", 2950, 73, true}, Case{"f.bmp", 0, 0, true},
                        Case{"g.png", 2999, 74, true}}) {
    const std::string pic = out_ / c.name;
    std::vector<std::string> args = {"frame", "--data-folder", data_.path(), "--channel", "1", "--at",
                                     Local(a + c.ms / 1000, c.ms % 1000), "-o", pic};
    if (c.caption) args.push_back("--caption");
    const Result r = Run(args);
    ASSERT_EQ(r.rc, 0) << c.name << r.err;
    const Picture p = ReadPicture(pic);
    EXPECT_EQ(p.width, 176) << c.name;
    EXPECT_EQ(FrameNumberOf(p), c.frame) << c.name;
    const ExportManifest m = Manifest(pic + ".manifest.json");
    EXPECT_EQ(m.kind, ExportKind::kFrame);
    EXPECT_EQ(m.frameCount, 1);
    EXPECT_EQ(m.firstFrame, WallFromTime32(a) + c.frame * test::kFrameTicks) << c.name;
    EXPECT_EQ(m.requested.from, WallFromTime32(a + c.ms / 1000) + c.ms % 1000 * kTicksPerMillisecond);
    EXPECT_EQ(Run({"verify", pic + ".manifest.json"}).rc, 0);
  }
  // The caption changes the top-left corner and nothing far from it.
  ASSERT_EQ(Run({"frame", "--data-folder", data_.path(), "--channel", "1", "--at", Local(a, 130), "--caption", "-o",
                 out_ / "c.png"})
                .rc,
            0);
  const Picture plain = ReadPicture(out_ / "f.png"), captioned = ReadPicture(out_ / "c.png");
  ASSERT_EQ(plain.bgr.size(), captioned.bgr.size());
  int changedNear = 0, changedFar = 0;
  for (int y = 0; y < plain.height; ++y)
    for (int x = 0; x < plain.width; ++x) {
      const size_t i = (static_cast<size_t>(y) * plain.width + x) * 3;
      const bool changed = std::memcmp(&plain.bgr[i], &captioned.bgr[i], 3) != 0;
      (y < 40 ? changedNear : changedFar) += changed;
    }
  EXPECT_GT(changedNear, 50);
  EXPECT_EQ(changedFar, 0);
}

TEST_F(VtexportTest, UsageAndErrors) {
  const time32 a = LocalAt(0, 10, 0, 0);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 50, false));
  const std::string d = data_.path(), o = out_ / "x.mkv";
  // A way into the data from the output folder; it is removed before the listing below.
  fs::create_directory_symlink(Camera(), out_ / "into-data");
  struct Case {
    std::vector<std::string> args;
    int rc;
    const char* message;
  };
  const Case cases[] = {
      {{}, 2, "no command"},
      {{"film"}, 2, "unknown command"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to", Local(a + 1)}, 2, "missing -o"},
      {{"clip", "--data-folder", d, "--channel", "17", "--from", Local(a), "--to", Local(a + 1), "-o", o}, 2, "1-16"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", "yesterday", "--to", Local(a + 1), "-o", o}, 2,
       "not a time"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a + 1), "--to", Local(a), "-o", o}, 2, "after"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to", Local(a + 1), "-o", o, "--fast"}, 2,
       "unknown option --fast"},
      {{"verify"}, 2, "one manifest"},
      {{"clip", "--data-folder", d, "--channel", "3", "--from", Local(a), "--to", Local(a + 1), "-o", o}, 1,
       "channel 3 is not set up"},
      {{"clip", "--data-folder", out_.path(), "--channel", "1", "--from", Local(a), "--to", Local(a + 1), "-o", o}, 1,
       "no vantor.ini"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a - 60), "--to", Local(a - 10), "-o", o}, 1,
       "no recording of C1:Front door between"},
      {{"clip", "--data-folder", d, "--channel", "2", "--from", Local(a), "--to", Local(a + 1), "-o", o}, 1,
       "no recording"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to", Local(a + 1), "-o",
        Camera() + "/x.mkv"},
       1, "inside the recorder's data"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to", Local(a + 1), "-o", d + "/x.mkv"},
       1, "inside the recorder's data"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to", Local(a + 1), "-o",
        out_ / "../" + fs::path(d).filename().string() + "/camera01/x.mkv"},
       1, "inside the recorder's data"},
      {{"frame", "--data-folder", d, "--channel", "1", "--at", Local(a), "-o", out_ / "into-data/x.png"}, 1,
       "inside the recorder's data"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to", Local(a + 1), "-o",
        out_ / "no/such/x.mkv"},
       1, "does not exist"},
      {{"frame", "--data-folder", d, "--channel", "1", "--at", Local(a), "-o", out_ / "x.gif"}, 1, ".bmp, .jpg or .png"},
      {{"frame", "--data-folder", d, "--channel", "1", "--at", Local(a + 30), "-o", out_ / "x.png"}, 1,
       "no recording of C1:Front door at"},
      {{"verify", out_ / "none.json"}, 1, "cannot open"},
      {{"clip", "--data-folder", d, "--channel", "1", "--from", "2008-10-26 02:30:00", "--to", "2008-10-26 03:30:00",
        "-o", o},
       1, "--from \"2008-10-26 02:30:00\" occurs twice as the clocks go back; taken as 2008-10-26T02:30:00.000+02:00"},
      // An end in that hour is its second instant: the span then holds all the footage the text names.
      {{"clip", "--data-folder", d, "--channel", "1", "--from", "2008-10-26 01:30:00", "--to", "2008-10-26 02:30:00",
        "-o", o},
       1, "--to \"2008-10-26 02:30:00\" occurs twice as the clocks go back; taken as 2008-10-26T02:30:00.000+01:00, "
          "not 2008-10-26T02:30:00.000+02:00"},
  };
  for (const Case& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.rc, c.rc) << c.message << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  fs::remove(out_ / "into-data");
  ExpectOutputFiles({});
  for (const std::string& inside : {d + "/x.mkv", Camera() + "/x.mkv", Camera() + "/x.png"})
    EXPECT_FALSE(fs::exists(inside)) << inside;
  EXPECT_EQ(Run({"--help"}).rc, 0);
  EXPECT_NE(Run({"--help"}).out.find("verify MANIFEST"), std::string::npos);

  // An existing export is replaced only with --force; --read-only and --codepage are taken.
  const std::vector<std::string> clip = {"clip", "--data-folder", d, "--channel", "1", "--from", Local(a), "--to",
                                         Local(a + 1), "-o", o};
  ASSERT_EQ(Run(clip).rc, 0);
  const std::string first = test::ReadFile(o + ".manifest.json");
  Result again = Run(clip);
  EXPECT_EQ(again.rc, 1);
  EXPECT_NE(again.err.find("--force"), std::string::npos);
  EXPECT_EQ(test::ReadFile(o + ".manifest.json"), first);
  std::vector<std::string> forced = clip;
  forced.insert(forced.begin(), {"--read-only", "--codepage", "WINDOWS-1252"});
  forced.push_back("--force");
  EXPECT_EQ(Run(forced).rc, 0);
  EXPECT_NE(test::ReadFile(o + ".manifest.json"), first);  // a new export time
  ExpectOutputFiles({"x.mkv", "x.mkv.manifest.json"});
}

TEST_F(VtexportTest, MissingAndBrokenRecordingsAreReportedAndTheRestExported) {
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 3), c = LocalAt(0, 10, 0, 6);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 50, false));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(TestClipSpec::kMjpeg, 50, false));
  const std::string pc = MakeRecording(Camera(), c, SmallClip(TestClipSpec::kMjpeg, 50, false));
  // The index lists all three; then one file goes and one is damaged.
  CRecordDB db;
  ASSERT_TRUE(db.Open(Camera()));
  fs::remove(pb);
  std::ofstream(pc, std::ios::binary | std::ios::trunc) << std::string(4000, 'z');
  const std::string o = out_ / "x.mkv";
  const Result r =
      Run({"clip", "--data-folder", data_.path(), "--channel", "1", "--from", Local(a), "--to", Local(c + 2), "-o", o});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.err.find("warning: camera01/2008-05-10/011000031000050.avi: missing"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("011000061000080.avi: unplayable"), std::string::npos) << r.err;
  const ExportManifest m = Manifest(o + ".manifest.json");
  ASSERT_EQ(m.sources.size(), 3u);
  EXPECT_EQ(m.sources[1].status, SourceStatus::kMissing);
  EXPECT_FALSE(m.sources[1].hashed);
  EXPECT_EQ(m.sources[2].status, SourceStatus::kUnplayable);
  EXPECT_TRUE(m.sources[2].hashed);  // what is there is hashed all the same
  EXPECT_EQ(m.frameCount, 50);
  EXPECT_EQ(m.gaps, (std::vector<WallInterval>{{WallFromTime32(a + 2), WallFromTime32(c + 2)}}));
  const Result v = Run({"verify", o + ".manifest.json"});
  EXPECT_EQ(v.rc, 0) << v.out;
  EXPECT_NE(v.out.find("NO HASH"), std::string::npos);
}

// A database saved by the player (recorddb.ini, camera folders below it) is a data folder too.
TEST_F(VtexportTest, SavedDatabase) {
  const time32 a = LocalAt(0, 10, 0, 0);
  test::TempDir saved("vtsaved");
  MakeRecording(saved / "camera03", a, SmallClip(TestClipSpec::kMjpeg, 25, false));
  std::ofstream(saved / "recorddb.ini") << "[Storage_ch03]\r\nsStoragePath=\\camera03\r\n[Preference_ch03]\r\n"
                                        << "sCameraName=Yard\r\n";
  const std::string o = out_ / "x.mkv";
  const Result r =
      Run({"clip", "--data-folder", saved.path(), "--channel", "3", "--from", Local(a), "--to", Local(a + 1), "-o", o});
  ASSERT_EQ(r.rc, 0) << r.err;
  const ExportManifest m = Manifest(o + ".manifest.json");
  EXPECT_EQ(m.cameraLabel, "C3:Yard");
  EXPECT_EQ(m.cameraFolder, "camera03");
  EXPECT_EQ(m.frameCount, 25);
  ASSERT_EQ(m.sources.size(), 1u);
  EXPECT_EQ(m.sources[0].path, "camera03/2008-05-10/011000001000010.avi");
}

// Started in the background, stopped while the clip is being written, then interrupted.
TEST_F(VtexportTest, CtrlCLeavesNothing) {
  const time32 a = LocalAt(0, 10, 0, 0);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 3000, false));
  const std::string o = out_ / "x.mkv";
  const std::string from = Local(a), to = Local(a + 120), data = data_.path();
  bool interrupted = false;
  for (int attempt = 0; attempt < 5 && !interrupted; ++attempt) {
    fs::remove(o);
    fs::remove(o + ".manifest.json");
    const pid_t pid = StartVtexport({"clip", "--data-folder", data, "--channel", "1", "--from", from, "--to", to, "-o", o});
    ASSERT_GE(pid, 0);
    // The temporary appears when the clip starts being written; stop the process there.
    bool stopped = false;
    for (int i = 0; i < 20000 && !stopped; ++i) {
      if (fs::exists(o + ".vtnew")) {
        ::kill(pid, SIGSTOP);
        stopped = fs::exists(o + ".vtnew");  // else it finished in between
        if (!stopped) ::kill(pid, SIGCONT);
      }
      int status;
      if (!stopped && ::waitpid(pid, &status, WNOHANG) == pid) break;
      if (!stopped) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (stopped) {
      ::kill(pid, SIGINT);
      ::kill(pid, SIGCONT);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (!stopped) continue;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    interrupted = true;
  }
  ASSERT_TRUE(interrupted) << "the export always finished before it could be stopped";
  ExpectOutputFiles({});
}

TEST_F(VtexportTest, FullDiskLeavesNothing) {
  const time32 a = LocalAt(0, 10, 0, 0);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 200, false));
  const std::string o = out_ / "x.mkv";
  const std::string from = Local(a), to = Local(a + 8), data = data_.path();
  // Writes past 64 KiB fail as they would on a full disk.
  const int rc = test::RunInChild([&]() -> int {
    test::LimitFileSize(64 * 1024);
    ExecVtexport({"clip", "--data-folder", data, "--channel", "1", "--from", from, "--to", to, "-o", o});
  });
  EXPECT_EQ(rc, 1);
  ExpectOutputFiles({});
}


// Every file and folder below root with its size and modification time.
std::set<std::string> Listing(const std::string& root) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    out.insert(e.path().string() + " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
               std::to_string(st.st_mtim.tv_nsec));
  }
  return out;
}

// Data that nobody may write (no index yet, so it has to be rebuilt): clip, frame and verify work
// as a user without write permission, and nothing in the data changes.
TEST_F(VtexportTest, ReadOnlyData) {
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 3);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 50, false));
  MakeRecording(Camera(), b, SmallClip(TestClipSpec::kMjpeg, 50, false));
  ASSERT_FALSE(fs::exists(Camera() + "/rdb.ndx"));
  for (const auto& e : fs::recursive_directory_iterator(data_.path()))
    fs::permissions(e.path(), e.is_directory() ? fs::perms(0555) : fs::perms(0444));
  fs::permissions(data_.path(), fs::perms(0555));
  fs::permissions(out_.path(), fs::perms(0777));
  const std::set<std::string> before = Listing(data_.path());
  const std::string clip = out_ / "x.mkv", pic = out_ / "x.png";
  const std::vector<std::vector<std::string>> commands = {
      {"clip", "--data-folder", data_.path(), "--channel", "1", "--from", Local(a + 1), "--to", Local(b + 1), "-o",
       clip},
      {"frame", "--data-folder", data_.path(), "--channel", "1", "--at", Local(b, 500), "-o", pic},
      {"verify", clip + ".manifest.json"},
      {"verify", pic + ".manifest.json"},
  };
  for (const auto& args : commands) {
    const int rc = test::RunInChild([&] {
      if (!test::DropRoot()) return 126;
      ExecVtexport(args);
    });
    EXPECT_EQ(rc, 0) << args[0] << " " << args.back();
  }
  EXPECT_EQ(Listing(data_.path()), before);
  EXPECT_EQ(Manifest(clip + ".manifest.json").frameCount, 25 + 25);
  EXPECT_EQ(Manifest(pic + ".manifest.json").firstFrame, WallFromTime32(b) + 12 * test::kFrameTicks);
  // Writable again, so that an unprivileged test run can remove the folders.
  fs::permissions(data_.path(), fs::perms::owner_all, fs::perm_options::add);
  for (const auto& e : fs::recursive_directory_iterator(data_.path()))
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
}

// Ctrl-C while the frame's recording is still being hashed (after the picture is written): neither
// the picture nor a manifest stays.
TEST_F(VtexportTest, CtrlCDuringAFrameExportLeavesNothing) {
  const time32 a = LocalAt(0, 10, 0, 0);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 25, false));
  ASSERT_EQ(::truncate(pa.c_str(), off_t{3} << 30), 0);  // seconds of hashing
  const std::string pic = out_ / "x.png", at = Local(a), data = data_.path();
  const pid_t pid = StartVtexport({"frame", "--data-folder", data, "--channel", "1", "--at", at, "-o", pic});
  ASSERT_GE(pid, 0);
  int status = 0;
  bool seen = false;
  while (!seen && ::waitpid(pid, &status, WNOHANG) == 0) {
    seen = fs::exists(pic);
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(seen) << "the picture never appeared";
  ::kill(pid, SIGINT);
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  ExpectOutputFiles({});
}

// A file system that fills up: first while the clip is written, then when only its manifest is
// left to write. Made in a user and mount namespace of a child, so no root is needed.
TEST_F(VtexportTest, FullFileSystemLeavesNothing) {
  const time32 a = LocalAt(0, 10, 0, 0);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 100, false));
  const std::string from = Local(a), to = Local(a + 4), data = data_.path();
  const std::string full = out_ / "full";
  fs::create_directories(full);
  const std::string log = out_ / "log";
  // The clip's size (the same bytes every time, bar the muxer's random identifiers).
  const std::string probe = out_ / "probe.mkv";
  ASSERT_EQ(Run({"clip", "--data-folder", data, "--channel", "1", "--from", from, "--to", to, "-o", probe}).rc, 0);
  const uintmax_t pages = (fs::file_size(probe) + 4095) / 4096;
  struct Case {
    uintmax_t bytes;
    const char* failing;  // in the message
  };
  for (const Case& c : {Case{pages / 2 * 4096, "x.mkv"}, Case{pages * 4096, "x.mkv.manifest.json"}}) {
    constexpr int kNoNamespaces = 77;
    const int rc = test::RunInChild([&] {
      const uid_t uid = ::geteuid();
      const gid_t gid = ::getegid();
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return kNoNamespaces;
      std::ofstream("/proc/self/setgroups") << "deny";
      std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
      std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
      const std::string size = "size=" + std::to_string(c.bytes);
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount("tmpfs", full.c_str(), "tmpfs", 0, size.c_str()) != 0)
        return kNoNamespaces;
      const pid_t pid = ::fork();
      if (pid == 0)
        ExecVtexport({"clip", "--data-folder", data, "--channel", "1", "--from", from, "--to", to, "-o", full + "/x.mkv"},
                     log);
      int status = 0;
      ::waitpid(pid, &status, 0);
      // Only this process sees the file system: whatever is left in it counts here.
      const bool empty = fs::is_empty(full);
      return WIFEXITED(status) ? WEXITSTATUS(status) + (empty ? 0 : 100) : 126;
    });
    if (rc == kNoNamespaces) GTEST_SKIP() << "no user namespaces here to make a small file system in";
    EXPECT_EQ(rc, 1) << c.bytes << " bytes (100 more: files were left behind)";
    const std::string err = test::ReadFile(log);
    EXPECT_NE(err.find("cannot write " + full + "/" + c.failing + ": "), std::string::npos) << err;
  }
}

}  // namespace
}  // namespace vt
