#include "export/export_time.h"

#include <sys/time.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace vt {

namespace {

constexpr int kMaxFractionDigits = 7;      // 100 ns
constexpr int kMaxIsoFractionDigits = 9;   // nanoseconds, cut to 100 ns

// Days from 1970-01-01 to the proleptic Gregorian date (no time zone involved).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Reads exactly n digits at text[*pos].
bool Digits(const std::string& text, size_t* pos, int n, int* out) {
  int v = 0;
  for (int i = 0; i < n; ++i, ++*pos) {
    if (*pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[*pos]))) return false;
    v = v * 10 + (text[*pos] - '0');
  }
  *out = v;
  return true;
}

bool Expect(const std::string& text, size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

struct Fields {
  int year, month, day, hour, minute, second;
};

// "YYYY-MM-DD" sep "HH:MM:SS"; the date and time must exist on the calendar.
bool ReadDateTime(const std::string& text, size_t* pos, char sep, Fields* f) {
  if (!Digits(text, pos, 4, &f->year) || !Expect(text, pos, '-') || !Digits(text, pos, 2, &f->month) ||
      !Expect(text, pos, '-') || !Digits(text, pos, 2, &f->day) || !Expect(text, pos, sep) ||
      !Digits(text, pos, 2, &f->hour) || !Expect(text, pos, ':') || !Digits(text, pos, 2, &f->minute) ||
      !Expect(text, pos, ':') || !Digits(text, pos, 2, &f->second))
    return false;
  return f->month >= 1 && f->month <= 12 && f->day >= 1 && f->day <= DaysInMonth(f->year, f->month) &&
         f->hour <= 23 && f->minute <= 59 && f->second <= 59;
}

// ".ddd" with 1 to maxDigits digits, as 100 ns ticks (digits beyond the seventh are dropped).
bool ReadFraction(const std::string& text, size_t* pos, int maxDigits, int64_t* ticks) {
  *ticks = 0;
  if (*pos >= text.size() || text[*pos] != '.') return true;
  ++*pos;
  int n = 0;
  int64_t scale = kTicksPerSecond;
  while (*pos < text.size() && std::isdigit(static_cast<unsigned char>(text[*pos]))) {
    if (++n > maxDigits) return false;
    scale /= 10;
    *ticks += (text[*pos] - '0') * scale;
    ++*pos;
  }
  return n > 0;
}

std::string Fraction(WallTime t) {
  int64_t sub = t % kTicksPerSecond;
  if (sub < 0) sub += kTicksPerSecond;
  char buf[16];
  if (sub % kTicksPerMillisecond == 0)
    std::snprintf(buf, sizeof buf, ".%03d", static_cast<int>(sub / kTicksPerMillisecond));
  else
    std::snprintf(buf, sizeof buf, ".%07d", static_cast<int>(sub));
  return buf;
}

// The largest change of a clock for daylight saving (seconds); changes of a half or a quarter of
// it are looked for as well.
constexpr time32 kMaxClockShift = 7200;

// The range of the 32-bit time values of the record index.
bool InRange(WallTime t) {
  return t >= int64_t{INT32_MIN} * kTicksPerSecond && t < (int64_t{INT32_MAX} + 1) * kTicksPerSecond;
}

}  // namespace

