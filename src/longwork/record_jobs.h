// Backup Record DB, Save Record to, Rebuild Record DB and deleting many records as long work for
// a worker thread. Each works on databases (or a list of files) of its own, never on the one the
// window browses, so the window can go on showing and playing records meanwhile. The status-bar
// texts of the commands are posted through the control; cancelling leaves what was finished
// complete and consistent.
#pragma once

#include <string>
#include <vector>

#include "longwork/work_control.h"
#include "recorddb/camera_config.h"
#include "recorddb/record_db.h"
#include "recorddb/record_list.h"

namespace vt {

struct BackupJob {
  std::string root;     // chosen and made by the caller
  std::string iniPath;  // recorder configuration
  TextLookup text;
  std::vector<CameraEntry> cameras;
};

struct RecordJobResult {
  CopyReport report;
  int cameras = 0;  // cameras written to the export
  bool cancelled = false;
};

// Builds the job of Backup Record DB: asks for the root with the list's picker (its title names
// the current camera), protects the cameras' folders and makes the root. False when cancelled
// or the root is refused or cannot be made; *refusal then names the folder and why.
bool PlanBackup(CRecordList& list, BackupJob* job, CopyReport* refusal);
// Every camera's database is opened first (rebuilt and saved when its index is unreadable) to
// know the total; then each camera gets its recorddb.ini entry, its folder, its copies and an
// index that lists exactly the finished copies. Cancelled: the cameras not begun are left out.
RecordJobResult RunBackup(const BackupJob& job, CWorkControl& control);

struct SaveRecordsJob {
  std::string root;
  std::string iniPath;
  TextLookup text;
  int channelIndex = 0;
  std::string cameraFolder;  // where the records are resolved
  std::string dayFolder;     // made by the caller
  bool day = false;
  RdbDay records;  // a private copy: the day's records, or the one record
};

// Builds the job of Save Record to for the selection at t (a day or a record): finds it, asks
// for the folder with the list's picker and makes the day folder, as the command does before
// copying. The records are filed under the date of the day they belong to. False when there is
// nothing to do (no such record or day, picker cancelled, a refused or unmade folder: *refusal
// then names the folder and why).
bool PlanSaveRecords(CRecordList& list, time32 t, bool day, int channelIndex, SaveRecordsJob* job,
                     CopyReport* refusal);
RecordJobResult RunSaveRecords(const SaveRecordsJob& job, CWorkControl& control);

// One record file of a deletion.
struct DeleteItem {
  time32 tStart = 0;
  std::string path;  // resolved; empty when the file is not found
  uint64_t size = 0;
};

// The record files of the day at t (day set) or of the whole database, resolved on the calling
// thread. Empty when there is no such day.
std::vector<DeleteItem> PlanDelete(CRecordDB& db, time32 t, bool day);
// Deletes the files in order, one progress step per file deleted (a file held open by another
// program is left, as ever). Stops when cancelled; returns how many items were dealt with, the
// first ones of items.
size_t RunDelete(const std::vector<DeleteItem>& items, CWorkControl& control);

// Rebuilds the index of folder from its files and saves it; cancelled, the index file is left
// as it was. True when a new index was written.
bool RunRebuild(const std::string& folder, CWorkControl& control);

}  // namespace vt
