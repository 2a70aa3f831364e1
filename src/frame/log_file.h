// The player's log file in the data folder. The player writes no lines itself; at start-up the
// file is created when missing and rotated (copied to the same name + "1", then emptied) once
// it holds kLogRotateLines lines or more. One per process; the mutex guards rotation and teardown.
#pragma once

#include <mutex>
#include <string>

namespace vt {

inline constexpr int kLogRotateLines = 100;

// Lines of a log text: every CR LF pair counts once.
int CountLogLines(const std::string& text);

class CLogFile {
 public:
  CLogFile() = default;
  virtual ~CLogFile();
  // Sets the path, creates the file when it cannot be read, counts its lines and rotates.
  void InitLog(const std::string& path);
  void TearDownLog();
  const std::string& GetLogPath() const { return m_strLogPath; }
  int GetLogLineCount() const { return m_nLogLines; }
  bool IsLogEnabled() const { return m_bLogEnabled != 0; }

 private:
  std::string m_strLogPath;
  int m_bLogEnabled = 0;
  int m_nLogLines = 0;
  std::mutex m_logLock;
};

}  // namespace vt
