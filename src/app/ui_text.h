// Texts of the program's files (language files, configuration, string table) on Qt widgets.
#pragma once

#include <QString>
#include <string>

namespace vt {

// UTF-8 when the bytes are valid UTF-8, otherwise the 8-bit Western code page of files made
// on the recorder's systems. Carriage returns are dropped.
QString UiText(const std::string& bytes);

}  // namespace vt
