// The remux on generated recordings (a frame number in each frame): the exported pictures and
// sound are the recordings' own bytes, the span's frames and no others (from the key frame at or
// before its start), and every timestamp plus the file's date gives the frame's recording time,
// across a gap between recordings and across midnight.
#include <fcntl.h>
#include <unistd.h>

#include <map>

#include "export/export_span.h"
#include "export/gst/clip_remux.h"
#include "export/mkv_file.h"
#include "export_fixture.h"

namespace vt {
namespace {

using test::kFps;
using test::LocalAt;
using test::MakeRecording;
using test::SmallClip;

constexpr int kGop = 50;  // key frame distance of the generated MPEG-4 recordings

struct Codec {
  const char* name;
  TestClipSpec::Codec codec;
  bool audio;
};
const Codec kCodecs[] = {
    {"mjpeg", TestClipSpec::kMjpeg, false},
    {"mjpeg_audio", TestClipSpec::kMjpeg, true},
    {"mpeg4", TestClipSpec::kMpeg4, false},
    {"mpeg4_audio", TestClipSpec::kMpeg4, true},
};

// Frames [first, last] of one recording that the export must hold.
struct Expect {
  std::string path;
  time32 start;
  int first;
  int last;
};

class RemuxTest : public ::testing::TestWithParam<Codec> {
 protected:
  void SetUp() override { gst_init(nullptr, nullptr); }

  std::string Camera() const { return dir_ / "camera01"; }

  SpanPlan Plan(WallTime from, WallTime to) {
    CRecordDB db;
    db.SetFolder(Camera());
    EXPECT_EQ(db.Rebuild(), 1);
    return PlanSpan(*db.GetIndex(), from, to, [&db](const RDB_RECORD& r) { return db.ResolvePath(r); });
  }

  RemuxResult Export(const SpanPlan& plan, const std::string& out, const std::atomic<bool>* cancel = nullptr,
                     const std::function<void(const RemuxProgress&)>& progress = {}) {
    const int fd = ::open(out.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0);
    const RemuxResult r = RemuxSpan(plan, fd, "test 1.0", {{"TITLE", "C1:Front door"}}, progress, cancel);
    ::close(fd);
    return r;
  }

  // The export holds exactly the expected frames, byte for byte, at their recording times, and
  // the sound of those recordings from the first frame's time on.
  using SamePicture = std::function<bool(const std::string& exported, const std::string& recorded)>;
  void CheckExport(const std::string& out, const RemuxResult& r, const std::vector<Expect>& expect,
                   const SamePicture& same = [](const std::string& a, const std::string& b) { return a == b; }) {
    ASSERT_TRUE(r.ok) << r.error;
    MatroskaSummary summary;
    std::string error;
    ASSERT_TRUE(ReadMatroskaSummary(out, &summary, &error)) << error;
    ASSERT_TRUE(summary.hasDate);
    // DateUTC carries microseconds.
    EXPECT_EQ(summary.dateUtc / 10, r.origin / 10);
    const test::Streams got = test::ReadStreams(out, "matroskademux");
    ASSERT_TRUE(got.ok);
    size_t k = 0, audioAt = 0;
    int64_t audioBytes = 0, expectedAudioBytes = 0;
    WallTime firstWall = 0;
    for (const Expect& e : expect) {
      const test::Streams src = test::ReadStreams(e.path, "avidemux");
      ASSERT_GT(src.video.size(), static_cast<size_t>(e.last));
      for (int i = e.first; i <= e.last; ++i, ++k) {
        ASSERT_LT(k, got.video.size()) << e.path << " frame " << i;
        EXPECT_TRUE(same(got.video[k].bytes, src.video[static_cast<size_t>(i)].bytes)) << e.path << " frame " << i;
        const WallTime wall = WallFromTime32(e.start) + src.video[static_cast<size_t>(i)].ptsNs / 100;
        if (k == 0) firstWall = wall;
        // Matroska keeps milliseconds: the file's date plus the timestamp is the recording time.
        EXPECT_NEAR(static_cast<double>(summary.dateUtc + got.video[k].ptsNs / 100), static_cast<double>(wall),
                    static_cast<double>(kTicksPerMillisecond))
            << e.path << " frame " << i;
      }
      for (const test::Payload& a : src.audio) {
        const WallTime wall = WallFromTime32(e.start) + a.ptsNs / 100;
        const WallTime end = wall + static_cast<WallTime>(a.bytes.size()) * kTicksPerSecond / 16000;
        if (end <= firstWall || wall >= WallFromTime32(e.start) + (e.last + 1) * test::kFrameTicks) continue;
        expectedAudioBytes += static_cast<int64_t>(a.bytes.size());
        if (audioAt < got.audio.size()) {
          EXPECT_TRUE(got.audio[audioAt].bytes == a.bytes) << e.path << " audio chunk at " << a.ptsNs;
          EXPECT_NEAR(static_cast<double>(summary.dateUtc + got.audio[audioAt].ptsNs / 100), static_cast<double>(wall),
                      static_cast<double>(kTicksPerMillisecond));
        }
        ++audioAt;
      }
    }
    EXPECT_EQ(got.video.size(), k);
    EXPECT_EQ(r.frames, static_cast<int64_t>(k));
    for (const test::Payload& a : got.audio) audioBytes += static_cast<int64_t>(a.bytes.size());
    EXPECT_EQ(audioBytes, expectedAudioBytes);
    EXPECT_EQ(r.audio, expectedAudioBytes > 0);
    EXPECT_TRUE(got.video.front().key);
    // The pictures decode to the frame numbers drawn into them.
    const auto numbers = test::DecodeFrameNumbers(out);
    ASSERT_EQ(numbers.size(), k);
    EXPECT_EQ(numbers.front().second, expect.front().first);
    EXPECT_EQ(numbers.back().second, expect.back().last);
    size_t n = 0;
    for (const Expect& e : expect)
      for (int i = e.first; i <= e.last; ++i, ++n) EXPECT_EQ(numbers[n].second, i) << n;
    const auto tagIt = std::find_if(summary.tags.begin(), summary.tags.end(),
                                    [](const auto& t) { return t.first == "TITLE"; });
    ASSERT_NE(tagIt, summary.tags.end());
    EXPECT_EQ(tagIt->second, "C1:Front door");
  }

