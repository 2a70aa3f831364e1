// Texts of the program's files (language files, configuration, string table) on Qt widgets.
#pragma once

#include <QString>
#include <string>

namespace vt {

// UTF-8 when the bytes are valid UTF-8, otherwise the recorder's legacy code page (--codepage,
// or the language's default) in which the recorder family wrote its files. Carriage returns
// are dropped.
QString UiText(const std::string& bytes);

}  // namespace vt
