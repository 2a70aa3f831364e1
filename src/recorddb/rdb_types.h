// On-disk layout of the record index rdb.ndx (version 100), shared with the recorder program.
// All fields little-endian; the same structures are held in memory. The pChildren words are
// always 0 here: children live in the containers of record_db.h, not behind these words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

namespace vt {

constexpr uint32_t kRdbVersion = 100;
constexpr int kRdbPathSize = 260;

// Growth rules; the stored nCapacity values follow them exactly.
constexpr uint32_t kYearFirstSlots = 2;
constexpr uint32_t kYearGrowSlots = 2;
constexpr uint32_t kMonthSlots = 12;
constexpr uint32_t kDaySlots = 31;
constexpr uint32_t kRecordFirstSlots = 16;
constexpr uint32_t kRecordGrowSlots = 31;

struct RDB_HEADER {
  uint32_t dwVersion;
  time32 tStart;  // earliest record start; 0 when empty
  time32 tEnd;    // latest record end; 0 when empty
  uint32_t dwReserved0;
  uint64_t qwSize;  // bytes of all record files
  uint32_t nCount;  // year nodes in use
  uint32_t nCapacity;
  uint32_t bModified;
  uint32_t pChildren;  // written as 0, ignored on reading
  uint32_t dwReserved1;
  time32 tCreated;
  time32 tUpdated;
  uint32_t dwReserved2;
};

// Year, month or day node. wKey: year in bytes 0-1, or month/day in byte 0.
struct RDB_NODE {
  uint32_t wKey;
  time32 tStart;
  time32 tEnd;
  uint32_t dwReserved0;
  uint64_t qwSize;
  uint32_t nCount;  // children in use
  uint32_t nCapacity;
  uint32_t pChildren;  // written as 0, ignored on reading
  uint32_t dwReserved1;
};

struct RDB_RECORD {
  char szFilePath[kRdbPathSize];  // zero-terminated, as stored (a Windows path keeps its backslashes)
  int32_t nKind;                  // kind digit of the file name
  time32 tStart;
  time32 tEnd;  // always > tStart
  uint64_t qwSize;
  uint64_t qwReserved;
};

static_assert(sizeof(RDB_HEADER) == 56);
static_assert(offsetof(RDB_HEADER, qwSize) == 16);
static_assert(offsetof(RDB_HEADER, nCount) == 24);
static_assert(offsetof(RDB_HEADER, bModified) == 32);
static_assert(offsetof(RDB_HEADER, tCreated) == 44);
static_assert(offsetof(RDB_HEADER, tUpdated) == 48);
static_assert(sizeof(RDB_NODE) == 40);
static_assert(offsetof(RDB_NODE, qwSize) == 16);
static_assert(offsetof(RDB_NODE, nCount) == 24);
static_assert(offsetof(RDB_NODE, pChildren) == 32);
static_assert(sizeof(RDB_RECORD) == 288);
static_assert(offsetof(RDB_RECORD, nKind) == 260);
static_assert(offsetof(RDB_RECORD, tStart) == 264);
static_assert(offsetof(RDB_RECORD, qwSize) == 272);

// Where consecutive records of a rebuild went, so that the next one of the same day finds its
// node without a search. Indexes into the hierarchy; -1 = none.
struct RDB_CURSOR {
  int nYear = -1;
  int nMonth = -1;
  int nDay = -1;
};

}  // namespace vt
