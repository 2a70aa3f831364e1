#include "playback/event_list.h"

#include <cstring>
#include <new>

#include "playback/riff_reader.h"

namespace vt {

bool CEventList::Read(CRiffReader& file) {
  m_nCount = 0;
  m_pRecords.reset();
  uint8_t word[4];
  if (file.Read(word, 4) != 4) return false;
  const uint32_t n = static_cast<uint32_t>(word[0]) | (static_cast<uint32_t>(word[1]) << 8) |
                     (static_cast<uint32_t>(word[2]) << 16) | (static_cast<uint32_t>(word[3]) << 24);
  if (n == 0) return true;
  // Refuse a byte size beyond 32 bits, and never allocate more than the file could hold.
  const uint64_t bytes = static_cast<uint64_t>(n) * sizeof(EVENT_RECORD);
  if (bytes > 0xFFFFFFFFull || bytes > file.Size()) return false;
  std::unique_ptr<EVENT_RECORD[]> records(new (std::nothrow) EVENT_RECORD[n]);
  if (!records) return false;
  if (file.Read(records.get(), static_cast<size_t>(bytes)) != bytes) return false;
  m_pRecords = std::move(records);
  m_nCount = n;
  return true;
}

EVENT_RECORD* CEventList::GetNext(uint32_t* index) {
  if (!index || *index >= m_nCount) return nullptr;
  return &m_pRecords[(*index)++];
}

const EVENT_RECORD* CEventList::GetNext(uint32_t* index) const {
  return const_cast<CEventList*>(this)->GetNext(index);
}

void CEventList::Assign(const EVENT_RECORD* records, uint32_t count) {
  m_nCount = 0;
  m_pRecords.reset();
  if (!records || count == 0) return;
  m_pRecords.reset(new EVENT_RECORD[count]);
  std::memcpy(m_pRecords.get(), records, sizeof(EVENT_RECORD) * count);
  m_nCount = count;
}

}  // namespace vt
