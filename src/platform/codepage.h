// Texts of the recorder family's profile files that were written in a legacy 8-bit or
// double-byte code page rather than UTF-8.
#pragma once

#include <string>

namespace vt {

// Code page of the recorder family for a language name of the language files ("French",
// "SChinese", ...): windows-1252 for western languages, windows-1250 for Polish, Hungarian and
// Slovak, windows-1254 Turkish, windows-1253 Greek, GBK, BIG5, SHIFT_JIS; windows-1252 otherwise.
std::string DefaultCodePageForLanguage(const std::string& languageName);

// Process-wide code page used by DecodeLegacyText without an explicit one. Empty = the
// default (windows-1252 until set). False when iconv does not know the name (nothing changes).
bool SetLegacyCodePage(const std::string& name);
std::string GetLegacyCodePage();
// Whether iconv can convert from this code page to UTF-8.
bool IsKnownCodePage(const std::string& name);

bool IsValidUtf8(const std::string& text);

// text itself when it is valid UTF-8; else text decoded from codePage (empty = the process-wide
// one) into UTF-8. Bytes that the code page cannot decode become U+FFFD.
std::string DecodeLegacyText(const std::string& text, const std::string& codePage = {});

}  // namespace vt
