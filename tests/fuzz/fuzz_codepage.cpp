// DecodeLegacyText on arbitrary bytes in every code page of the recorder family: no crash,
// the result is always valid UTF-8, and valid UTF-8 comes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back("Cam\xE9" "ra entr\xE9" "e");
  seeds->push_back("\xC3\xC5\xBF\xDA");
  seeds->push_back("\xC4\xE1\xBC\x76\xBE\xF7");
  seeds->push_back("\x83\x4A\x83\x81\x83\x89");
  seeds->push_back("Caméra");
  seeds->push_back("\xC3\xC5\xBF");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kPages[] = {"WINDOWS-1252", "WINDOWS-1250", "WINDOWS-1253", "WINDOWS-1254",
                                       "GBK",          "BIG5",         "SHIFT_JIS"};
  const std::string text(reinterpret_cast<const char*>(data), size);
  const bool utf8 = vt::IsValidUtf8(text);
  for (const char* page : kPages) {
    const std::string out = vt::DecodeLegacyText(text, page);
    if (!vt::IsValidUtf8(out)) std::abort();
    if (utf8 && out != text) std::abort();
  }
  return 0;
}
