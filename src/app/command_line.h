// Command line of vtplayer: "pass" after "/" or "-" skips the login; --data-folder DIR points
// the player at a recorder's data folder (for example one copied from its disk); --read-only
// and --codepage for evidence copies and recorders set up in another language; --help.
#pragma once

#include <string>
#include <vector>

namespace vt {

class CPlayerCommandLineInfo {
 public:
  // One parameter, switch character already stripped when bFlag is set. Only the exact
  // lower-case word "pass" counts.
  void ParseParam(const char* pszParam, bool bFlag, bool bLast);
  bool IsPassGiven() const { return m_bPass != 0; }

  // Parses argv[1..]. False with *error set on an unknown or malformed option, a DIR that is not
  // a folder, or more than one data folder; nothing has been touched then. A single DIR is the
  // data folder (as --data-folder DIR), so that a desktop entry's %F opens it. "/pass" and
  // "-pass" in any case are the start-up switch (only the lower-case word skips the password);
  // an argument beginning with '/' that names an existing folder or holds a second '/' is a DIR.
  bool Parse(const std::vector<std::string>& args, std::string* error);

  bool m_bHelp = false;
  bool m_bVersion = false;
  std::string m_strDataFolder;           // empty: the usual data folder
  bool m_bDemo = false;                  // make (or reuse) the demo data set and use it
  std::string m_strDemoFolder;           // empty with m_bDemo: the default demo folder
  bool m_bReadOnly = false;              // review mode: nothing is written into the data
  std::string m_strCodePage;             // legacy code page of the recorder's texts; empty: by language
  std::vector<std::string> m_fileNames;  // non-switch parameters (at most one, the data folder)

 private:
  int m_bPass = 0;
};

// The text printed for --help.
std::string CommandLineHelp(const std::string& programName);
// The line printed for --version ("vtplayer 2.1.0").
std::string VersionText(const std::string& programName);

}  // namespace vt
