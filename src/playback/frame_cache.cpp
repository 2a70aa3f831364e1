#include "playback/frame_cache.h"

#include <algorithm>

namespace vt {

namespace {
size_t FrameBytes(const VideoFrame& f) { return f.Size() + sizeof f; }
}  // namespace

void CFrameCache::DropLocked(std::unordered_map<int64_t, Entry>::iterator it) {
  m_nBytes -= it->second.bytes;
  m_order.erase(it->second.pos);
  m_entries.erase(it);
}

void CFrameCache::Put(int64_t index, std::shared_ptr<const VideoFrame> frame) {
  if (!frame) return;
  const size_t bytes = FrameBytes(*frame);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (auto it = m_entries.find(index); it != m_entries.end()) DropLocked(it);
  if (bytes > m_nMaxBytes) return;
  while (m_nBytes + bytes > m_nMaxBytes && !m_order.empty()) DropLocked(m_entries.find(m_order.back()));
  m_order.push_front(index);
  m_entries.emplace(index, Entry{std::move(frame), bytes, m_order.begin()});
  m_nBytes += bytes;
}

std::shared_ptr<const VideoFrame> CFrameCache::Get(int64_t index) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_entries.find(index);
  if (it == m_entries.end()) return nullptr;
  m_order.splice(m_order.begin(), m_order, it->second.pos);
  return it->second.frame;
}

bool CFrameCache::Has(int64_t index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_entries.count(index) != 0;
}

void CFrameCache::Clear() {
  std::unordered_map<int64_t, Entry> entries;
  Order order;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    entries.swap(m_entries);
    order.swap(m_order);
    m_nBytes = 0;
  }
  // The frames are freed here, outside the lock.
}

size_t CFrameCache::Bytes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nBytes;
}

size_t CFrameCache::Count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_entries.size();
}

size_t CFrameCache::CapacityFrames(size_t frameBytes) const {
  return std::max<size_t>(1, m_nMaxBytes / std::max<size_t>(1, frameBytes + sizeof(VideoFrame)));
}

}  // namespace vt
