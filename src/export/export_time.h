// Wall-clock times of an export: 100 ns ticks since 1970-01-01 00:00:00 UTC, the unit of media
// positions, so that a recording's start (whole seconds) plus a frame's position is exact.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

using WallTime = int64_t;

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kTicksPerMillisecond = 10'000;

constexpr WallTime WallFromTime32(time32 t) { return static_cast<WallTime>(t) * kTicksPerSecond; }
// Whole seconds, rounded towards minus infinity (a time before 1970 stays before it).
constexpr time32 Time32FromWall(WallTime w) {
  return static_cast<time32>(w >= 0 ? w / kTicksPerSecond : -((-w + kTicksPerSecond - 1) / kTicksPerSecond));
}

// "YYYY-MM-DD HH:MM:SS" in local time with an optional fraction of 1 to 7 digits
// (".5", ".040", ".0400000"), or whole seconds since 1970. False for anything else, for a date
// that does not exist, or for a time outside the 32-bit range of the record index. A local time
// that occurs twice (as the clocks go back) gives the first instant in out and the second in
// second (may be null); second is -1 for any other time.
bool ParseLocalWallTime(const std::string& text, WallTime* out, WallTime* second = nullptr);

// An edge of a span from its text: a local time the clocks show twice names the widest span,
// a start at its first instant and an end at its second, so that no footage the text names is
// left out. other gets the instant not taken, -1 when there is only one. False as
// ParseLocalWallTime.
bool ParseSpanEdge(const std::string& text, bool end, WallTime* out, WallTime* other);

// ISO 8601 in local time with the zone offset: "2008-05-10T10:20:30.040+02:00". The fraction
// has 3 digits, or 7 when the time is not a whole millisecond.
std::string FormatIsoWallTime(WallTime t);
// The same in UTC ("...Z").
std::string FormatIsoWallTimeUtc(WallTime t);
// Reads what FormatIsoWallTime and FormatIsoWallTimeUtc write (any fraction of 1-9 digits,
// "Z" or "+hh:mm"/"-hh:mm"). False for anything else.
bool ParseIsoWallTime(const std::string& text, WallTime* out);

// "YYYY-MM-DD HH:MM:SS.fff" in local time, for messages and tags.
std::string FormatLocalWallTime(WallTime t);

// Current time.
WallTime NowWall();

}  // namespace vt
