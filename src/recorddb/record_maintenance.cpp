// Deleting, exporting and rebuilding a camera's records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "recorddb/camera_config.h"
#include "recorddb/rdb_texts.h"
#include "recorddb/record_db.h"
#include "recorddb/record_list.h"

namespace vt {

std::string CameraFolderName(int channelIndex) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "camera%02d", channelIndex + 1);
  return buf;
}

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

constexpr size_t kCopyBuffer = 1 << 20;

// Reads exactly n bytes unless the file ends first; the count read.
size_t ReadUpTo(int fd, char* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::read(fd, buf + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

// The file open as in has the same bytes as the regular file at path.
bool SameContents(int in, const std::string& path) {
  const int other = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (other < 0) return false;
  struct stat a {}, b {};
  bool same = ::fstat(in, &a) == 0 && ::fstat(other, &b) == 0 && S_ISREG(b.st_mode) && a.st_size == b.st_size;
  std::vector<char> x(same ? kCopyBuffer : 0), y(same ? kCopyBuffer : 0);
  while (same) {
    const size_t n = ReadUpTo(in, x.data(), x.size());
    same = ReadUpTo(other, y.data(), y.size()) == n && std::memcmp(x.data(), y.data(), n) == 0;
    if (n < x.size()) break;
  }
  ::close(other);
  ::lseek(in, 0, SEEK_SET);
  return same;
}

// Copies the regular file source to target through a hidden ".part-" file beside it (a name a
// folder scan never takes for a record), so a failed or cancelled copy leaves no short file
// under the record's name, and an existing target is never replaced. *why says what went wrong.
bool CopyWhole(const std::string& source, const std::string& target, const RdbWorkHooks& hooks, std::string* why) {
  std::string folder, name;
  if (!SplitPath(target, &folder, &name)) {
    *why = "no file name";
    return false;
  }
  if (source.empty()) {
    *why = "no regular file of this record inside its camera folder";
    return false;
  }
  // The finder checked it; opening without following links and without blocking keeps a file
  // swapped for a FIFO or a link meanwhile from being read.
  const int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  struct stat st {};
  if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = in < 0 ? std::strerror(errno) : "not a regular file";
    if (in >= 0) ::close(in);
    return false;
  }
  struct stat existing {};
  if (::lstat(target.c_str(), &existing) == 0) {
    const bool same = SameFile(source, target) || SameContents(in, target);
    ::close(in);
    if (!same) *why = "a different file of that name exists: " + target;
    return same;
  }
  static thread_local std::vector<char> buf(kCopyBuffer);
  AtomicWriteOptions options;
  options.tempPath = JoinPath(folder, ".part-" + name);
  options.replace = false;
  const WriteResult r = WriteFileAtomically(
      target,
      [&](int out) {
        for (;;) {
          const ssize_t got = ::read(in, buf.data(), buf.size());
          if (got < 0 && errno == EINTR) continue;
          if (got < 0) return false;
          if (got == 0) return true;
          if (hooks.cancel && hooks.cancel->load()) return false;
          if (!WriteAllToFd(out, buf.data(), static_cast<size_t>(got))) return false;
          if (hooks.onBytes) hooks.onBytes(static_cast<uint64_t>(got));
        }
      },
      options);
  ::close(in);
  if (!r.ok()) *why = r.outcome == WriteOutcome::kTargetExists ? "a different file of that name exists: " + target
                                                                 : r.Reason();
  return r.ok();
}

}  // namespace

std::string CopyReportText(const CopyReport& report, bool backup) {
  if (!report.strRefused.empty()) return report.strRefused;
  const auto files = [](int n) { return std::to_string(n) + (n == 1 ? " record file" : " record files"); };
  std::string text = backup ? "Backed up " + files(report.nCopied) + " of " + std::to_string(report.nCameras) +
                                  (report.nCameras == 1 ? " camera" : " cameras")
                            : "Saved " + files(report.nCopied);
  text += " to " + report.strDestination;
  if (report.nFailed > 0) text += "; " + std::to_string(report.nFailed) + " could not be copied";
  if (report.nCamerasSkipped > 0)
    text += "; " + std::to_string(report.nCamerasSkipped) + " camera(s) could not be opened";
  if (report.nIndexFailed > 0) text += "; " + std::to_string(report.nIndexFailed) + " index file(s) could not be written";
  return text;
}

