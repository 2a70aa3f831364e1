// Decoded frames kept for stepping backwards through a group of pictures: a run of Previous
// Frames decodes the group from its key frame once and then only looks frames up. Keyed by
// frame number (0-based), bounded in bytes, the least recently used frame goes first.
// Thread-safe: frames are put by a decoding thread and taken by the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "playback/media_engine.h"

namespace vt {

// What a Player may hold in decoded frames: at 1920 x 1080 in 4:2:0 about 85 frames.
constexpr size_t kFrameCacheBytes = size_t{256} << 20;

class CFrameCache {
 public:
  explicit CFrameCache(size_t maxBytes = kFrameCacheBytes) : m_nMaxBytes(maxBytes) {}

  // Keeps frame as number index (replacing one kept under that number), then drops the least
  // recently used frames until the total fits. A frame larger than the whole budget is not kept.
  void Put(int64_t index, std::shared_ptr<const VideoFrame> frame);
  // The frame kept as index, now the most recently used; null when none.
  std::shared_ptr<const VideoFrame> Get(int64_t index);
  bool Has(int64_t index) const;
  // Drops every frame and gives the memory back.
  void Clear();
  size_t Bytes() const;
  size_t Count() const;
  // How many frames of frameBytes each fit in the budget (at least 1).
  size_t CapacityFrames(size_t frameBytes) const;

 private:
  using Order = std::list<int64_t>;  // most recently used first
  struct Entry {
    std::shared_ptr<const VideoFrame> frame;
    size_t bytes;
    Order::iterator pos;
  };
  void DropLocked(std::unordered_map<int64_t, Entry>::iterator it);

  const size_t m_nMaxBytes;
  mutable std::mutex m_mutex;
  std::unordered_map<int64_t, Entry> m_entries;
  Order m_order;
  size_t m_nBytes = 0;
};

}  // namespace vt
