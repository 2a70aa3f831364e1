#include "recorddb/rdb_texts.h"

#include "platform/local_time.h"

#include <cstdio>

namespace vt {

std::string RdbBuiltInText(int id) {
  const char* text = res::LoadResString(static_cast<uint32_t>(id));
  return text ? text : "";
}

std::string FormatTextInt(const std::string& format, int value) {
  // Only one integer conversion is allowed; anything else is shown as it stands.
  int conversions = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 < format.size() && format[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < format.size() && (format[j] == '0' || format[j] == '-' || format[j] == ' ' ||
                                 (format[j] >= '1' && format[j] <= '9')))
      ++j;
    if (j >= format.size() || (format[j] != 'd' && format[j] != 'u')) return format;
    ++conversions;
    i = j;
  }
  if (conversions != 1) return format;
  char buf[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(buf, sizeof buf, format.c_str(), value);
#pragma GCC diagnostic pop
  return buf;
}

std::string DeleteRecordQuestion(const std::string& cameraLabel, time32 t, bool day) {
  if (day)
    return "Delete every recording of camera " + cameraLabel + " on " + FormatLocalTime(t, "%Y-%m-%d") +
           ", with its files?";
  return "Delete the recording of camera " + cameraLabel + " that starts at " + FormatLocalTime(t, "%Y-%m-%d %H:%M:%S") +
         ", with its file?";
}

std::string DeleteAllQuestion(const std::string& question, const std::string& cameraLabel) {
  return question + "\n\nCamera " + cameraLabel;
}

}  // namespace vt
