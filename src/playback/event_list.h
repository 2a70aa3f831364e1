// Events that the recorder detected while recording, as stored in a record file's 'EVEN' list.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win_types.h"

namespace vt {

class CRiffReader;

#pragma pack(push, 1)
struct EVENT_RECORD {
  uint32_t dwReserved;  // not used by the player
  time32 tStart;
  time32 tEnd;
};
#pragma pack(pop)
static_assert(sizeof(EVENT_RECORD) == 12);

class CEventList {
 public:
  CEventList() = default;
  virtual ~CEventList() = default;
  CEventList(const CEventList&) = delete;
  CEventList& operator=(const CEventList&) = delete;

  // Reads a count and that many records from the current chunk. A short read, or a count
  // that the chunk cannot hold, leaves the list empty and returns false.
  bool Read(CRiffReader& file);
  uint32_t GetCount() const { return m_nCount; }
  // The record at *index, then ++*index; null once *index reaches the count.
  EVENT_RECORD* GetNext(uint32_t* index);
  const EVENT_RECORD* GetNext(uint32_t* index) const;
  // For writers of fixtures and tests.
  void Assign(const EVENT_RECORD* records, uint32_t count);

 private:
  uint32_t m_nCount = 0;
  std::unique_ptr<EVENT_RECORD[]> m_pRecords;
};

}  // namespace vt
