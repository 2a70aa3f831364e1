#include "longwork/record_jobs.h"

#include <unistd.h>

#include <memory>

#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "recorddb/rdb_texts.h"

namespace vt {

namespace {

constexpr const char* kPhaseReading = "Reading the record databases...";
constexpr const char* kPhaseCopying = "Copying record files...";
constexpr const char* kPhaseScanning = "Scanning the camera folder...";
constexpr const char* kPhaseDeleting = "Deleting record files...";

void CountRecords(const RdbIndex* index, int64_t* files, uint64_t* bytes) {
  if (!index) return;
  for (const auto& y : index->years)
    for (const auto& m : y.months)
      for (const auto& d : m.days)
        for (const auto& r : d.records) {
          ++*files;
          *bytes += r.qwSize;
        }
}

// Refuses the file-system root, system folders and the data under review, and makes root.
bool RefuseDestination(const std::string& root, CopyReport* refusal) {
  refusal->strDestination = root;
  refusal->strRefused = ExportDestinationRefusal(root);
  if (refusal->strRefused.empty() && !MakeFolderPath(root)) refusal->strRefused = "cannot make the folder " + root;
  return refusal->strRefused.empty();
}

}  // namespace

bool PlanBackup(CRecordList& list, BackupJob* job, CopyReport* refusal) {
  const RecordListContext& ctx = list.GetContext();
  std::vector<CameraEntry> cameras;
  int current = -1;
  if (ctx.pCameras) {
    cameras = ctx.pCameras->GetCameras();
    current = ctx.pCameras->GetCurrentCamera();
  }
  const int number = (current >= 0 && current < static_cast<int>(cameras.size())) ? cameras[current].nChannel + 1 : 0;
  const std::string format = ctx.text ? ctx.text(kIdsBackupTitle) : RdbBuiltInText(kIdsBackupTitle);
  std::string root = list.m_strBackupFolder;
  if (!ctx.pickFolder || !ctx.pickFolder(root, true, FormatTextInt(format, number)) || root.empty()) return false;
  list.m_strBackupFolder = root;
  root = AbsolutePath(root);
  for (const CameraEntry& cam : cameras) ProtectDataFolder(cam.strFolder);
  if (!RefuseDestination(root, refusal)) return false;
  job->root = root;
  job->iniPath = ctx.strIniPath;
  job->text = ctx.text;
  job->cameras = std::move(cameras);
  return true;
}

RecordJobResult RunBackup(const BackupJob& job, CWorkControl& control) {
  RecordJobResult result;
  result.report.strDestination = job.root;
  control.SetPhase(kPhaseReading);
  struct Opened {
    const CameraEntry* camera;
    std::unique_ptr<CRecordDB> db;
  };
  std::vector<Opened> opened;
  int64_t files = 0;
  uint64_t bytes = 0;
  for (const CameraEntry& cam : job.cameras) {
    if (control.IsCancelled()) break;
    // As opening a camera does: a missing folder is made where the data may be written.
    if (DataWriteBlockedReason(cam.strFolder).empty()) MakeFolderPath(cam.strFolder);
    auto db = std::make_unique<CRecordDB>();
    // A camera whose database cannot be opened is skipped, and counted.
    if (!db->Open(cam.strFolder)) {
      ++result.report.nCamerasSkipped;
      continue;
    }
    CountRecords(db->GetIndex(), &files, &bytes);
    opened.push_back({&cam, std::move(db)});
  }
  control.SetTotals(files, bytes);
  control.SetPhase(kPhaseCopying);
  SendProgress(&control, kProgressFormat, kIdsBackupProgress);
  SendProgress(&control, kProgressBegin, 1);
  for (Opened& o : opened) {
    if (control.IsCancelled()) break;
    ++result.report.nCameras;
    if (!WriteCameraEntry(job.root, job.iniPath, o.camera->nChannel, job.text)) ++result.report.nIndexFailed;
    const std::string target = JoinPath(job.root, CameraFolderName(o.camera->nChannel));
    if (!MakeFolderPath(target)) {
      ++result.report.nIndexFailed;
      continue;
    }
    o.db->SetProgressTarget(&control);
    o.db->SetWorkHooks(control.Hooks());
    if (!o.db->SaveTo(target, &result.report)) ++result.report.nIndexFailed;
    ++result.cameras;
  }
  SendProgress(&control, kProgressEnd, 0);
  result.cancelled = control.IsCancelled();
  return result;
}

bool PlanSaveRecords(CRecordList& list, time32 t, bool day, int channelIndex, SaveRecordsJob* job,
                     CopyReport* refusal) {
  CRecordDB& db = list.GetDB();
  RdbDay records;
  RdbYear* yearNode = nullptr;
  RdbMonth* monthNode = nullptr;
  RdbDay* dayNode = nullptr;
  if (day) {
    if (!db.FindDay(t, &yearNode, &monthNode, &dayNode, nullptr)) return false;
    records = *dayNode;
  } else {
    RDB_RECORD* record = db.FindRecord(t, &yearNode, &monthNode, &dayNode, nullptr);
    if (!record) return false;
    records.records.push_back(*record);
    records.node.nCount = 1;
  }
  const RecordListContext& ctx = list.GetContext();
  if (!ctx.pickFolder) return false;
  std::string root = list.m_strSaveFolder;
  if (!ctx.pickFolder(root, true, "") || root.empty()) return false;
  list.m_strSaveFolder = root;
  root = AbsolutePath(root);
  if (!RefuseDestination(root, refusal)) return false;
  // Filed under the day the records belong to, which for a time inside a recording that began
  // the evening before is that evening's day.
  const std::string dayFolder =
      CRecordDB::DayFolderName(JoinPath(root, CameraFolderName(channelIndex)), yearNode->node.wKey & 0xFFFF,
                               monthNode->node.wKey & 0xFF, dayNode->node.wKey & 0xFF);
  if (!MakeFolderPath(dayFolder)) {
    refusal->strRefused = "cannot make the folder " + dayFolder;
    return false;
  }
  job->root = root;
  job->iniPath = ctx.strIniPath;
  job->text = ctx.text;
  job->channelIndex = channelIndex;
  job->cameraFolder = list.GetCameraFolder();
  job->dayFolder = dayFolder;
  job->day = day;
  job->records = std::move(records);
  return true;
}

RecordJobResult RunSaveRecords(const SaveRecordsJob& job, CWorkControl& control) {
  RecordJobResult result;
  result.report.strDestination = job.root;
  int64_t files = 0;
  uint64_t bytes = 0;
  for (const auto& r : job.records.records) {
    ++files;
    bytes += r.qwSize;
  }
  control.SetTotals(files, bytes);
  control.SetPhase(kPhaseCopying);
  if (job.day) {
    SendProgress(&control, kProgressFormat, kIdsSaveProgress);
    SendProgress(&control, kProgressBegin, static_cast<LPARAM>(job.records.records.size()));
  }
  if (!WriteCameraEntry(job.root, job.iniPath, job.channelIndex, job.text)) ++result.report.nIndexFailed;
  CRecordDB db;
  db.SetFolder(job.cameraFolder);
  db.SetProgressTarget(&control);
  db.SetWorkHooks(control.Hooks());
  RdbDay copy = job.records;
  if (job.day) {
    db.CopyDayFiles(job.dayFolder, &copy, &result.report);
    SendProgress(&control, kProgressEnd, 0);
  } else if (!copy.records.empty()) {
    bool ok = false;
    std::string why;
    db.CopyRecordFile(job.dayFolder, &copy.records[0], &ok, &why);
    if (ok) {
      ++result.report.nCopied;
      control.AddFiles(1);
    } else if (!control.IsCancelled()) {
      result.report.Fail(job.records.records[0].szFilePath, why);
    }
  }
  result.cameras = 1;
  result.cancelled = control.IsCancelled();
  return result;
}

std::vector<DeleteItem> PlanDelete(CRecordDB& db, time32 t, bool day) {
  std::vector<DeleteItem> items;
  auto add = [&](const RdbDay& d) {
    for (const auto& r : d.records) items.push_back({r.tStart, db.ResolvePath(r), r.qwSize});
  };
  if (day) {
    RdbDay* node = nullptr;
    if (db.FindDay(t, nullptr, nullptr, &node, nullptr)) add(*node);
  } else if (const RdbIndex* index = db.GetIndex()) {
    for (const auto& y : index->years)
      for (const auto& m : y.months)
        for (const auto& d : m.days) add(d);
  }
  return items;
}

size_t RunDelete(const std::vector<DeleteItem>& items, CWorkControl& control) {
  uint64_t bytes = 0;
  for (const DeleteItem& it : items) bytes += it.size;
  control.SetTotals(static_cast<int64_t>(items.size()), bytes);
  control.SetPhase(kPhaseDeleting);
  SendProgress(&control, kProgressFormat, kIdsDeleteProgress);
  SendProgress(&control, kProgressBegin, 1);
  size_t done = 0;
  if (!IsReadOnlyData()) {
    for (const DeleteItem& it : items) {
      if (control.IsCancelled()) break;
      if (!it.path.empty() && FileExists(it.path) && ::unlink(it.path.c_str()) == 0) {
        SendProgress(&control, kProgressStep, 0);
      } else {
        control.AddFiles(1);
      }
      control.AddBytes(it.size);
      ++done;
    }
  }
  SendProgress(&control, kProgressEnd, 0);
  return done;
}

bool RunRebuild(const std::string& folder, CWorkControl& control) {
  if (IsReadOnlyData()) return false;
  control.SetPhase(kPhaseScanning);
  CRecordDB db;
  db.SetFolder(folder);
  db.SetProgressTarget(&control);
  db.SetWorkHooks(control.Hooks());
  // Held alone from scan to save, so no other writer's change is lost under the new index.
  if (!db.BeginChange(false)) return false;
  const bool saved = db.Rebuild() == 1 && !control.IsCancelled() && db.Save();
  db.EndChange();
  return saved;
}

}  // namespace vt
