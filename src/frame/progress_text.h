// Texts of the status bar's message pane for the progress message. Percent mode (any total but
// 1) shows step * 100 / total; count mode (total 1) counts the steps itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/message.h"

namespace vt {

// printf-style format with one %d (and %%) filled in without trusting the format: anything
// else is copied as it stands, so a language text can never read a missing argument.
std::string FormatProgressText(const std::string& format, int value);

class CProgressState {
 public:
  using TextById = std::function<std::string(uint32_t)>;
  explicit CProgressState(TextById textById) : m_textById(std::move(textById)) {}

  // Handles one progress message (code, value). Returns the message's result; *paneText is set
  // and true returned through *changed when pane 0 must show a new text.
  LRESULT Handle(uint32_t code, LPARAM value, std::string* paneText, bool* changed);

  bool InProgress() const { return m_bInProgress; }

 private:
  TextById m_textById;
  std::string m_strFormat;
  int64_t m_nTotal = 0;
  int m_nLastShown = 0;
  bool m_bInProgress = false;
};

}  // namespace vt