std::string CRecordDB::DayFolderName(const std::string& base, int year, int month, int day) {
  return JoinPath(base, RdbDayText(year, month, day));
}

std::string CRecordDB::CopyRecordFile(const std::string& folder, RDB_RECORD* record, bool* ok, std::string* why) {
  const std::string stored(record->szFilePath, strnlen(record->szFilePath, sizeof record->szFilePath));
  const std::string source = ResolvePath(*record);
  // The copy keeps the file's own name (the stored one when there is no file).
  std::string name = source.empty() ? NativePath(stored) : source;
  SplitPath(name, nullptr, &name);
  const std::string target = JoinPath(folder, name);
  std::string reason;
  bool copied = false;
  if (target.size() >= static_cast<size_t>(kRdbPathSize))
    reason = "path too long for the index: " + target;
  else
    copied = CopyWhole(source, target, m_hooks, &reason);
  if (copied) std::snprintf(record->szFilePath, sizeof record->szFilePath, "%s", target.c_str());
  if (ok) *ok = copied;
  if (why) *why = reason;
  return target;
}

void CRecordDB::CopyDayFiles(const std::string& dayFolder, RdbDay* day, CopyReport* report) {
  RdbRecordArray kept;
  kept.reserve(day->records.size());
  for (size_t i = 0; i < day->records.size(); ++i) {
    // Cancelled: the records not copied are left out, not counted as failures.
    if (IsCancelled()) break;
    RDB_RECORD r = day->records[i];
    const std::string stored(r.szFilePath, strnlen(r.szFilePath, sizeof r.szFilePath));
    bool ok = false;
    std::string why;
    CopyRecordFile(dayFolder, &r, &ok, &why);
    if (ok) {
      kept.push_back(r);
      if (report) ++report->nCopied;
    } else if (IsCancelled()) {
      break;
    } else if (report) {
      report->Fail(stored, why);
    }
    SendProgress(m_pProgress, kProgressStep, static_cast<LPARAM>(i));
    if (m_fnRepaint) m_fnRepaint();
  }
  day->records.swap(kept);
  day->node.nCount = static_cast<uint32_t>(day->records.size());
}

bool CRecordDB::SaveTo(const std::string& folder, CopyReport* report) {
  if (!m_pHeader) return true;
  RdbIndex copy = *m_pHeader;
  bool dropped = false;
  for (auto& y : copy.years) {
    for (auto& m : y.months) {
      for (auto& d : m.days) {
        if (d.records.empty()) continue;
        const size_t before = d.records.size();
        if (IsCancelled()) {
          d.records.clear();
          dropped = true;
          continue;
        }
        const std::string dayFolder = DayFolderName(folder, y.node.wKey & 0xFFFF, m.node.wKey & 0xFF, d.node.wKey & 0xFF);
        if (MakeFolderPath(dayFolder)) {
          CopyDayFiles(dayFolder, &d, report);
        } else {
          // Not copied: the index of the copy must not list these records.
          for (const auto& r : d.records)
            if (report) report->Fail(r.szFilePath, "cannot make " + dayFolder);
          d.records.clear();
        }
        dropped = dropped || d.records.size() != before;
      }
    }
  }
  if (dropped) Recompute(&copy);
  copy.header.tUpdated = Now32();
  return WriteIndexFile(JoinPath(folder, "rdb.ndx"), copy);
}

bool CRecordDB::ClearAll(bool deleteFiles) {
  if (deleteFiles && IsReadOnlyData()) return false;
  if (m_pHeader) {
    if (deleteFiles) {
      MarkChangeStarted();
      DeleteFileIfExists(m_strIndexPath);
      m_stamp = StampOf(m_strIndexPath);  // gone by our own hand, not another process's
      for (const auto& y : m_pHeader->years)
        for (const auto& m : y.months)
          for (const auto& d : m.days)
            for (const auto& r : d.records) DeleteFileIfExists(ResolvePath(r));
    }
    ReleaseHierarchy(std::move(m_pHeader));
  }
  m_bUnsaved = true;
  return NewEmpty();
}

