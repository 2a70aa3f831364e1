// A quick look at the start of an AVI file before it is handed to the media engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

// True when the bytes begin as an AVI file ('RIFF' ... 'AVI ') whose header list cannot be read:
// the first chunk is not the 'hdrl' list, the list does not begin with its 'avih' chunk, or
// either claims more bytes than there are. Such a file cannot be played; other files (not AVI,
// or AVI with a sound header) are left to the engine.
bool AviHeaderIsDamaged(const uint8_t* data, size_t size, uint64_t fileSize);
// The same for the first bytes of a file; false when it cannot be read.
bool AviFileHeaderIsDamaged(const std::string& path);

}  // namespace vt
