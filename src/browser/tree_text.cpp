#include "browser/tree_text.h"

#include "platform/local_time.h"

namespace vt {

int ParseTextNumber(const std::string& text, size_t pos, size_t len) {
  int value = 0;
  for (size_t i = pos; i < pos + len && i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

time32 ItemTextsToTime(const std::string& dayText, const std::string& timeText) {
  return MakeLocalTime(ParseTextNumber(dayText, 0, 4), ParseTextNumber(dayText, 5, 2), ParseTextNumber(dayText, 8, 2),
                       ParseTextNumber(timeText, 0, 2), ParseTextNumber(timeText, 3, 2),
                       ParseTextNumber(timeText, 6, 2));
}

}  // namespace vt