bool CRecordList::BeginChange() {
  EndChange();
  if (!m_db.BeginChange()) return false;
  m_bChangeOpen = true;
  return true;
}

void CRecordList::EndChange() {
  if (m_bChangeOpen) m_db.EndChange();
  m_bChangeOpen = false;
}

bool CRecordList::BeginFileDeletion() {
  if (IsReadOnlyData() || !BeginChange()) return false;
  m_db.MarkChangeStarted();
  return true;
}

bool CRecordList::Delete(time32 t, bool deleteFiles, bool day) {
  if (deleteFiles && IsReadOnlyData()) return false;
  if (!BeginChange()) return false;
  if (!day) return m_db.RemoveRecord(t, deleteFiles);
  Busy(true);
  SendProgress(m_ctx.pMainWnd, kProgressFormat, kIdsDeleteProgress);
  SendProgress(m_ctx.pMainWnd, kProgressBegin, 1);
  bool ok = m_db.RemoveDay(t, deleteFiles);
  SendProgress(m_ctx.pMainWnd, kProgressEnd, 0);
  Busy(false);
  return ok;
}

int CRecordList::DeleteAll(bool deleteFiles, IRecordTree* tree) {
  if (deleteFiles && IsReadOnlyData()) return 0;
  if (!BeginChange() || !m_db.ClearAll(deleteFiles)) return 0;
  m_db.FillTree(tree);
  return 1;
}

DeleteNotice CRecordList::NotifyDeleted(IRecorderLink* recorder, RecorderWindow window, uint32_t msg, time32 t,
                                        int channelIndex) {
  DeleteNotice notice = DeleteNotice::kNotSaved;
  if (recorder && window != RecorderWindow::kNone) {
    const WPARAM w = msg == kMsgAllDeleted ? 0 : static_cast<WPARAM>(static_cast<uint32_t>(t));
    if (recorder->Post(msg, w, MakeCameraParam(channelIndex)))
      notice = DeleteNotice::kRecorderTold;
    else
      notice = SaveIndex() ? DeleteNotice::kRecorderMissed : DeleteNotice::kNotSaved;
  } else {
    notice = SaveIndex() ? DeleteNotice::kIndexSaved : DeleteNotice::kNotSaved;
  }
  EndChange();
  return notice;
}

bool CRecordList::SaveRecordsTo(time32 t, bool day, int channelIndex, CopyReport* report) {
  EndChange();
  CopyReport local;
  CopyReport& rep = report ? *report : local;
  RdbYear* year = nullptr;
  RdbMonth* month = nullptr;
  RdbDay* dayNode = nullptr;
  RDB_RECORD* record = nullptr;
  if (day) {
    if (!m_db.FindDay(t, &year, &month, &dayNode, nullptr)) return false;
  } else {
    record = m_db.FindRecord(t, &year, &month, &dayNode, nullptr);
    if (!record) return false;
  }
  if (!Pick(&m_strSaveFolder, true, "")) return false;
  const std::string root = AbsolutePath(m_strSaveFolder);
  rep.strDestination = root;
  rep.strRefused = ExportDestinationRefusal(root);
  if (!rep.strRefused.empty()) return false;
  // Filed under the day the records belong to, which for a time inside a recording that began
  // the evening before is that evening's day.
  const std::string dayFolder = CRecordDB::DayFolderName(JoinPath(root, CameraFolderName(channelIndex)),
                                                         year->node.wKey & 0xFFFF, month->node.wKey & 0xFF,
                                                         dayNode->node.wKey & 0xFF);
  if (!MakeFolderPath(dayFolder)) {
    rep.strRefused = "cannot make the folder " + dayFolder;
    return false;
  }
  Busy(true);
  if (day) {
    SendProgress(m_ctx.pMainWnd, kProgressFormat, kIdsSaveProgress);
    SendProgress(m_ctx.pMainWnd, kProgressBegin, static_cast<LPARAM>(dayNode->records.size()));
  }
  if (!WriteCameraEntry(root, m_ctx.strIniPath, channelIndex, m_ctx.text)) ++rep.nIndexFailed;
  if (day) {
    RdbDay copy = *dayNode;
    m_db.CopyDayFiles(dayFolder, &copy, &rep);
    SendProgress(m_ctx.pMainWnd, kProgressEnd, 0);
  } else {
    RDB_RECORD copy = *record;
    bool ok = false;
    std::string why;
    m_db.CopyRecordFile(dayFolder, &copy, &ok, &why);
    if (ok)
      ++rep.nCopied;
    else
      rep.Fail(record->szFilePath, why);
  }
  Busy(false);
  return rep.nIndexFailed == 0;
}

