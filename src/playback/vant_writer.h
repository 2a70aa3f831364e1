// Writes the recorder's private 'VANT' form, for test fixtures and demo data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "playback/event_list.h"

namespace vt {

struct VantTrailer {
  bool bLeng = true;
  uint32_t w1 = 0;
  uint32_t w2 = 0;
  std::optional<uint32_t> w3;  // event flag; default: 1 when there are events, else 0
  bool bEven = true;           // store an 'EVEN' list (even with no events)
  std::vector<EVENT_RECORD> events;
  std::optional<uint32_t> evenCount;  // count word to store instead of events.size()
  bool bCame = true;
  uint32_t cameWord = 0;
  std::string textA;  // at most 64 bytes are stored; exactly 64 leaves no terminator
  std::string textB;
};

// The form's bytes: "RIFF" size "VANT" followed by the selected lists.
std::string BuildVantForm(const VantTrailer& trailer);
// Appends the form to the file at path (padding the file to an even size first). False on an
// I/O failure.
bool AppendVantTrailer(const std::string& path, const VantTrailer& trailer);

}  // namespace vt
