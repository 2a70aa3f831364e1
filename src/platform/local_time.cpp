#include "platform/local_time.h"

#include <climits>
#include <ctime>

namespace vt {

time32 MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1) || t < INT32_MIN || t > INT32_MAX) return -1;
  return static_cast<time32>(t);
}

bool SplitLocalTime(time32 t, LocalFields* out) {
  if (!out) return false;
  std::time_t tt = t;
  std::tm tm{};
  if (!::localtime_r(&tt, &tm)) return false;
  out->year = tm.tm_year + 1900;
  out->month = tm.tm_mon + 1;
  out->day = tm.tm_mday;
  out->hour = tm.tm_hour;
  out->minute = tm.tm_min;
  out->second = tm.tm_sec;
  return true;
}

std::string FormatLocalTime(time32 t, const char* format) {
  std::time_t tt = t;
  std::tm tm{};
  if (!format || !::localtime_r(&tt, &tm)) return {};
  char buf[512];
  size_t n = std::strftime(buf, sizeof buf, format, &tm);
  return std::string(buf, n);
}

time32 Now32() { return static_cast<time32>(std::time(nullptr)); }

}  // namespace vt
