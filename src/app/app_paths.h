// Installation layout: program (resource) folder, data folder, recorder configuration path,
// and the window title by edition.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "res/strings.h"

namespace vt {

inline constexpr const char* kIniName = "vantor.ini";
inline constexpr const char* kLogName = "VTPlayer.Log";
inline constexpr const char* kRemoteViewerName = "vtremote.exe";
inline constexpr const char* kInstalledResourceDir = "share/vtplayer";
// The program's icon in the program folder (main window, dialogs, About box).
inline constexpr const char* kProgramIcon = "vtplayer.png";

struct AppPaths {
  int m_bRemoteViewer = 0;
  std::string m_strDataFolder;
  std::string m_strIniPath;
  std::string m_strProgramFolder;
};

// "/vantor_pro", "/vtremote", "/vantor_lite"...
std::string EditionFolder(int edition, bool remoteViewer);
// Resources sit beside the executable in the build tree; an installed executable in
// <prefix>/bin finds them in <prefix>/share/vtplayer.
std::string ResolveProgramFolder(const std::string& exeFolder);
// The running executable's full path ("/proc/self/exe"); empty when unknown.
std::string CurrentExecutablePath();

// appData: the per-user data home, or nullopt when unavailable (the program folder then
// serves). dataOverride, when not empty, is the data folder as given. The data folder is
// created when missing.
AppPaths ComputeAppPaths(const std::string& programFolder, int edition, const std::optional<std::string>& appData,
                         const std::string& dataOverride);

uint32_t TitleIdForEdition(int edition);
// title + " (A - B)", " (A)", " (B)" or nothing; a present empty text counts as given. A and B
// are the record's camera texts as stored, in the recorder's legacy code page unless they are
// valid UTF-8; the result is UTF-8.
std::string FormatWindowTitle(const std::string& title, const char* a, const char* b);

}  // namespace vt
