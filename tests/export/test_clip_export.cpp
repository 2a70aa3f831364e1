// The clip export job around the remux: a cancel that comes after the clip is in place, while a
// long recording is still being hashed, leaves nothing behind.
#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <thread>

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

TEST(ClipExportJob, LateCancelLeavesNeitherClipNorManifest) {
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
    if (replace) {
      std::ofstream(job.output) << "earlier clip";
      std::ofstream(ManifestPathFor(job.output)) << "{}";
    }
    // Cancel as soon as the clip has its name.
    std::atomic<bool> cancel{false}, done{false};
    const std::string before = replace ? "earlier clip" : "";
    std::thread watcher([&] {
      while (!done) {
        if (fs::exists(job.output) && test::ReadFile(job.output) != before) {
          cancel = true;
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    const ExportOutcome out = RunClipExport(job, {}, &cancel);
    done = true;
    watcher.join();
    ASSERT_TRUE(cancel) << "the export finished before the clip could be seen: " << out.error;
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.cancelled);
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(outFolder)) left.insert(e.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{});
  }
}

}  // namespace
}  // namespace vt
