// Local calendar time for the 32-bit time values of the record index (TZ rules of the system,
// daylight saving decided by the platform, as mktime with tm_isdst = -1).
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

struct LocalFields {
  int year = 0;   // e.g. 2008
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Time value from local calendar fields (out-of-range fields normalise as mktime does). -1 on failure.
time32 MakeLocalTime(int year, int month, int day, int hour, int minute, int second);
// Local fields of t. False when the conversion fails.
bool SplitLocalTime(time32 t, LocalFields* out);
// strftime of t in local time.
std::string FormatLocalTime(time32 t, const char* format);
// Current time as a time value.
time32 Now32();

}  // namespace vt
