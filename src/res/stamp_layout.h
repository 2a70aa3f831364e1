// Layout of the product identity stamp block that our executables carry: the magic text (no
// terminator), a 32-bit little-endian word, and the product code (20 characters and a NUL).
// The magic's text is deliberately not in this header: the stamp reader must not put a second
// copy of it into the executable it reads.
#pragma once

#include <cstddef>

namespace vt::res {

inline constexpr size_t kStampMagicSize = 28;
inline constexpr size_t kStampWordOffset = 28;
inline constexpr size_t kStampCodeOffset = 32;
inline constexpr size_t kStampCodeLength = 20;
inline constexpr size_t kStampSize = 53;
static_assert(kStampCodeOffset + kStampCodeLength + 1 == kStampSize);

}  // namespace vt::res
