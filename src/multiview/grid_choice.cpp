#include "multiview/grid_choice.h"

#include <algorithm>
#include <cstdlib>

namespace vt {

namespace {
constexpr int kChannels = 16;
}

std::vector<int> ParseTileChannels(const std::string& text, int tiles) {
  std::vector<int> out(static_cast<size_t>(std::max(0, tiles)), -1);
  size_t pos = 0;
  for (int i = 0; i < tiles && pos <= text.size(); ++i) {
    const size_t comma = std::min(text.find(',', pos), text.size());
    const std::string item = text.substr(pos, comma - pos);
    char* end = nullptr;
    const long n = std::strtol(item.c_str(), &end, 10);
    if (!item.empty() && end && *end == '\0' && n >= 1 && n <= kChannels) out[static_cast<size_t>(i)] = static_cast<int>(n - 1);
    pos = comma + 1;
  }
  return out;
}

std::string FormatTileChannels(const std::vector<int>& channels) {
  std::string out;
  for (size_t i = 0; i < channels.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(channels[i] >= 0 && channels[i] < kChannels ? channels[i] + 1 : 0);
  }
  return out;
}

std::vector<int> FillTileChannels(std::vector<int> channels, int tiles, const std::vector<int>& available) {
  const size_t kept = std::min(channels.size(), static_cast<size_t>(std::max(0, tiles)));
  channels.resize(static_cast<size_t>(std::max(0, tiles)), -1);
  size_t next = 0;
  for (size_t i = kept; i < channels.size(); ++i) {
    while (next < available.size() &&
           std::find(channels.begin(), channels.end(), available[next]) != channels.end())
      ++next;
    if (next < available.size()) channels[i] = available[next++];
  }
  return channels;
}

}  // namespace vt
