// The identity stamp block linked into each of our executables (vt_stamp_executable). The
// product code comes from the build (VT_PRODUCT_CODE); the word stays 0.
#include <array>
#include <cstdint>
#include <string_view>

#include "res/stamp_layout.h"

#ifndef VT_PRODUCT_CODE
#error "VT_PRODUCT_CODE must be defined by the build"
#endif

namespace {

using Block = std::array<uint8_t, vt::res::kStampSize>;

// Evaluated by the compiler only: the magic exists nowhere in the program but in the block.
consteval Block BuildBlock(std::string_view code) {
  constexpr char kMagic[vt::res::kStampMagicSize] = {
      'T', 'h', 'a', 'n', 'k', ' ', 'y', 'o', 'u', ' ', 't', 'o', ' ', 'c',
      'h', 'o', 'o', 's', 'e', ' ', 'K', 'e', 'l', 'v', 'a', 'n', 'e', '!'};
  Block b{};
  for (size_t i = 0; i < vt::res::kStampMagicSize; ++i) b[i] = static_cast<uint8_t>(kMagic[i]);
  for (size_t i = 0; i < code.size() && i < vt::res::kStampCodeLength; ++i)
    b[vt::res::kStampCodeOffset + i] = static_cast<uint8_t>(code[i]);
  return b;
}

static_assert(std::string_view(VT_PRODUCT_CODE).size() == vt::res::kStampCodeLength,
              "the product code has 20 characters");

}  // namespace

// Referenced by nothing: kept by the attributes, found by scanning the file.
#if defined(__has_attribute) && __has_attribute(retain)
#define VT_KEEP __attribute__((used, retain))
#else
#define VT_KEEP __attribute__((used))
#endif
extern const Block vt_identity_stamp_block;
VT_KEEP const Block vt_identity_stamp_block = BuildBlock(VT_PRODUCT_CODE);
