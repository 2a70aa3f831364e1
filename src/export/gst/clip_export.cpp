#include "export/gst/clip_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "export/gst/clip_remux.h"
#include "export/sha256.h"
#include "platform/atomic_file.h"
#include "platform/file_utils.h"
#include "platform/heap.h"

namespace vt {

namespace {

// Each source recording hashed whole, on a thread of its own.
class CSourceHasher {
 public:
  CSourceHasher(const SpanPlan& plan, const std::atomic<bool>* cancel) : m_plan(plan), m_pCancel(cancel) {
    m_results.resize(plan.pieces.size());
    for (const SpanPiece& piece : plan.pieces) {
      struct stat st {};
      if (!piece.path.empty() && ::stat(piece.path.c_str(), &st) == 0) m_totalBytes += static_cast<uint64_t>(st.st_size);
    }
  }
  ~CSourceHasher() { Join(); }
  void Start() {
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
  }
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }
  // Sizes of the recordings as they were when the export began.
  uint64_t TotalBytes() const { return m_totalBytes; }
  uint64_t HashedBytes() const { return m_hashedBytes.load(); }
  bool Finished() const { return m_bFinished.load(); }
  // After Join: copies each hash into outcomes; a file the remux found but that cannot be hashed
  // counts as unreadable.
  void Fill(std::vector<PieceOutcome>* outcomes) const {
    for (size_t i = 0; i < outcomes->size() && i < m_results.size(); ++i) {
      PieceOutcome& o = (*outcomes)[i];
      const Result& r = m_results[i];
      if (r.ok) {
        o.hashed = true;
        o.size = r.size;
        o.sha256 = r.sha256;
      } else if (o.status == SourceStatus::kOk && !m_plan.pieces[i].path.empty()) {
        o.status = SourceStatus::kUnreadable;
        o.message = "cannot be hashed: " + r.error;
      }
    }
  }

 private:
  struct Result {
    bool ok = false;
    uint64_t size = 0;
    std::string sha256;
    std::string error;
  };
  void Run() {
    uint64_t done = 0;
    for (size_t i = 0; i < m_plan.pieces.size(); ++i) {
      if (m_pCancel && m_pCancel->load()) break;
      Result& r = m_results[i];
      const std::string& path = m_plan.pieces[i].path;
      if (path.empty()) continue;
      r.ok = Sha256File(
          path, &r.sha256, &r.size, &r.error, [this, done](uint64_t n) { m_hashedBytes = done + n; }, m_pCancel);
      done += r.size;
      m_hashedBytes = done;
    }
    m_bFinished = true;
  }

  const SpanPlan& m_plan;
  const std::atomic<bool>* m_pCancel;
  std::vector<Result> m_results;
  uint64_t m_totalBytes = 0;
  std::atomic<uint64_t> m_hashedBytes{0};
  std::atomic<bool> m_bFinished{false};
  std::thread m_thread;
};

// Progress while the clip and the recordings are hashed, at most every kHashProgressInterval.
constexpr auto kHashProgressInterval = std::chrono::milliseconds(200);

// Bytes of the clip the disk is set to write at a time while the clip is being made.
constexpr off_t kWriteBehindBytes = off_t{32} << 20;

// Sets the disk writing the clip as it grows: left to itself, the system starts only once a
// tenth of the memory is waiting to be written, and the flush at the end has all of it to do.
// Only a hint (a file system may refuse it): the flush at the end makes the clip durable.
class CWriteBehind {
 public:
  explicit CWriteBehind(int fd) : m_fd(fd) {}
  void Poll() {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || st.st_size - m_started < kWriteBehindBytes) return;
    ::sync_file_range(m_fd, m_started, st.st_size - m_started, SYNC_FILE_RANGE_WRITE);
    m_started = st.st_size;
  }

 private:
  int m_fd;
  off_t m_started = 0;
};

// Whether recordings of this many bytes and the clip made of them fit in the memory the system
// can give twice over, so that the recordings are still in the file cache when the remux is done.
bool FitsInMemory(uint64_t recordingBytes) { return recordingBytes * 4 <= AvailableMemoryBytes(); }

}  // namespace

void DiscardExport(const std::string& output, bool replaced) {
  ::unlink(output.c_str());
  if (replaced) ::unlink(ManifestPathFor(output).c_str());
}

bool WriteExportManifest(const std::string& output, bool replace, ExportOutcome* outcome) {
  const std::string text = ManifestToJson(outcome->manifest);
  outcome->manifestPath = ManifestPathFor(output);
  AtomicWriteOptions options;
  options.replace = replace;
  const WriteResult w = WriteBytesAtomically(outcome->manifestPath, text.data(), text.size(), options);
  if (!w.ok()) {
    ::unlink(output.c_str());
    outcome->error = "cannot write " + outcome->manifestPath + ": " + w.Reason();
    return false;
  }
  outcome->manifestSha256 = Sha256Hex(text.data(), text.size());
  return true;
}

