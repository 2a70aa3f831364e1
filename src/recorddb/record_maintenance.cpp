// Deleting, exporting and rebuilding a camera's records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "recorddb/camera_config.h"
#include "recorddb/rdb_texts.h"
#include "recorddb/record_db.h"
#include "recorddb/record_list.h"

namespace vt {

namespace {

std::string CameraFolderName(int channelIndex) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "camera%02d", channelIndex + 1);
  return buf;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Copies source to target through a hidden ".part-" file beside it, so a failed copy never
// leaves a short file under the record's name (nor one a folder scan would take for a
// record) and never destroys an existing target. A cancelled copy is removed the same way.
bool CopyWhole(const std::string& source, const std::string& target, const RdbWorkHooks& hooks) {
  std::string folder, name;
  if (!SplitPath(target, &folder, &name)) return false;
  const std::string part = JoinPath(folder, ".part-" + name);
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  static thread_local char buf[1 << 20];
  for (;;) {
    ssize_t got = ::read(in, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    if (hooks.cancel && hooks.cancel->load()) {
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < got;) {
      ssize_t w = ::write(out, buf + done, static_cast<size_t>(got - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
    if (hooks.onBytes) hooks.onBytes(static_cast<uint64_t>(got));
  }
  ::close(in);
  ok = (::close(out) == 0) && ok;
  if (ok && ::rename(part.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) ::unlink(part.c_str());
  return ok;
}

}  // namespace

std::string CRecordDB::DayFolderName(const std::string& base, int year, int month, int day) {
  return JoinPath(base, RdbDayText(year, month, day));
}

std::string CRecordDB::CopyRecordFile(const std::string& folder, RDB_RECORD* record, bool* ok) {
  const std::string source = ResolvePath(*record);
  std::string name = source;
  SplitPath(source, nullptr, &name);
  const std::string target = JoinPath(folder, name);
  bool copied = target.size() < static_cast<size_t>(kRdbPathSize) &&
                (SameFile(source, target) || CopyWhole(source, target, m_hooks));
  if (copied) std::snprintf(record->szFilePath, sizeof record->szFilePath, "%s", target.c_str());
  if (ok) *ok = copied;
  return target;
}

void CRecordDB::CopyDayFiles(const std::string& dayFolder, RdbDay* day, CopyReport* report) {
  RdbRecordArray kept;
  kept.reserve(day->records.size());
  for (size_t i = 0; i < day->records.size(); ++i) {
    // Cancelled: the records not copied are left out, not counted as failures.
    if (IsCancelled()) break;
    RDB_RECORD r = day->records[i];
    const std::string source(r.szFilePath);
    bool ok = false;
    CopyRecordFile(dayFolder, &r, &ok);
    if (ok) {
      kept.push_back(r);
      if (report) ++report->nCopied;
    } else if (IsCancelled()) {
      break;
    } else if (report) {
      report->Fail(source);
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
            if (report) report->Fail(r.szFilePath);
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
      DeleteFileIfExists(m_strIndexPath);
      for (const auto& y : m_pHeader->years)
        for (const auto& m : y.months)
          for (const auto& d : m.days)
            for (const auto& r : d.records) DeleteFileIfExists(ResolvePath(r));
    }
    m_pHeader.reset();
  }
  m_bUnsaved = true;
  return NewEmpty();
}

bool CRecordList::Delete(time32 t, bool deleteFiles, bool day) {
  if (!day) return m_db.RemoveRecord(t, deleteFiles);
  if (deleteFiles && IsReadOnlyData()) return false;
  Busy(true);
  SendProgress(m_ctx.pMainWnd, kProgressFormat, kIdsDeleteProgress);
  SendProgress(m_ctx.pMainWnd, kProgressBegin, 1);
  bool ok = m_db.RemoveDay(t, deleteFiles);
  SendProgress(m_ctx.pMainWnd, kProgressEnd, 0);
  Busy(false);
  return ok;
}

int CRecordList::DeleteAll(bool deleteFiles, IRecordTree* tree) {
  if (!m_db.ClearAll(deleteFiles)) return 0;
  m_db.FillTree(tree);
  return 1;
}

DeleteNotice CRecordList::NotifyDeleted(IRecorderLink* recorder, RecorderWindow window, uint32_t msg, time32 t,
                                        int channelIndex) {
  if (recorder && window != RecorderWindow::kNone) {
    const WPARAM w = msg == kMsgAllDeleted ? 0 : static_cast<WPARAM>(static_cast<uint32_t>(t));
    if (recorder->Post(msg, w, MakeCameraParam(channelIndex))) return DeleteNotice::kRecorderTold;
    return SaveIndex() ? DeleteNotice::kRecorderMissed : DeleteNotice::kNotSaved;
  }
  return SaveIndex() ? DeleteNotice::kIndexSaved : DeleteNotice::kNotSaved;
}

bool CRecordList::SaveRecordsTo(time32 t, bool day, int channelIndex, CopyReport* report) {
  RdbDay* dayNode = nullptr;
  RDB_RECORD* record = nullptr;
  if (day) {
    if (!m_db.FindDay(t, nullptr, nullptr, &dayNode, nullptr)) return false;
  } else {
    record = m_db.FindRecordAt(t);
    if (!record) return false;
  }
  if (!Pick(&m_strSaveFolder, true, "")) return false;
  const std::string root = m_strSaveFolder;
  if (IsWriteRefused(root)) return false;
  LocalFields lf;
  if (!SplitLocalTime(t, &lf)) return false;
  const std::string dayFolder =
      CRecordDB::DayFolderName(JoinPath(root, CameraFolderName(channelIndex)), lf.year, lf.month, lf.day);
  if (!MakeFolderPath(dayFolder)) return false;
  Busy(true);
  if (day) {
    SendProgress(m_ctx.pMainWnd, kProgressFormat, kIdsSaveProgress);
    SendProgress(m_ctx.pMainWnd, kProgressBegin, static_cast<LPARAM>(dayNode->records.size()));
  }
  WriteCameraEntry(root, m_ctx.strIniPath, channelIndex, m_ctx.text);
  if (day) {
    RdbDay copy = *dayNode;
    m_db.CopyDayFiles(dayFolder, &copy, report);
    SendProgress(m_ctx.pMainWnd, kProgressEnd, 0);
  } else {
    RDB_RECORD copy = *record;
    bool ok = false;
    m_db.CopyRecordFile(dayFolder, &copy, &ok);
    if (report) {
      if (ok)
        ++report->nCopied;
      else
        report->Fail(record->szFilePath);
    }
  }
  Busy(false);
  return true;
}

bool CRecordList::Backup(const std::string& rootIn, CopyReport* report) {
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
  const std::string root = m_strBackupFolder;
  if (IsWriteRefused(root)) return false;
  for (const CameraEntry& cam : cameras) ProtectDataFolder(cam.strFolder);
  if (IsWriteRefused(root) || !MakeFolderPath(root)) return false;
  Busy(true);
  SendProgress(m_ctx.pMainWnd, kProgressFormat, kIdsBackupProgress);
  SendProgress(m_ctx.pMainWnd, kProgressBegin, 1);
  for (const CameraEntry& cam : cameras) {
    // A camera whose database cannot be opened is skipped; exporting the records still
    // loaded would file another camera's records under this one.
    if (!OpenCamera(cam.strFolder, nullptr) || !m_bLastOpenOk) continue;
    WriteCameraEntry(root, m_ctx.strIniPath, cam.nChannel, m_ctx.text);
    const std::string target = JoinPath(root, CameraFolderName(cam.nChannel));
    if (MakeFolderPath(target)) m_db.SaveTo(target, report);
  }
  if (current >= 0 && current < static_cast<int>(cameras.size()) && m_ctx.pMainWnd) {
    m_strReopenFolder = cameras[current].strFolder;
    m_ctx.pMainWnd->Post(kMsgOpenCamera, reinterpret_cast<WPARAM>(m_strReopenFolder.c_str()),
                         cameras[current].nChannel);
  }
  SendProgress(m_ctx.pMainWnd, kProgressEnd, 0);
  Busy(false);
  return true;
}

int CRecordList::RebuildAndSave(IRecordTree* tree) {
  if (IsReadOnlyData()) return 0;
  m_db.Rebuild();
  m_db.FillTree(tree);
  m_db.Save();
  return 1;
}

}  // namespace vt
