// Profile (INI) files with the semantics the recorder family relies on: section and key names
// compare case-insensitively, the first match wins, values are trimmed, at most 259 characters
// are returned, and writing one key rewrites that line in place and keeps every other byte.
// Both CR LF (as the recorder writes) and LF files read.
#pragma once

#include <string>

namespace vt {

constexpr int kProfileValueMax = 259;

// Value of key in section, or def when the file, section or key is missing. Cut to 259 characters.
std::string GetProfileString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& def);

// Like GetPrivateProfileIntA: optional sign, then leading decimal digits; def when the key is missing.
// A value without leading digits reads as 0.
int GetProfileInt(const std::string& file, const std::string& section, const std::string& key, int def);

// Writes key=value into section, in place when the key exists, appending the key to its section or
// a new section (and creating the file) otherwise. New lines use the file's own line ending (CR LF
// for a new file). Returns false when the file cannot be written.
bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

// Parsing on text already in memory (used by the file functions and by the fuzz target).
std::string ProfileLookup(const std::string& text, const std::string& section, const std::string& key,
                          const std::string& def, bool* found = nullptr);
std::string ProfileReplace(const std::string& text, const std::string& section, const std::string& key,
                           const std::string& value);

}  // namespace vt