bool ParseLocalWallTime(const std::string& text, WallTime* out, WallTime* second) {
  if (!out || text.empty()) return false;
  if (second) *second = -1;
  if (text.find_first_not_of("0123456789") == std::string::npos) {
    if (text.size() > 10) return false;
    const long long v = std::stoll(text);
    if (v > INT32_MAX) return false;
    *out = static_cast<WallTime>(v) * kTicksPerSecond;
    return true;
  }
  size_t pos = 0;
  Fields f{};
  int64_t ticks = 0;
  if (!ReadDateTime(text, &pos, ' ', &f) || !ReadFraction(text, &pos, kMaxFractionDigits, &ticks) ||
      pos != text.size())
    return false;
  const time32 t = MakeLocalTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
  LocalFields back;
  // A local time that does not exist (skipped by a daylight-saving change) comes back different.
  if (t == -1 || !SplitLocalTime(t, &back) || back.year != f.year || back.month != f.month || back.day != f.day ||
      back.hour != f.hour || back.minute != f.minute || back.second != f.second)
    return false;
  // The hour the clocks go back shows every local time twice: take the first, name the second.
  time32 first = t, later = t;
  for (const time32 shift : {-kMaxClockShift, -kMaxClockShift / 2, -kMaxClockShift / 4, kMaxClockShift / 4,
                             kMaxClockShift / 2, kMaxClockShift}) {
    LocalFields other;
    const time32 u = t + shift;
    if (SplitLocalTime(u, &other) && other.year == f.year && other.month == f.month && other.day == f.day &&
        other.hour == f.hour && other.minute == f.minute && other.second == f.second) {
      first = std::min(first, u);
      later = std::max(later, u);
    }
  }
  *out = WallFromTime32(first) + ticks;
  if (second && later != first) *second = WallFromTime32(later) + ticks;
  return true;
}

bool ParseSpanEdge(const std::string& text, bool end, WallTime* out, WallTime* other) {
  WallTime first = 0, second = -1;
  if (!out || !ParseLocalWallTime(text, &first, &second)) return false;
  *out = end && second >= 0 ? second : first;
  if (other) *other = second < 0 ? -1 : end ? first : second;
  return true;
}

std::string FormatIsoWallTime(WallTime t) {
  const std::time_t secs = Time32FromWall(t);
  std::tm tm{};
  if (!::localtime_r(&secs, &tm)) return {};
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
  const long off = tm.tm_gmtoff;
  const int a = static_cast<int>((off < 0 ? -off : off) % 86400);
  char zone[32];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", off < 0 ? '-' : '+', a / 3600, (a % 3600) / 60);
  return std::string(date) + Fraction(t) + zone;
}

std::string FormatIsoWallTimeUtc(WallTime t) {
  const std::time_t secs = Time32FromWall(t);
  std::tm tm{};
  if (!::gmtime_r(&secs, &tm)) return {};
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
  return std::string(date) + Fraction(t) + "Z";
}

bool ParseIsoWallTime(const std::string& text, WallTime* out) {
  if (!out) return false;
  size_t pos = 0;
  Fields f{};
  int64_t ticks = 0;
  if (!ReadDateTime(text, &pos, 'T', &f) || !ReadFraction(text, &pos, kMaxIsoFractionDigits, &ticks)) return false;
  int64_t offset = 0;
  if (pos < text.size() && text[pos] == 'Z') {
    ++pos;
  } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    const int sign = text[pos++] == '-' ? -1 : 1;
    int hh = 0, mm = 0;
    if (!Digits(text, &pos, 2, &hh) || !Expect(text, &pos, ':') || !Digits(text, &pos, 2, &mm) || hh > 23 || mm > 59)
      return false;
    offset = sign * (hh * 3600 + mm * 60);
  } else {
    return false;
  }
  if (pos != text.size()) return false;
  const int64_t secs = DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second - offset;
  const WallTime w = secs * kTicksPerSecond + ticks;
  if (!InRange(w)) return false;
  *out = w;
  return true;
}

std::string FormatLocalWallTime(WallTime t) {
  const std::string s = FormatLocalTime(Time32FromWall(t), "%Y-%m-%d %H:%M:%S");
  int64_t sub = t % kTicksPerSecond;
  if (sub < 0) sub += kTicksPerSecond;
  char buf[8];
  std::snprintf(buf, sizeof buf, ".%03d", static_cast<int>(sub / kTicksPerMillisecond));
  return s + buf;
}

WallTime NowWall() {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  return static_cast<WallTime>(tv.tv_sec) * kTicksPerSecond + static_cast<WallTime>(tv.tv_usec) * 10;
}

}  // namespace vt
