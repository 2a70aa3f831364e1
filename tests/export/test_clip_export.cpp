// The clip export job around the remux: while the clip and a long recording are hashed, progress
// is told, and a cancel then leaves nothing behind and an earlier export as it was.
#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "export/export_span.h"
#include "export/gst/clip_export.h"
#include "export_fixture.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using test::LocalAt;
using test::MakeRecording;
using test::SmallClip;

// Zeros after the recording's own bytes: hashing the file takes seconds, reading its first
// second of pictures does not.
constexpr off_t kLongRecordingBytes = off_t{3} << 30;

TEST(ClipExportJob, CancelWhileHashingLeavesNothingAndKeepsAnEarlierExport) {
  gst_init(nullptr, nullptr);
  test::ScopedTz tz{test::kTzBerlin};
  test::TempDir dir{"vtexport"};
  const std::string data = dir / "data", camera = data + "/camera01", outFolder = dir / "out";
  fs::create_directories(outFolder);
  const time32 a = LocalAt(0, 10, 0, 0), b = LocalAt(0, 10, 0, 3);
  MakeRecording(camera, a, SmallClip(TestClipSpec::kMjpeg, 25, false));
  const std::string pb = MakeRecording(camera, b, SmallClip(TestClipSpec::kMjpeg, 25, false));
  ASSERT_EQ(::truncate(pb.c_str(), kLongRecordingBytes), 0);
  CRecordDB db;
  db.SetFolder(camera);
  ASSERT_EQ(db.Rebuild(), 1);

  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replacing an earlier export" : "new export");
    ClipExportJob job;
    job.dataFolder = data;
    job.camera = {1, "C1:Front door", camera};
    job.requested = {WallFromTime32(a), WallFromTime32(b + 1)};
    job.plan = PlanSpan(*db.GetIndex(), job.requested.from, job.requested.to,
                        [&db](const RDB_RECORD& r) { return db.ResolvePath(r); });
    ASSERT_EQ(job.plan.pieces.size(), 2u);
    job.output = outFolder + "/x.mkv";
    job.replace = replace;
    std::set<std::string> before;
    if (replace) {
      std::ofstream(job.output) << "earlier clip";
      std::ofstream(ManifestPathFor(job.output)) << "{}";
      before = {"x.mkv", "x.mkv.manifest.json"};
    }
    // Cancel once the hashing is under way, the clip made but the long recording not yet hashed.
    std::atomic<bool> cancel{false};
    std::vector<ExportProgress> hashing;
    const ExportOutcome out = RunClipExport(
        job,
        [&](const ExportProgress& p) {
          if (!p.hashing) return;
          hashing.push_back(p);
          if (p.hashedBytes > 0) cancel = true;
        },
        &cancel);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.cancelled) << out.error;
    ASSERT_FALSE(hashing.empty());
    // Out of both recordings and the clip, and not all of it when the cancel came.
    const ExportProgress& last = hashing.back();
    EXPECT_GT(last.hashTotalBytes, static_cast<uint64_t>(kLongRecordingBytes));
    EXPECT_GT(last.hashedBytes, 0u);
    EXPECT_LT(last.hashedBytes, last.hashTotalBytes);
    for (size_t i = 1; i < hashing.size(); ++i) EXPECT_LE(hashing[i - 1].hashedBytes, hashing[i].hashedBytes);
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(outFolder)) left.insert(e.path().filename().string());
    EXPECT_EQ(left, before);
    if (replace) {
      EXPECT_EQ(test::ReadFile(job.output), "earlier clip");
      EXPECT_EQ(test::ReadFile(ManifestPathFor(job.output)), "{}");
    }
  }
}

}  // namespace
}  // namespace vt
