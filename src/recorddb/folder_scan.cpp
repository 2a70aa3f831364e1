// Rebuilding the index from the camera folder: day folders named after their date, record
// files named after their start and end times.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/data_policy.h"
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
  // O_NONBLOCK: a FIFO in a day folder must not hang the scan.
  int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return 0;
  // Held by another program (the recorder writing it): leave it alone.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return 0;
  }
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0;
  ::close(fd);
  if (ok && !S_ISREG(st.st_mode)) return 0;  // devices, FIFOs, sockets: not ours to delete
  if (!ok || st.st_size <= 0) {
    if (!IsReadOnlyData()) ::unlinkat(dirFd, name, 0);
    return 0;
  }
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace

bool CLockedFiles::Read() {
  m_keys.clear();
  m_known = false;
  std::FILE* f = std::fopen("/proc/locks", "re");
  if (!f) return false;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10952967 0 EOF"; waiters carry "->" first.
    char* save = nullptr;
    for (char* tok = ::strtok_r(line, " \t\n", &save); tok; tok = ::strtok_r(nullptr, " \t\n", &save)) {
      unsigned maj = 0, min = 0;
      unsigned long long ino = 0;
      int used = 0;
      if (std::sscanf(tok, "%x:%x:%llu%n", &maj, &min, &ino, &used) == 3 && tok[used] == '\0') {
        m_keys.insert(Key(maj, min, ino));
        break;
      }
    }
  }
  std::fclose(f);
  m_known = true;
  return true;
}

bool CLockedFiles::IsLocked(const struct stat& st) const {
  return m_keys.count(Key(major(st.st_dev), minor(st.st_dev), st.st_ino)) != 0;
}

std::string CLockedFiles::Key(unsigned maj, unsigned min, unsigned long long ino) {
  return std::to_string(maj) + ":" + std::to_string(min) + ":" + std::to_string(ino);
}

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

namespace {

// Local times of one calendar day. On a day without a change of the UTC offset a time of day
// is midnight plus its seconds, which spares the platform conversion (and, with TZ unset, its
// look at the zone file) for every record; other days convert each time.
class DayClock {
 public:
  DayClock(int year, int month, int day) : m_year(year), m_month(month), m_day(day) {
    m_midnight = MakeLocalTime(year, month, day, 0, 0, 0);
    const time32 noon = MakeLocalTime(year, month, day, 12, 0, 0);
    const time32 next = MakeLocalTime(year, month, day + 1, 0, 0, 0);
    const int64_t base = m_midnight;
    m_linear = m_midnight != -1 && noon == base + 43200 && next == base + kSecondsPerDay;
  }
  time32 At(int hour, int minute, int second) const {
    const bool inDay = hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
    if (m_linear && inDay) return static_cast<time32>(int64_t{m_midnight} + hour * 3600 + minute * 60 + second);
    return MakeLocalTime(m_year, m_month, m_day, hour, minute, second);
  }
  time32 Midnight() const { return m_midnight; }

 private:
  int m_year, m_month, m_day;
  time32 m_midnight = -1;
  bool m_linear = false;
};

bool SpanOnDay(const DayClock& clock, int year, int month, int day, const RecordNameFields& f, time32* start,
               time32* end) {
  *start = clock.At(f.startHour, f.startMinute, f.startSecond);
  if (*start == -1) return false;
  if (f.endHour >= f.startHour) {
    *end = clock.At(f.endHour, f.endMinute, f.endSecond);
    return *end != -1;
  }
  // Ended on the next calendar day; stepping from local midnight keeps DST days right.
  const int64_t midnight = clock.Midnight();
  LocalFields next;
  // The last day before the 32-bit time runs out has no next day to end on.
  if (midnight == -1 || midnight + kSecondsPerDay + 3600 > INT32_MAX) return false;
  if (!SplitLocalTime(static_cast<time32>(midnight + kSecondsPerDay), &next)) return false;
  if (next.day == day && next.month == month && next.year == year) {
    // A 25-hour day: one more hour reaches the next date.
    if (!SplitLocalTime(static_cast<time32>(midnight + kSecondsPerDay + 3600), &next)) return false;
  }
  *end = MakeLocalTime(next.year, next.month, next.day, f.endHour, f.endMinute, f.endSecond);
  return *end != -1;
}

}  // namespace

