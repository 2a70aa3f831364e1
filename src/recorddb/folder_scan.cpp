// Rebuilding the index from the camera folder: day folders named after their date, record
// files named after their start and end times.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "recorddb/folder_scan.h"
#include "recorddb/rdb_texts.h"
#include "recorddb/record_db.h"

namespace vt {

namespace {

constexpr time32 kSecondsPerDay = 86400;

struct Entry {
  std::string name;
  bool isDir = false;
};

// A folder's entries sorted by name, "." and ".." left out. Symbolic links to folders are not
// followed, so a link loop cannot make the scan endless. Keeps the folder open so the files
// can be opened relative to it.
class FolderListing {
 public:
  explicit FolderListing(const std::string& folder) {
    m_dir = ::opendir(folder.c_str());
    if (!m_dir) return;
    while (dirent* e = ::readdir(m_dir)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      Entry entry;
      entry.name = e->d_name;
      if (e->d_type == DT_DIR) {
        entry.isDir = true;
      } else if (e->d_type == DT_UNKNOWN) {
        struct stat st {};
        entry.isDir = ::fstatat(::dirfd(m_dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
      }
      m_entries.push_back(std::move(entry));
    }
    // Names carry the start time, so sorted entries reach each day in time order.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  }
  ~FolderListing() {
    if (m_dir) ::closedir(m_dir);
  }
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;
  const std::vector<Entry>& entries() const { return m_entries; }
  int fd() const { return m_dir ? ::dirfd(m_dir) : AT_FDCWD; }

 private:
  DIR* m_dir = nullptr;
  std::vector<Entry> m_entries;
};

// FileLengthOrDiscard relative to a folder descriptor (AT_FDCWD for a full path).
uint64_t LengthOrDiscardAt(int dirFd, const char* name) {
  int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  // Held by another program (the recorder writing it): leave it alone.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return 0;
  }
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0;
  ::close(fd);
  if (!ok || st.st_size <= 0) {
    ::unlinkat(dirFd, name, 0);
    return 0;
  }
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace

bool ParseNameField(const std::string& name, size_t pos, size_t len, int* out) {
  if (pos >= name.size()) return false;
  std::string field = name.substr(pos, len);
  return std::sscanf(field.c_str(), "%d", out) == 1;
}

bool ParseDateFolderName(const std::string& name, int* year, int* month, int* day) {
  return ParseNameField(name, 0, 4, year) && ParseNameField(name, 5, 2, month) && ParseNameField(name, 8, 2, day);
}

bool ParseRecordFileName(const std::string& name, RecordNameFields* f) {
  if (name.find(".avi") == std::string::npos) return false;
  return ParseNameField(name, 2, 2, &f->startHour) && ParseNameField(name, 4, 2, &f->startMinute) &&
         ParseNameField(name, 6, 2, &f->startSecond) && ParseNameField(name, 8, 2, &f->endHour) &&
         ParseNameField(name, 10, 2, &f->endMinute) && ParseNameField(name, 12, 2, &f->endSecond) &&
         ParseNameField(name, 14, 1, &f->kind);
}

bool RecordSpan(int year, int month, int day, const RecordNameFields& f, time32* start, time32* end) {
  *start = MakeLocalTime(year, month, day, f.startHour, f.startMinute, f.startSecond);
  if (*start == -1) return false;
  int ey = year, em = month, ed = day;
  if (f.endHour < f.startHour) {
    // Ended on the next calendar day; stepping from local midnight keeps DST days right.
    time32 midnight = MakeLocalTime(year, month, day, 0, 0, 0);
    LocalFields next;
    if (midnight == -1 || !SplitLocalTime(midnight + kSecondsPerDay, &next)) return false;
    if (next.day == day) {
      // A 25-hour day: one more hour reaches the next date.
      if (!SplitLocalTime(midnight + kSecondsPerDay + 3600, &next)) return false;
    }
    ey = next.year;
    em = next.month;
    ed = next.day;
  }
  *end = MakeLocalTime(ey, em, ed, f.endHour, f.endMinute, f.endSecond);
  return *end != -1;
}

uint64_t FileLengthOrDiscard(const std::string& path) { return LengthOrDiscardAt(AT_FDCWD, path.c_str()); }

int CRecordDB::Rebuild() {
  if (!NewEmpty()) return 0;
  RDB_CURSOR cursor;
  SendProgress(m_pProgress, kProgressFormat, kIdsRebuildProgress);
  SendProgress(m_pProgress, kProgressBegin, 1);
  Scan(&cursor, m_strFolder, 0, 0, 0);
  SendProgress(m_pProgress, kProgressEnd, 0);
  m_pHeader->header.tUpdated = Now32();
  m_bUnsaved = true;
  return 1;
}

void CRecordDB::Scan(RDB_CURSOR* cursor, const std::string& folder, int year, int month, int day) {
  if (folder.empty()) return;
  FolderListing listing(folder);
  for (const Entry& e : listing.entries()) {
    if (e.isDir) {
      int y = 0, m = 0, d = 0;
      if (ParseDateFolderName(e.name, &y, &m, &d)) Scan(cursor, JoinPath(folder, e.name), y, m, d);
      continue;
    }
    if (year == 0) continue;
    // A path that does not fit the index's field would name another file: leave it alone.
    if (folder.size() + 1 + e.name.size() >= static_cast<size_t>(kRdbPathSize)) continue;
    const uint64_t length = LengthOrDiscardAt(listing.fd(), e.name.c_str());
    if (length == 0) continue;
    RecordNameFields f;
    if (!ParseRecordFileName(e.name, &f)) continue;
    const std::string path = JoinPath(folder, e.name);
    if (path.size() >= static_cast<size_t>(kRdbPathSize)) continue;
    RDB_RECORD r{};
    std::memcpy(r.szFilePath, path.c_str(), path.size() + 1);
    r.nKind = f.kind;
    r.qwSize = length;
    if (!RecordSpan(year, month, day, f, &r.tStart, &r.tEnd)) continue;
    if (r.tEnd <= r.tStart) {
      DeleteFileIfExists(path);
      continue;
    }
    SendProgress(m_pProgress, kProgressStep, 0);
    AddRecord(cursor, r);
  }
}

}  // namespace vt
