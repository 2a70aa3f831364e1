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

consteval Block BuildBlock(std::string_view magic, std::string_view code) {
  Block b{};
  for (size_t i = 0; i < vt::res::kStampMagicSize; ++i) b[i] = static_cast<uint8_t>(magic[i]);
  for (size_t i = 0; i < code.size() && i < vt::res::kStampCodeLength; ++i)
    b[vt::res::kStampCodeOffset + i] = static_cast<uint8_t>(code[i]);
  return b;
}

constexpr std::string_view kMagic = "Thank you to choose Kelvane!";
constexpr std::string_view kCode = VT_PRODUCT_CODE;
static_assert(kMagic.size() == vt::res::kStampMagicSize);
static_assert(kCode.size() == vt::res::kStampCodeLength, "the product code has 20 characters");

}  // namespace

// Referenced by nothing: kept by the attributes, found by scanning the file.
#if defined(__has_attribute) && __has_attribute(retain)
#define VT_KEEP __attribute__((used, retain))
#else
#define VT_KEEP __attribute__((used))
#endif
extern const Block vt_identity_stamp_block;
VT_KEEP const Block vt_identity_stamp_block = BuildBlock(kMagic, kCode);
