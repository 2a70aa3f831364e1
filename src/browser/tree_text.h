// The record tree keeps no data in its items: a record is found again from the texts of its
// day item ("YYYY-MM-DD") and its own item ("HH:MM:SS").
#pragma once

#include <string>

#include "platform/win_types.h"

namespace vt {

// Decimal number at text[pos, pos + len) (as far as the text reaches), leading digits only;
// 0 when there are none.
int ParseTextNumber(const std::string& text, size_t pos, size_t len);
// Local time of a day text and a time text: year from characters 0-3, month 5-6, day 8-9;
// hours 0-1, minutes 3-4, seconds 6-7. Texts that do not parse give whatever those numbers make.
time32 ItemTextsToTime(const std::string& dayText, const std::string& timeText);

}  // namespace vt
