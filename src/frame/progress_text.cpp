#include "frame/progress_text.h"

namespace vt {

std::string FormatProgressText(const std::string& format, int value) {
  std::string out;
  bool used = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (format[i + 1] == 'd' && !used) {
        out += std::to_string(value);
        used = true;
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

LRESULT CProgressState::Handle(uint32_t code, LPARAM value, std::string* paneText, bool* changed) {
  *changed = false;
  auto show = [&](int n) {
    *paneText = FormatProgressText(m_strFormat, n);
    *changed = true;
  };
  switch (code) {
    case kProgressFormat:
      m_strFormat = m_textById ? m_textById(static_cast<uint32_t>(value)) : std::string();
      return 1;
    case kProgressBegin:
      m_nTotal = value;
      show(0);
      m_bInProgress = true;
      m_nLastShown = 0;
      return 1;
    case kProgressStep: {
      if (!m_bInProgress) return 1;
      int n;
      if (m_nTotal == 1) {
        n = m_nLastShown + 1;
      } else if (m_nTotal == 0) {
        n = 0;  // percent of nothing: never divide by zero
      } else {
        n = static_cast<int>(value * 100 / m_nTotal);
      }
      show(n);
      m_nLastShown = n;
      return 1;
    }
    case kProgressZero:
      if (m_bInProgress) show(0);
      return 1;
    case kProgressEnd:
      if (m_bInProgress && m_nTotal != 1) show(100);
      m_bInProgress = false;
      return 1;
    case kProgressNone:
      return 0;
    default:
      return 1;
  }
}

}  // namespace vt
