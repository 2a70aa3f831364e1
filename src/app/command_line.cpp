#include "app/command_line.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstring>

namespace vt {

namespace {
bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

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
    } else if (a == "--read-only") {
      m_bReadOnly = true;
    } else if (a == "--codepage" || a.rfind("--codepage=", 0) == 0) {
      if (a == "--codepage") {
        if (last || args[i + 1].empty()) {
          if (error) *error = "--codepage needs a code page name";
          return false;
        }
        m_strCodePage = args[++i];
      } else {
        m_strCodePage = a.substr(std::strlen("--codepage="));
        if (m_strCodePage.empty()) {
          if (error) *error = "--codepage needs a code page name";
          return false;
        }
      }
    } else if (a == "--demo") {
      m_bDemo = true;
      if (!last && !args[i + 1].empty() && args[i + 1][0] != '-') m_strDemoFolder = args[++i];
    } else if (a == "--version") {
      m_bVersion = true;
    } else if (a.size() > 1 && a[0] == '/' && (a.find('/', 1) != std::string::npos || IsFolder(a))) {
      ParseParam(a.c_str(), false, last);
    } else if (a.size() > 1 && (a[0] == '/' || a[0] == '-')) {
      // The start-up switch of the recorder family; any other switch is a mistake to be told.
      if (::strcasecmp(a.c_str() + 1, "pass") != 0) {
        if (error) *error = "unknown option " + a;
        return false;
      }
      ParseParam(a.c_str() + 1, true, last);
    } else {
      ParseParam(a.c_str(), false, last);
    }
  }
  if (m_fileNames.size() > 1) {
    if (error) *error = "one data folder at most";
    return false;
  }
  if (!m_fileNames.empty()) {
    if (!m_strDataFolder.empty() || m_bDemo) {
      if (error) *error = "a data folder given twice";
      return false;
    }
    if (!IsFolder(m_fileNames[0])) {
      if (error) *error = "not a folder: " + m_fileNames[0];
      return false;
    }
    m_strDataFolder = m_fileNames[0];
  }
  return true;
}

std::string VersionText(const std::string& programName) { return programName + " " + VT_VERSION + "\n"; }

std::string CommandLineHelp(const std::string& programName) {
  return "Usage: " + programName +
         " [/pass | -pass] [--data-folder DIR | --demo [DIR] | DIR] [--read-only] [--codepage NAME]\n"
         "       [--help] [--version]\n"
         "Plays and maintains the recordings of the surveillance recorder.\n"
         "  /pass, -pass         do not ask for the start-up password\n"
         "  --data-folder DIR    read vantor.ini and VTPlayer.Log in DIR instead of the\n"
         "  DIR                  per-user data folder of the edition\n"
         "  --demo [DIR]         make a demo recorder data set in DIR (kept and reused;\n"
         "                       default ~/.cache/vtplayer-demo) and play it\n"
         "  --read-only          review mode for evidence copies and mounted disks: nothing\n"
         "                       is written, renamed or deleted in the data (no index save,\n"
         "                       no log, no settings); Save Record to... and Backup still\n"
         "                       export into another folder\n"
         "  --codepage NAME      code page of camera names that are not UTF-8 (for example\n"
         "                       windows-1252, GBK, BIG5, SHIFT_JIS); default by language\n"
         "  --help               show this text\n"
         "  --version            show the version\n"
         "An unknown option is refused with this text (exit status 2) before anything is read\n"
         "or written.\n"
         "Recordings whose index holds Windows paths (D:\\rec\\ch01\\...) or whose folders were\n"
         "moved are found under their camera folder by day folder and file name.\n"
         "Environment: VT_AUDIO_SINK names the GStreamer audio sink (for example fakesink for\n"
         "no sound); XDG_DATA_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR place the data folder,\n"
         "the demo data and the recorder link's sockets.\n";
}

}  // namespace vt
