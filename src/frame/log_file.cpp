#include "frame/log_file.h"

#include <fstream>
#include <iterator>

#include "platform/atomic_file.h"
#include "platform/data_policy.h"

namespace vt {

int CountLogLines(const std::string& text) {
  int lines = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') {
      ++lines;
      ++i;
    }
  }
  return lines;
}

CLogFile::~CLogFile() { TearDownLog(); }

void CLogFile::InitLog(const std::string& path) {
  m_strLogPath = path;
  // Review mode writes nothing into the data folder, the log included.
  if (IsReadOnlyData()) {
    m_bLogEnabled = 0;
    m_nLogLines = 0;
    return;
  }
  m_bLogEnabled = 1;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    AtomicWriteOptions create;
    create.replace = false;
    WriteBytesAtomically(path, "", 0, create);
    m_nLogLines = 0;
    return;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  m_nLogLines = CountLogLines(text);
  if (m_nLogLines >= kLogRotateLines) {
    std::lock_guard<std::mutex> lock(m_logLock);
    // Emptying without a complete copy would lose the old lines: keep the file as it is then.
    if (WriteBytesAtomically(path + "1", text.data(), text.size()).ok() && WriteBytesAtomically(path, "", 0).ok())
      m_nLogLines = 0;
  }
}

void CLogFile::TearDownLog() {
  std::lock_guard<std::mutex> lock(m_logLock);
  m_strLogPath.clear();
  m_bLogEnabled = 0;
  m_nLogLines = 0;
}

}  // namespace vt
