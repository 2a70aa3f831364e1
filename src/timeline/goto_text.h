// Texts of Go to Time: the date and time the user types, and what the program answers when
// no recording holds that time.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "timeline/time_resolution.h"

namespace vt {

// "YYYY-MM-DD HH:MM[:SS]" ('/' or '.' may separate the date, 'T' may stand before the time);
// a time alone takes the date of defaultDay. False for anything else, or a date or time that
// does not exist on the calendar (2024-02-30, 24:00).
bool ParseGotoTime(std::string_view text, time32 defaultDay, time32* out);
// "YYYY-MM-DD HH:MM:SS", local.
std::string FormatGotoTime(time32 t);
// "YYYY-MM-DD HH:MM:SS - HH:MM:SS"; the end carries its date when it falls on another day.
std::string FormatSpanText(const TimelineSpan& span);
// The answer for a time that no recording holds: what lies nearest before and after.
std::string DescribeMiss(std::span<const TimelineSpan> seq, const TimeResolution& r, time32 t);

}  // namespace vt