bool CRecordList::Backup(const std::string& rootIn, CopyReport* report) {
  EndChange();
  CopyReport local;
  CopyReport& rep = report ? *report : local;
  std::vector<CameraEntry> cameras;
  int current = -1;
  if (m_ctx.pCameras) {
    cameras = m_ctx.pCameras->GetCameras();
    current = m_ctx.pCameras->GetCurrentCamera();
  }
  if (rootIn.empty()) {
    const int number = (current >= 0 && current < static_cast<int>(cameras.size())) ? cameras[current].nChannel + 1 : 0;
    const std::string format = m_ctx.text ? m_ctx.text(kIdsBackupTitle) : RdbBuiltInText(kIdsBackupTitle);
    if (!Pick(&m_strBackupFolder, true, FormatTextInt(format, number))) return false;
  } else {
    m_strBackupFolder = rootIn;
  }
  const std::string root = AbsolutePath(m_strBackupFolder);
  rep.strDestination = root;
  for (const CameraEntry& cam : cameras) ProtectDataFolder(cam.strFolder);
  rep.strRefused = ExportDestinationRefusal(root);
  if (!rep.strRefused.empty()) return false;
  if (!MakeFolderPath(root)) {
    rep.strRefused = "cannot make the folder " + root;
    return false;
  }
  Busy(true);
  SendProgress(m_ctx.pMainWnd, kProgressFormat, kIdsBackupProgress);
  SendProgress(m_ctx.pMainWnd, kProgressBegin, 1);
  for (const CameraEntry& cam : cameras) {
    // A camera whose database cannot be opened is skipped; exporting the records still
    // loaded would file another camera's records under this one.
    if (!OpenCamera(cam.strFolder, nullptr) || !m_bLastOpenOk) {
      ++rep.nCamerasSkipped;
      continue;
    }
    ++rep.nCameras;
    if (!WriteCameraEntry(root, m_ctx.strIniPath, cam.nChannel, m_ctx.text)) ++rep.nIndexFailed;
    const std::string target = JoinPath(root, CameraFolderName(cam.nChannel));
    if (!MakeFolderPath(target) || !m_db.SaveTo(target, &rep)) ++rep.nIndexFailed;
  }
  if (current >= 0 && current < static_cast<int>(cameras.size()) && m_ctx.pMainWnd) {
    m_strReopenFolder = cameras[current].strFolder;
    m_ctx.pMainWnd->Post(kMsgOpenCamera, reinterpret_cast<WPARAM>(m_strReopenFolder.c_str()),
                         cameras[current].nChannel);
  }
  SendProgress(m_ctx.pMainWnd, kProgressEnd, 0);
  Busy(false);
  return rep.nIndexFailed == 0;
}

int CRecordList::RebuildAndSave(IRecordTree* tree) {
  if (IsReadOnlyData()) return 0;
  EndChange();
  if (!m_db.BeginChange(false)) return 0;
  m_db.Rebuild();
  m_db.FillTree(tree);
  m_db.Save();
  m_db.EndChange();
  return 1;
}

}  // namespace vt