ExportOutcome RunClipExport(const ClipExportJob& job, const std::function<void(const ExportProgress&)>& progress,
                            const std::atomic<bool>* cancel) {
  ExportOutcome out;
  if (job.requested.to <= job.requested.from) {
    out.error = "the end of the span must come after its start";
    return out;
  }
  if (job.plan.pieces.empty()) {
    out.error = "no recording of " + job.camera.label + " between " + FormatLocalWallTime(job.requested.from) +
                " and " + FormatLocalWallTime(job.requested.to);
    return out;
  }
  if (!CheckExportDestination(job.output, job.dataFolder, job.camera.folder, job.replace, &out.error)) return out;

  const auto started = std::chrono::steady_clock::now();
  auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(); };
  // Recordings that may not stay in the file cache until the remux is done are hashed while it
  // reads them, so that the disk reads them once; others alongside the clip's hash, where the
  // hashing takes no processor from the remux.
  CSourceHasher hasher(job.plan, cancel);
  if (!FitsInMemory(hasher.TotalBytes())) hasher.Start();
  RemuxResult remux;
  std::string outputSha;
  uint64_t outputSize = 0;
  AtomicWriteOptions options;
  options.replace = job.replace;
  options.readable = true;
  const WriteResult written = WriteFileAtomically(
      job.output,
      [&](int fd) {
        CWriteBehind writeBehind(fd);
        remux = RemuxSpan(
            job.plan, fd, std::string(kExportProgramName) + " " + ExportProgramVersion(),
            ClipTags(job.camera, job.requested),
            [&](const RemuxProgress& p) {
              writeBehind.Poll();
              if (progress) progress({p.frames, p.totalFrames, elapsed(), false});
            },
            cancel);
        if (!remux.ok) {
          errno = remux.cancelled ? ECANCELED : EIO;
          return false;
        }
        hasher.Start();
        struct stat st {};
        const uint64_t clipBytes = ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
        uint64_t clipHashed = 0;
        auto lastReport = std::chrono::steady_clock::time_point{};
        auto reportHashing = [&](bool always) {
          const auto now = std::chrono::steady_clock::now();
          if (!progress || (!always && now - lastReport < kHashProgressInterval)) return;
          lastReport = now;
          progress({remux.frames, remux.frames, elapsed(), true, clipHashed + hasher.HashedBytes(),
                    clipBytes + hasher.TotalBytes()});
        };
        reportHashing(true);
        // The disk takes the clip while its hash is computed from memory; the flush that makes
        // the clip durable then has little left to do.
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        std::string error;
        const bool hashed = Sha256Fd(
            fd, &outputSha, &outputSize, &error,
            [&](uint64_t n) {
              clipHashed = n;
              reportHashing(false);
            },
            cancel);
        // The clip is put in place once the recordings are hashed too, so that a cancel until
        // then leaves nothing behind.
        while (hashed && !hasher.Finished() && !(cancel && cancel->load())) {
          reportHashing(false);
          std::this_thread::sleep_for(kHashProgressInterval / 4);
        }
        if (!hashed) {
          remux.ok = false;
          remux.error = "cannot read the export back: " + error;
          errno = EIO;
          return false;
        }
        if (cancel && cancel->load()) {
          errno = ECANCELED;
          return false;
        }
        return true;
      },
      options);
  hasher.Join();
  if (cancel && cancel->load()) {
    // A cancel that came after the clip was in place must not leave a clip without its manifest,
    // nor a manifest of the clip it replaced.
    if (written.ok()) DiscardExport(job.output, job.replace);
    out.cancelled = true;
    out.error = "cancelled";
    return out;
  }
  if (!written.ok()) {
    if (!remux.ok && !remux.error.empty())
      out.error = remux.writeFailed ? "cannot write " + job.output + ": " + remux.error : remux.error;
    else
      out.error = "cannot write " + job.output + ": " + written.Reason();
    return out;
  }
  std::vector<PieceOutcome> outcomes = remux.pieces;
  hasher.Fill(&outcomes);
  out.manifest = BuildManifest(ExportKind::kClip, job.dataFolder, job.camera, job.requested, job.plan, outcomes,
                               remux.origin, remux.audio);
  out.manifest.outputFile = job.output.substr(job.output.rfind('/') + 1);
  out.manifest.outputSize = outputSize;
  out.manifest.outputSha256 = outputSha;
  out.warnings = OutcomeWarnings(out.manifest);
  if (!WriteExportManifest(job.output, job.replace, &out)) return out;
  out.ok = true;
  return out;
}

}  // namespace vt
