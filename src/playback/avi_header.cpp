#include "playback/avi_header.h"

#include <cstring>
#include <fstream>

namespace vt {

namespace {

constexpr size_t kHeadBytes = 32;  // RIFF form (12), hdrl list header (12), avih chunk header (8)
constexpr uint32_t kAvihMinSize = 56;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool Is(const uint8_t* p, const char* fourcc) { return std::memcmp(p, fourcc, 4) == 0; }

}  // namespace

bool AviHeaderIsDamaged(const uint8_t* data, size_t size, uint64_t fileSize) {
  if (size < 12 || !Is(data, "RIFF") || !Is(data + 8, "AVI ")) return false;
  if (size < kHeadBytes) return true;
  if (!Is(data + 12, "LIST") || !Is(data + 20, "hdrl") || !Is(data + 24, "avih")) return true;
  const uint64_t hdrlSize = Le32(data + 16), avihSize = Le32(data + 28);
  // The list's size counts its type word; the avih chunk (header and data) must lie inside it.
  if (20 + hdrlSize > fileSize) return true;
  return avihSize < kAvihMinSize || 4 + 8 + avihSize > hdrlSize;
}

bool AviFileHeaderIsDamaged(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const auto fileSize = static_cast<uint64_t>(in.tellg());
  in.seekg(0);
  uint8_t head[kHeadBytes];
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return AviHeaderIsDamaged(head, static_cast<size_t>(in.gcount()), fileSize);
}

}  // namespace vt
