#include "playback/engine_errors.h"

#include <cstdio>

namespace vt {

std::string FormatErrorText(const char* format, HRESULT hr) {
  std::string s(format ? format : "");
  const auto code = static_cast<unsigned long>(static_cast<uint32_t>(hr));
  char num[24];
  size_t at;
  if ((at = s.find("%08lx")) != std::string::npos) {
    std::snprintf(num, sizeof num, "%08lx", code);
    s.replace(at, 5, num);
  } else if ((at = s.find("%x")) != std::string::npos) {
    std::snprintf(num, sizeof num, "%lx", code);
    s.replace(at, 2, num);
  }
  if (s.size() > 1023) s.resize(1023);  // the recorder family's 1024-character buffer
  return s;
}

}  // namespace vt
