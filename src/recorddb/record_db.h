// One camera's record database: its folder, its index file rdb.ndx and the in-memory copy of
// the index as a hierarchy of years, months, days and records.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/folder_lock.h"
#include "platform/message.h"
#include "recorddb/rdb_types.h"
#include "recorddb/record_path.h"

namespace vt {

// Leaves elements default-initialised when a vector grows by resize(): record arrays are
// read from the file straight over them, so zeroing first would only cost time.
template <typename T>
struct RdbNoInitAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = RdbNoInitAllocator<U>;
  };
  RdbNoInitAllocator() = default;
  template <typename U>
  RdbNoInitAllocator(const RdbNoInitAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using RdbRecordArray = std::vector<RDB_RECORD, RdbNoInitAllocator<RDB_RECORD>>;

// In-memory hierarchy. Each container holds the nCount used entries of its node; nCapacity
// is kept in the node only for the file (no slots are allocated for it), so a hostile
// capacity costs nothing.
struct RdbDay {
  RDB_NODE node{};
  RdbRecordArray records;
};
struct RdbMonth {
  RDB_NODE node{};
  std::vector<RdbDay> days;
};
struct RdbYear {
  RDB_NODE node{};
  std::vector<RdbMonth> months;
};
struct RdbIndex {
  RDB_HEADER header{};
  std::vector<RdbYear> years;
};

// Item handle of a tree widget; 0 = none.
using RecordTreeItem = std::intptr_t;

// What FillTree needs of the record tree. Items are shown sorted by their text (for these
// texts that is date and time order).
class IRecordTree {
 public:
  virtual ~IRecordTree() = default;
  virtual void Clear() = 0;
  // Top-level day item "YYYY-MM-DD".
  virtual RecordTreeItem InsertDay(const std::string& text) = 0;
  // Child item "HH:MM:SS"; kind 0 and non-zero show different icons.
  virtual RecordTreeItem InsertRecord(RecordTreeItem day, const std::string& text, int kind) = 0;
};

// One non-empty day of the hierarchy, as the tree lists it.
struct RdbDayRef {
  int nYear = 0;
  int nMonth = 0;
  int nDay = 0;
  const RdbDay* pDay = nullptr;
};

// Texts of the tree items.
std::string RdbDayText(int year, int month, int day);  // "%04d-%02d-%02d"
std::string RdbRecordText(const RDB_RECORD& record);   // start time "%H:%M:%S", local

// What an export did. The operations keep their bool result; a record counted as failed is
// not listed in any index they write.
struct CopyReport {
  std::string strDestination;  // root folder of the export
  int nCopied = 0;
  int nFailed = 0;
  std::string strFirstFailed;  // stored path of the first failed copy
  std::string strFirstReason;  // and why it failed
  int nCameras = 0;            // Backup: cameras exported
  int nCamerasSkipped = 0;     // Backup: cameras whose database could not be opened
  int nIndexFailed = 0;        // Backup: camera indexes that could not be written
  std::string strRefused;      // why the destination was refused; empty when it was used
  void Fail(const std::string& path, const std::string& reason) {
    if (nFailed++ == 0) {
      strFirstFailed = path;
      strFirstReason = reason;
    }
  }
};
// One line for the status bar: destination and counts ("Saved 4 record files to /media/usb";
// "Backed up 7 record files of 3 cameras to /media/usb; 1 could not be copied").
std::string CopyReportText(const CopyReport& report, bool backup);

// Long work on another thread: bytes as a copy goes on, and a flag that stops copies and scans
// between two blocks or files. Both may be empty.
struct RdbWorkHooks {
  std::function<void(uint64_t bytes)> onBytes;  // bytes written since the last call
  const std::atomic<bool>* cancel = nullptr;
};

// Progress reporting of long operations; target may be null.
void SendProgress(IMessageTarget* target, uint32_t code, LPARAM value);

class CRecordDB {
 public:
  CRecordDB();
  virtual ~CRecordDB();
  CRecordDB(const CRecordDB&) = delete;
  CRecordDB& operator=(const CRecordDB&) = delete;

  void SetFolder(const std::string& folder);
  // The regular file of record inside this camera's folder (CRecordFileFinder's rule); empty
  // when there is none. Every open, copy and delete of a record file goes through here. The
  // record itself is not changed.
  std::string ResolvePath(const RDB_RECORD& record) const;
  const std::string& GetFolder() const { return m_strFolder; }
  const std::string& GetIndexPath() const { return m_strIndexPath; }

  // Main window that receives the progress message of Rebuild and RemoveDay (may be null).
  void SetProgressTarget(IMessageTarget* target) { m_pProgress = target; }
  IMessageTarget* GetProgressTarget() const { return m_pProgress; }

  // Loads under a shared lock of the camera folder; an index that is missing, unreadable or
  // held is rebuilt and saved under the exclusive lock. An index left behind by a change that
  // was killed half way is repaired first (see BeginChange).
  bool Open(const std::string& folder);
  // Reads the index file (regular files only, never blocking; one another process holds
  // exclusively counts as unreadable). Takes a shared lock unless a change is open.
  bool Load();
  // Parses an index held in memory; on success replaces the hierarchy. Used by Load and the fuzzer.
  bool LoadFromBytes(const void* data, size_t size);
  // Reads an index file by its path (any name, any folder), as Load does; the folder is not changed.
  bool LoadFromFile(const std::string& path);
  // Writes the index atomically: temp file (index path + "1"), fsync, rename over the index.
  // False without writing in read-only review mode, when another process holds the index (the
  // finished temporary then stays for it), and, outside a change, when another process has
  // replaced the index since this one was loaded or saved (saving would undo its change).
  bool Save();
  enum class SaveStatus { kSaved, kFailed, kHeld, kChangedOnDisk, kReadOnly, kBusy };
  SaveStatus LastSaveStatus() const { return m_eLastSave; }

  // Writers hold the camera folder's lock alone from BeginChange to EndChange (calls nest), so
  // load -> change -> save of two processes never interleave. BeginChange first brings the
  // hierarchy up to date with the index on disk when another process changed it (reload, or a
  // rebuild when it is unreadable; reload false skips that, for a rebuild that follows), and
  // repairs what a killed writer left: a leftover temporary index means a change was cut off,
  // so records whose files are gone are dropped and the index is saved. False when the lock
  // could not be had within kFolderLockWait.
  bool BeginChange(bool reload = true);
  void EndChange();
  // Marks the index as being changed on disk (an empty temporary index), before the first
  // record file is deleted; a save clears it. Left behind, it asks the next writer to repair.
  void MarkChangeStarted();
  bool InChange() const { return m_nChangeDepth > 0; }
  // The last BeginChange or Open replaced the hierarchy with what another process had written.
  bool WasReloaded() const { return m_bReloaded; }
  bool Reload(IRecordTree* tree);
  bool NewEmpty();
  bool IsEmpty() const;

  // Folder scan (folder_scan.cpp).
  int Rebuild();
  void Scan(RDB_CURSOR* cursor, const std::string& folder, int year, int month, int day);

  // Look-ups. Out values may be null. Node pointers stay valid until the hierarchy changes.
  bool FindDay(time32 t, RdbYear** year, RdbMonth** month, RdbDay** day, int* dayIndex);
  RDB_RECORD* FindRecord(time32 t, RdbYear** year, RdbMonth** month, RdbDay** day, int* recordIndex);
  RDB_RECORD* FindRecordAt(time32 t);

  // Node creation with the growth rules; -1 when there is no header.
  int FindOrAddYear(uint16_t year);
  static int FindOrAddMonth(RdbYear* year, uint8_t month, RDB_HEADER* header);
  static int FindOrAddDay(RdbMonth* month, uint8_t day, RDB_HEADER* header);
  static RDB_RECORD* InsertRecordSlot(RdbDay* day, time32 start);

  // 1 when added, -1 when refused (start inside an existing record, or an empty or reversed
  // span, whose file is then deleted).
  int AddRecord(RDB_CURSOR* cursor, const RDB_RECORD& record);
  // With file deletion both refuse (false, nothing changed) in read-only review mode.
  bool RemoveRecord(time32 t, bool deleteFile);
  bool RemoveDay(time32 t, bool deleteFiles);

  void FillTree(IRecordTree* tree) const;
  // The non-empty days in tree order, for a model that reads the hierarchy directly.
  std::vector<RdbDayRef> ListDays() const;

  // Maintenance (record_maintenance.cpp).
  bool ClearAll(bool deleteFiles);
  // Writes the index with copies of every record file under folder (camera folder of an
  // export). Records whose copy failed are counted in report and left out of that index.
  bool SaveTo(const std::string& folder, CopyReport* report);
  // Copies the record's file (ResolvePath) into folder under the same name and points the
  // record at the copy. The copy is atomic; an existing file of that name is kept, and counts as
  // the copy only when it has the same contents. Returns the target path; *ok false (and *why)
  // when there is no complete copy.
  std::string CopyRecordFile(const std::string& folder, RDB_RECORD* record, bool* ok, std::string* why = nullptr);
  // Copies every record of day (a private copy) into dayFolder, one progress step per file;
  // records whose copy failed are removed from day and counted in report.
  void CopyDayFiles(const std::string& dayFolder, RdbDay* day, CopyReport* report);
  static std::string DayFolderName(const std::string& base, int year, int month, int day);
  // Called after each copied file so the window can repaint its progress (may be empty).
  void SetRepaint(std::function<void()> repaint) { m_fnRepaint = std::move(repaint); }
  // Once the cancel flag is set, a scan stops and copies end: the file being copied is removed,
  // the records not copied are left out of what SaveTo writes.
  void SetWorkHooks(RdbWorkHooks hooks) { m_hooks = std::move(hooks); }
  bool IsCancelled() const { return m_hooks.cancel && m_hooks.cancel->load(); }

  // True when the hierarchy was changed (records added or removed, rebuilt, cleared) since it
  // was last loaded or saved.
  bool HasUnsavedChanges() const { return m_bUnsaved; }

  const RdbIndex* GetIndex() const { return m_pHeader.get(); }
  RdbIndex* GetIndex() { return m_pHeader.get(); }

  // Serialised index of a hierarchy, exactly as Save writes it (pChildren words 0).
  static std::string Serialize(const RdbIndex& index);
  // Writes index to path through path + "1", fsync and one rename. False leaves path untouched.
  static bool WriteIndexFile(const std::string& path, const RdbIndex& index);
  // Fresh empty header with tCreated = tUpdated = now.
  static std::unique_ptr<RdbIndex> MakeEmptyIndex();
  // Recomputes tStart/tEnd/qwSize/nCount of every node from the records (used after records
  // were dropped from a copy).
  static void Recompute(RdbIndex* index);

 protected:
  std::unique_ptr<RdbIndex> m_pHeader;
  std::string m_strFolder;
  std::string m_strIndexPath;
  IMessageTarget* m_pProgress = nullptr;
  std::function<void()> m_fnRepaint;
  RdbWorkHooks m_hooks;
  bool m_bUnsaved = false;
  // Identity of the index file the hierarchy was last synchronised with (loaded, saved, or seen
  // when a rebuild began); tells whether another process has replaced it since.
  struct FileStamp {
    bool bExists = false;
    uint64_t dev = 0, ino = 0, size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
  };
  static FileStamp StampOf(const std::string& path);
  // Bytes held by the record arrays of index.
  static size_t RecordBytes(const RdbIndex* index);
  // Frees a hierarchy; a large one's memory goes back to the system.
  static void ReleaseHierarchy(std::unique_ptr<RdbIndex> old);
  // Makes next the hierarchy and releases the one it replaces.
  void Install(std::unique_ptr<RdbIndex> next);
  bool LoadLocked();
  bool SaveLocked();
  bool HasLeftoverChange() const;
  void RepairAfterKilledChange();
  FileStamp m_stamp;
  CFolderLock m_lock;  // held during a change
  int m_nChangeDepth = 0;
  bool m_bReloaded = false;
  bool m_bStale = false;  // the hierarchy must be loaded or rebuilt before it is changed
  bool m_bChangeMarked = false;
  SaveStatus m_eLastSave = SaveStatus::kSaved;
  size_t m_nReserveHint = 0;  // files in the day folder being scanned
  const class CLockedFiles* m_pLocks = nullptr;  // during Rebuild
  mutable CRecordFileFinder m_finder;             // of m_strFolder; forgets on every (re)load
};

}  // namespace vt
