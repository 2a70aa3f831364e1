// The record list of the record tree: the open camera's database and the commands that
// change or export it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/message.h"
#include "recorddb/camera_config.h"
#include "recorddb/record_db.h"
#include "recorddb/recorder_link.h"

namespace vt {

// One entry of the camera selector.
struct CameraEntry {
  int nChannel = 0;  // 0-15
  std::string strLabel;
  std::string strFolder;
  bool operator==(const CameraEntry&) const = default;
};

// The camera selector as Backup sees it.
class ICameraQuery {
 public:
  virtual ~ICameraQuery() = default;
  virtual std::vector<CameraEntry> GetCameras() const = 0;
  // Position of the current entry in GetCameras(), -1 when none.
  virtual int GetCurrentCamera() const = 0;
};

// The folder an export files a camera's records under ("camera01" for channel index 0).
std::string CameraFolderName(int channelIndex);

// Folder picker: path in = initial selection, out = the chosen folder; false = cancelled.
// An empty title means the picker's default ("Select a folder").
using FolderPicker = std::function<bool(std::string& path, bool allowNew, const std::string& title)>;

// What the commands need of the main window.
struct RecordListContext {
  std::string strIniPath;            // recorder configuration (m_strIniPath)
  IMessageTarget* pMainWnd = nullptr;  // progress (sent) and open-camera (posted) messages
  FolderPicker pickFolder;           // empty = every pick is cancelled
  TextLookup text;                   // localized texts; empty = built-in
  std::function<void(bool busy)> waitCursor;
  std::function<void()> repaint;     // after each copied file
  ICameraQuery* pCameras = nullptr;  // for Backup
};

class CRecordList {
 public:
  CRecordList();
  // Writes the open camera's index back when it was changed.
  virtual ~CRecordList();
  CRecordList(const CRecordList&) = delete;
  CRecordList& operator=(const CRecordList&) = delete;

  void SetContext(RecordListContext context);
  const RecordListContext& GetContext() const { return m_ctx; }
  CRecordDB& GetDB() { return m_db; }
  const CRecordDB& GetDB() const { return m_db; }
  const std::string& GetCameraFolder() const { return m_strCameraFolder; }

  // Empty folder: ask with the picker. 0 when cancelled, when the folder cannot be made, or when
  // it is not an absolute path (the camera is then shown empty and WriteBlockedReason says
  // why; see StorageFolderProblem); 1
  // otherwise, also when the index could neither be loaded nor rebuilt (the previous
  // records then stay loaded; LastOpenSucceeded tells).
  int OpenCamera(const std::string& folder, IRecordTree* tree);
  bool LastOpenSucceeded() const { return m_bLastOpenOk; }
  // Empty when the open camera's data may be changed; else why not (read-only review mode,
  // or a camera folder this process cannot write), for the status bar.
  const std::string& WriteBlockedReason() const { return m_strWriteBlocked; }
  // The file to open, copy or delete for record (its stored path, or where it is found now
  // under the camera folder when that path does not exist, e.g. a Windows path).
  std::string ResolvePath(const RDB_RECORD& record) const;
  bool IsEmpty() const { return m_db.IsEmpty(); }
  int Update(IRecordTree* tree);
  bool SaveIndex() { return m_db.Save(); }

  // Maintenance (record_maintenance.cpp).
  // In read-only review mode Delete, DeleteAll (with files) and RebuildAndSave refuse: false / 0.
  // Delete and DeleteAll hold the camera folder's lock alone (CRecordDB::BeginChange) until
  // NotifyDeleted has saved the index or told the recorder, or until the next operation. When
  // another process had changed the index, it was reloaded first (ChangeReloadedIndex): the tree
  // then has to be filled again rather than losing one item.
  bool Delete(time32 t, bool deleteFiles, bool day);
  int DeleteAll(bool deleteFiles, IRecordTree* tree);
  bool ChangeReloadedIndex() const { return m_db.WasReloaded(); }
  // Record files deleted by someone else (a worker): holds the camera folder's lock and marks
  // the index as being changed until NotifyDeleted or EndFileDeletion, so no other process
  // writes in between and a kill half way is repaired by the next writer.
  bool BeginFileDeletion();
  void EndFileDeletion() { EndChange(); }
  // After a deletion, with the recorder window looked up before it started: post msg
  // (kMsgRecordDeleted, kMsgDayDeleted or kMsgAllDeleted) with t and the camera number and leave
  // the index to the recorder; without a recorder save the index. A recorder that does not take
  // the message (stopped, busy) would never learn of the deletion, so the index is saved here.
  // Ends the change that Delete or DeleteAll began.
  DeleteNotice NotifyDeleted(IRecorderLink* recorder, RecorderWindow window, uint32_t msg, time32 t,
                             int channelIndex);
  // Exports: report tells what was done (CopyReportText). Both refuse (false, report's
  // strRefused) the file-system root, system folders and, in review mode, a destination inside
  // the data; they return false as well when a database file of the export (recorddb.ini, a
  // camera's rdb.ndx) could not be written. A relative destination is made absolute.
  // SaveRecordsTo files the copies under the date of the day the records belong to.
  bool SaveRecordsTo(time32 t, bool day, int channelIndex, CopyReport* report = nullptr);
  // Empty root: ask with the picker. Exports every camera of the selector.
  bool Backup(const std::string& root, CopyReport* report = nullptr);
  int RebuildAndSave(IRecordTree* tree);

  // Remembered picker folders of Save Record to... and Backup Record DB....
  std::string m_strSaveFolder;
  std::string m_strBackupFolder;
  std::string m_strOpenFolder;

 private:
  void Busy(bool on) const;
  bool BeginChange();
  void EndChange();
  bool Pick(std::string* buffer, bool allowNew, const std::string& title) const;

  CRecordDB m_db;
  std::string m_strCameraFolder;
  std::string m_strReopenFolder;  // kept alive for the posted open-camera message
  RecordListContext m_ctx;
  bool m_bLastOpenOk = false;
  bool m_bChangeOpen = false;  // Delete/DeleteAll waiting for NotifyDeleted
  std::string m_strWriteBlocked;
};

}  // namespace vt
