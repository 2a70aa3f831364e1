// Names of the recorder's day folders and record files, and the file test of the folder scan.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

struct stat;

#include "platform/win_types.h"

namespace vt {

// Fields of a record file name "XXhhmmssHHMMSSk.avi".
struct RecordNameFields {
  int startHour = 0;
  int startMinute = 0;
  int startSecond = 0;
  int endHour = 0;
  int endMinute = 0;
  int endSecond = 0;
  int kind = 0;
};

// "%d" of name[pos, pos + len); false when nothing parses.
bool ParseNameField(const std::string& name, size_t pos, size_t len, int* out);
// Year from characters 0-3, month 5-6, day 8-9 (the separators may be anything).
bool ParseDateFolderName(const std::string& name, int* year, int* month, int* day);
// False when the name lacks ".avi" or a field does not parse.
bool ParseRecordFileName(const std::string& name, RecordNameFields* fields);
// Start and end of a record in the day folder year-month-day; an end hour before the start
// hour ends on the next calendar day.
bool RecordSpan(int year, int month, int day, const RecordNameFields& fields, time32* start, time32* end);

// Files that some process holds a lock on (flock, POSIX or OFD), from /proc/locks.
class CLockedFiles {
 public:
  // False (and IsKnown false) when the system does not tell.
  bool Read();
  bool IsKnown() const { return m_known; }
  bool IsLocked(const struct stat& st) const;

 private:
  static std::string Key(unsigned major, unsigned minor, unsigned long long inode);
  std::unordered_set<std::string> m_keys;
  bool m_known = false;
};

// Length of a file that can be opened exclusively; 0 = skip it. An empty file, or one whose
// length cannot be read, is deleted; a file another process holds locked is left alone.
uint64_t FileLengthOrDiscard(const std::string& path);

}  // namespace vt