  int KeyAtOrBefore(int frame) const { return GetParam().codec == TestClipSpec::kMpeg4 ? frame / kGop * kGop : frame; }

  test::ScopedTz tz_{test::kTzBerlin};
  test::TempDir dir_{"vtexport"};
};

TEST_P(RemuxTest, TwoRecordingsWithAGap) {
  const Codec& c = GetParam();
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 5);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(c.codec, 75, c.audio));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(c.codec, 75, c.audio));
  // From 1.5 s into the first recording to 1 s into the second: the frame on screen at 1.5 s is
  // number 37.
  const SpanPlan plan = Plan(WallFromTime32(a) + 15 * kTicksPerSecond / 10, WallFromTime32(b) + kTicksPerSecond);
  ASSERT_EQ(plan.pieces.size(), 2u);
  const std::string out = dir_ / "out.mkv";
  const RemuxResult r = Export(plan, out);
  CheckExport(out, r, {{pa, a, KeyAtOrBefore(37), 74}, {pb, b, 0, kFps - 1}});
  ASSERT_EQ(r.pieces.size(), 2u);
  EXPECT_EQ(r.pieces[0].frames, 75 - KeyAtOrBefore(37));
  EXPECT_EQ(r.pieces[1].frames, kFps);
  EXPECT_EQ(r.pieces[1].firstFrame, WallFromTime32(b));
  EXPECT_EQ(r.firstFrame, WallFromTime32(a) + KeyAtOrBefore(37) * test::kFrameTicks);
  EXPECT_EQ(r.lastFrame, WallFromTime32(b) + (kFps - 1) * test::kFrameTicks);
}

TEST_P(RemuxTest, AcrossMidnight) {
  const Codec& c = GetParam();
  const time32 a = LocalAt(0, 23, 59, 58), b = LocalAt(1, 0, 0, 2);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(c.codec, 75, c.audio));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(c.codec, 50, c.audio));
  EXPECT_NE(pa.find("2008-05-10"), std::string::npos);
  EXPECT_NE(pb.find("2008-05-11"), std::string::npos);
  const SpanPlan plan = Plan(WallFromTime32(LocalAt(0, 23, 59, 59)), WallFromTime32(LocalAt(1, 0, 0, 3)));
  const std::string out = dir_ / "out.mkv";
  const RemuxResult r = Export(plan, out);
  CheckExport(out, r, {{pa, a, KeyAtOrBefore(kFps), 74}, {pb, b, 0, kFps - 1}});
}

INSTANTIATE_TEST_SUITE_P(Codecs, RemuxTest, ::testing::ValuesIn(kCodecs),
                         [](const ::testing::TestParamInfo<Codec>& i) { return std::string(i.param.name); });

class RemuxEdgeTest : public RemuxTest {};

// Sound in the first and last recording, none in a long one between: the muxer must not wait for
// sound that comes only after the silent recording.
TEST_F(RemuxEdgeTest, RecordingWithoutSoundBetweenOthers) {
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 2), c = LocalAt(0, 10, 2, 0);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 50, true));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(TestClipSpec::kMjpeg, 2500, false));
  const std::string pc = MakeRecording(Camera(), c, SmallClip(TestClipSpec::kMjpeg, 50, true));
  const SpanPlan plan = Plan(WallFromTime32(a), WallFromTime32(c) + 2 * kTicksPerSecond);
  const std::string out = dir_ / "out.mkv";
  const RemuxResult r = Export(plan, out);
  CheckExport(out, r, {{pa, a, 0, 49}, {pb, b, 0, 2499}, {pc, c, 0, 49}});
  EXPECT_TRUE(r.pieces[0].audio);
  EXPECT_FALSE(r.pieces[1].audio);
  EXPECT_TRUE(r.pieces[2].audio);
}

