// Profile-file reader and in-place writer on arbitrary text. The input's first line chooses the
// section and key (separated by a NUL), the rest is the file; the written text must read back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t nl = input.find('\n');
  std::string head = nl == std::string::npos ? input : input.substr(0, nl);
  std::string text = nl == std::string::npos ? std::string() : input.substr(nl + 1);
  size_t nul = head.find('\0');
  std::string section = head.substr(0, nul);
  std::string key = nul == std::string::npos ? "k" : head.substr(nul + 1);

  bool found = false;
  std::string value = vt::ProfileLookup(text, section, key, "def", &found);
  if (value.size() > static_cast<size_t>(vt::kProfileValueMax)) std::abort();

  // Only names the format can hold are written: no line breaks, no '=' or ']' or blanks at the
  // ends, and a value that reads back unchanged.
  auto plain = [](const std::string& s, const char* bad) {
    if (s.empty() || s.find_first_of(bad) != std::string::npos) return false;
    return s.front() > ' ' && s.back() > ' ' && s.front() != '[' && s.front() != '"' && s.front() != '\'';
  };
  if (plain(section, "\r\n]\x7f") && plain(key, "\r\n=\x7f") && key.size() < 64) {
    const std::string written = "v-1 2";
    std::string out = vt::ProfileReplace(text, section, key, written);
    if (vt::ProfileLookup(out, section, key, "def") != written) std::abort();
  }
  return 0;
}

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(std::string("Storage_ch01\0sStoragePath\n", 26) +
                   "[Storage_ch01]\r\nsStoragePath=D:\\rec\\ch01\r\nsCameraName=Door\r\n\r\n[Preference_ch01]\r\n"
                   "fAutoPlay=1\r\n");
  seeds->push_back(std::string("Snap\0fFont\n", 11) + "[snap]\nFFONT = \"Arial\" \n[Snap]\nx=1");
  seeds->push_back(std::string("Vantor\0IDS_MSG_VIDEO_ONLY\n", 26) + "\xEF\xBB\xBF[Vantor]\nIDS_MSG_VIDEO_ONLY=Video\n");
}
