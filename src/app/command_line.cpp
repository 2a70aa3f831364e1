#include "app/command_line.h"

#include <cstring>

namespace vt {

void CPlayerCommandLineInfo::ParseParam(const char* pszParam, bool bFlag, bool /*bLast*/) {
  if (bFlag && std::strcmp(pszParam, "pass") == 0) m_bPass = 1;
  if (!bFlag) m_fileNames.emplace_back(pszParam);
}

bool CPlayerCommandLineInfo::Parse(const std::vector<std::string>& args, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool last = i + 1 == args.size();
    if (a == "--help" || a == "-h") {
      m_bHelp = true;
    } else if (a == "--data-folder") {
      if (last || args[i + 1].empty()) {
        if (error) *error = "--data-folder needs a folder";
        return false;
      }
      m_strDataFolder = args[++i];
    } else if (a.rfind("--data-folder=", 0) == 0) {
      m_strDataFolder = a.substr(std::strlen("--data-folder="));
      if (m_strDataFolder.empty()) {
        if (error) *error = "--data-folder needs a folder";
        return false;
      }
    } else if (a == "--demo") {
      m_bDemo = true;
      if (!last && !args[i + 1].empty() && args[i + 1][0] != '-') m_strDemoFolder = args[++i];
    } else if (a.size() > 1 && (a[0] == '/' || a[0] == '-')) {
      ParseParam(a.c_str() + 1, true, last);
    } else {
      ParseParam(a.c_str(), false, last);
    }
  }
  return true;
}

std::string CommandLineHelp(const std::string& programName) {
  return "Usage: " + programName +
         " [/pass | -pass] [--data-folder DIR | --demo [DIR]] [--help]\n"
         "Plays and maintains the recordings of the surveillance recorder.\n"
         "  /pass, -pass         do not ask for the start-up password\n"
         "  --data-folder DIR    read vantor.ini and VTPlayer.Log in DIR instead of the\n"
         "                       per-user data folder of the edition\n"
         "  --demo [DIR]         make a demo recorder data set in DIR (kept and reused;\n"
         "                       default ~/.cache/vtplayer-demo) and play it\n"
         "  --help               show this text\n";
}

}  // namespace vt
