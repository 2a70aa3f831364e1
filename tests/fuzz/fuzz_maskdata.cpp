// DecodeMaskData on arbitrary text: no crash, failure leaves the password empty, and the
// password is never longer than four bytes per dash.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "recorddb/camera_config.h"

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back("100-1953719768-1936941524");
  seeds->push_back("0-544481312");
  seeds->push_back("4294967295-0-1-2-3");
  seeds->push_back("");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string password = "x";
  const bool ok = vt::DecodeMaskData(text, &password);
  if (!ok && !password.empty()) std::abort();
  size_t dashes = 0;
  for (char c : text) dashes += c == '-';
  if (password.size() > dashes * 4) std::abort();
  if (!password.empty() && (password.back() == ' ' || password.find('\0') != std::string::npos)) std::abort();
  return 0;
}
