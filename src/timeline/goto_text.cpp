#include "timeline/goto_text.h"

#include <cctype>
#include <vector>

#include "platform/local_time.h"

namespace vt {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Splits s into numbers at any of seps; false when a part is empty, not digits, or too long.
bool Numbers(std::string_view s, std::string_view seps, size_t maxDigits, std::vector<int>* out) {
  out->clear();
  size_t i = 0;
  while (true) {
    size_t j = i;
    int value = 0;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) value = value * 10 + (s[j++] - '0');
    if (j == i || j - i > maxDigits) return false;
    out->push_back(value);
    if (j == s.size()) return true;
    if (seps.find(s[j]) == std::string_view::npos) return false;
    i = j + 1;
  }
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

bool ParseGotoTime(std::string_view text, time32 defaultDay, time32* out) {
  text = Trim(text);
  std::string_view datePart, timePart = text;
  const size_t cut = text.find_first_of(" T");
  if (cut != std::string_view::npos) {
    datePart = Trim(text.substr(0, cut));
    timePart = Trim(text.substr(cut + 1));
  }
  int year, month, day;
  std::vector<int> n;
  if (datePart.empty()) {
    LocalFields f;
    if (!SplitLocalTime(defaultDay, &f)) return false;
    year = f.year;
    month = f.month;
    day = f.day;
  } else {
    if (!Numbers(datePart, "-/.", 4, &n) || n.size() != 3) return false;
    year = n[0];
    month = n[1];
    day = n[2];
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysIn(year, month)) return false;
  }
  if (!Numbers(timePart, ":", 2, &n) || n.size() < 2 || n.size() > 3) return false;
  const int hour = n[0], minute = n[1], second = n.size() == 3 ? n[2] : 0;
  if (hour > 23 || minute > 59 || second > 59) return false;
  const time32 t = MakeLocalTime(year, month, day, hour, minute, second);
  if (t == -1) return false;
  *out = t;
  return true;
}

std::string FormatGotoTime(time32 t) { return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S"); }

std::string FormatSpanText(const TimelineSpan& span) {
  const bool sameDay = LocalDayOf(span.tStart) == LocalDayOf(span.tEnd);
  return FormatGotoTime(span.tStart) + " - " + FormatLocalTime(span.tEnd, sameDay ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S");
}

std::string DescribeMiss(std::span<const TimelineSpan> seq, const TimeResolution& r, time32 t) {
  if (seq.empty() || r.kind == TimeResolution::kEmpty) return "This camera has no recordings.";
  std::string text = "No recording at " + FormatGotoTime(t) + ".";
  if (r.nBefore >= 0) text += "\nNearest before: " + FormatSpanText(seq[static_cast<size_t>(r.nBefore)]);
  if (r.nAfter >= 0) text += "\nNearest after: " + FormatSpanText(seq[static_cast<size_t>(r.nAfter)]);
  return text;
}

}  // namespace vt
