// MaskData as the recorder writes it: a base, then each four bytes of the password (least
// significant first, zero-padded, with a terminating zero) as a word plus the base.
#pragma once

#include <cstdint>
#include <string>

namespace vt::test {

inline std::string EncodeMaskData(const std::string& password, uint32_t base) {
  std::string text = std::to_string(base);
  for (size_t i = 0; i < password.size() + 1; i += 4) {
    uint32_t word = 0;
    for (size_t b = 0; b < 4 && i + b < password.size(); ++b)
      word |= static_cast<uint32_t>(static_cast<unsigned char>(password[i + b])) << (8 * b);
    // Appended piece by piece: GCC 12 at -O3 takes "literal + string" for an overlapping copy.
    text.push_back('-');
    text.append(std::to_string(word + base));
  }
  return text;
}

}  // namespace vt::test