// The coded slices of an H.264 picture: from start-code framing (AVI) or 4-byte lengths (Matroska).
std::vector<std::string> Slices(const std::string& b, bool lengthPrefixed) {
  std::vector<std::string> nals;
  if (lengthPrefixed) {
    for (size_t at = 0; at + 4 <= b.size();) {
      const size_t n = (static_cast<size_t>(static_cast<uint8_t>(b[at])) << 24) |
                       (static_cast<size_t>(static_cast<uint8_t>(b[at + 1])) << 16) |
                       (static_cast<size_t>(static_cast<uint8_t>(b[at + 2])) << 8) | static_cast<uint8_t>(b[at + 3]);
      nals.push_back(b.substr(at + 4, n));
      at += 4 + n;
    }
  } else {
    size_t at = b.find(std::string("\0\0\1", 3));
    while (at != std::string::npos) {
      const size_t from = at + 3;
      size_t next = b.find(std::string("\0\0\1", 3), from);
      size_t end = next == std::string::npos ? b.size() : next;
      while (end > from && b[end - 1] == '\0') --end;  // the zero of a 4-byte start code
      nals.push_back(b.substr(from, end - from));
      at = next;
    }
  }
  std::vector<std::string> slices;
  for (const std::string& n : nals)
    if (!n.empty() && ((n[0] & 0x1F) == 1 || (n[0] & 0x1F) == 5)) slices.push_back(n);
  return slices;
}

// H.264 as AVI holds it is reframed for Matroska; the coded slices are not touched.
TEST_F(RemuxEdgeTest, H264SlicesUnchanged) {
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 5);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(TestClipSpec::kH264, 75, true));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(TestClipSpec::kH264, 75, true));
  const SpanPlan plan = Plan(WallFromTime32(a) + 15 * kTicksPerSecond / 10, WallFromTime32(b) + kTicksPerSecond);
  const std::string out = dir_ / "out.mkv";
  const RemuxResult r = Export(plan, out);
  CheckExport(out, r, {{pa, a, 0, 74}, {pb, b, 0, kFps - 1}}, [](const std::string& e, const std::string& s) {
    const auto slices = Slices(e, true);
    return !slices.empty() && slices == Slices(s, false);
  });
}

TEST_F(RemuxEdgeTest, MissingAndBrokenRecordingsAreReportedAndSkipped) {
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 3), c = LocalAt(0, 10, 0, 6);
  const std::string pa = MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 50, false));
  const std::string pb = MakeRecording(Camera(), b, SmallClip(TestClipSpec::kMjpeg, 50, false));
  const std::string pc = MakeRecording(Camera(), c, SmallClip(TestClipSpec::kMjpeg, 50, false));
  const SpanPlan plan = Plan(WallFromTime32(a), WallFromTime32(c) + 2 * kTicksPerSecond);
  ASSERT_EQ(plan.pieces.size(), 3u);
  // The middle one is gone, the first one is garbage.
  std::filesystem::remove(pb);
  {
    std::ofstream f(pa, std::ios::binary | std::ios::trunc);
    f << std::string(5000, 'x');
  }
  const std::string out = dir_ / "out.mkv";
  const RemuxResult r = Export(plan, out);
  CheckExport(out, r, {{pc, c, 0, 49}});
  EXPECT_EQ(r.pieces[0].status, SourceStatus::kUnplayable);
  EXPECT_FALSE(r.pieces[0].message.empty());
  EXPECT_EQ(r.pieces[1].status, SourceStatus::kMissing);
  EXPECT_EQ(r.pieces[2].status, SourceStatus::kOk);
  EXPECT_EQ(r.pieces[2].frames, 50);
  // Nothing readable at all: an error, not an empty file called a success.
  std::filesystem::remove(pc);
  const RemuxResult none = Export(plan, dir_ / "none.mkv");
  EXPECT_FALSE(none.ok);
  EXPECT_FALSE(none.error.empty());
}

TEST_F(RemuxEdgeTest, CancelStopsTheWork) {
  const time32 a = LocalAt(0, 10, 0, 0);
  MakeRecording(Camera(), a, SmallClip(TestClipSpec::kMjpeg, 1000, false));
  const SpanPlan plan = Plan(WallFromTime32(a), WallFromTime32(a) + 40 * kTicksPerSecond);
  std::atomic<bool> cancel{false};
  int reports = 0;
  const RemuxResult r = Export(plan, dir_ / "out.mkv", &cancel, [&](const RemuxProgress& p) {
    ++reports;
    EXPECT_GT(p.totalFrames, 900);
    EXPECT_LE(p.frames, 1000);
    cancel = true;
  });
  EXPECT_EQ(reports, 1);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.cancelled);
  EXPECT_LT(r.frames, 1000);
  // Cancelled before it starts: nothing is read.
  cancel = true;
  const RemuxResult r2 = Export(plan, dir_ / "out2.mkv", &cancel);
  EXPECT_TRUE(r2.cancelled);
  EXPECT_EQ(r2.frames, 0);
}

}  // namespace
}  // namespace vt