bool RecordSpan(int year, int month, int day, const RecordNameFields& f, time32* start, time32* end) {
  return SpanOnDay(DayClock(year, month, day), year, month, day, f, start, end);
}

uint64_t FileLengthOrDiscard(const std::string& path) { return LengthOrDiscardAt(AT_FDCWD, path.c_str()); }

int CRecordDB::Rebuild() {
  if (!NewEmpty()) return 0;
  m_finder.Forget();
  m_stamp = StampOf(m_strIndexPath);
  m_bStale = false;
  RDB_CURSOR cursor;
  // One look at the system's file locks instead of a lock attempt on every non-empty file.
  CLockedFiles locks;
  locks.Read();
  m_pLocks = locks.IsKnown() ? &locks : nullptr;
  SendProgress(m_pProgress, kProgressFormat, kIdsRebuildProgress);
  SendProgress(m_pProgress, kProgressBegin, 1);
  Scan(&cursor, m_strFolder, 0, 0, 0);
  m_pLocks = nullptr;
  SendProgress(m_pProgress, kProgressEnd, 0);
  m_pHeader->header.tUpdated = Now32();
  m_bUnsaved = true;
  return 1;
}

void CRecordDB::Scan(RDB_CURSOR* cursor, const std::string& folder, int year, int month, int day) {
  if (folder.empty()) return;
  FolderListing listing(folder);
  std::unique_ptr<DayClock> clock;
  const size_t hintBefore = m_nReserveHint;
  if (year != 0) m_nReserveHint = listing.entries().size();
  for (const Entry& e : listing.entries()) {
    if (IsCancelled()) break;
    if (e.isDir) {
      int y = 0, m = 0, d = 0;
      if (ParseDateFolderName(e.name, &y, &m, &d)) Scan(cursor, JoinPath(folder, e.name), y, m, d);
      if (year != 0) m_nReserveHint = listing.entries().size();
      continue;
    }
    if (year == 0) continue;
    // A path that does not fit the index's field would name another file: leave it alone.
    if (folder.size() + 1 + e.name.size() >= static_cast<size_t>(kRdbPathSize)) continue;
    uint64_t length = 0;
    struct stat st {};
    if (m_pLocks && ::fstatat(listing.fd(), e.name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      // A non-empty file nobody holds locked: its length is all we need. Empty files and
      // anything else take the full test, which may delete them. A file this user cannot
      // read is skipped, as the full test's open would skip it; most files are readable by
      // everyone and need no further look.
      if (m_pLocks->IsLocked(st)) continue;
      if (!(st.st_mode & S_IROTH) && ::faccessat(listing.fd(), e.name.c_str(), R_OK, AT_EACCESS) != 0) continue;
      length = static_cast<uint64_t>(st.st_size);
    } else {
      length = LengthOrDiscardAt(listing.fd(), e.name.c_str());
    }
    if (length == 0) continue;
    RecordNameFields f;
    if (!ParseRecordFileName(e.name, &f)) continue;
    const std::string path = JoinPath(folder, e.name);
    if (path.size() >= static_cast<size_t>(kRdbPathSize)) continue;
    RDB_RECORD r{};
    std::memcpy(r.szFilePath, path.c_str(), path.size() + 1);
    r.nKind = f.kind;
    r.qwSize = length;
    if (!clock) clock = std::make_unique<DayClock>(year, month, day);
    if (!SpanOnDay(*clock, year, month, day, f, &r.tStart, &r.tEnd)) continue;
    if (r.tEnd <= r.tStart) {
      if (!IsReadOnlyData()) DeleteFileIfExists(path);
      continue;
    }
    SendProgress(m_pProgress, kProgressStep, 0);
    AddRecord(cursor, r);
  }
  m_nReserveHint = hintBefore;
}

}  // namespace vt
