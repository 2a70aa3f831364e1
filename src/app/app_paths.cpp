#include "app/app_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "platform/codepage.h"

namespace vt {
namespace {

bool IsDir(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool IsReadableFile(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), R_OK) == 0;
}

}  // namespace

std::string EditionFolder(int edition, bool remoteViewer) {
  switch (edition) {
    case 2: return remoteViewer ? "/vtremote_pro" : "/vantor_pro";
    case 1: return remoteViewer ? "/vtremote" : "/vantor";
    default: return "/vantor_lite";
  }
}

std::string ResolveProgramFolder(const std::string& exeFolder) {
  std::filesystem::path exe(exeFolder);
  if (exe.filename() == "bin") {
    std::string installed = (exe.parent_path() / kInstalledResourceDir).string();
    // The build tree keeps its resources in bin/ itself; only a bin/ without them is an install.
    if (IsDir(installed) && !IsDir(exeFolder + "/ui_p") && !IsDir(exeFolder + "/UI_P")) return installed;
  }
  return exeFolder;
}

std::string CurrentExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

AppPaths ComputeAppPaths(const std::string& programFolder, int edition, const std::optional<std::string>& appData,
                         const std::string& dataOverride) {
  AppPaths p;
  p.m_strProgramFolder = programFolder;
  if (IsReadableFile(programFolder + "/" + kRemoteViewerName)) p.m_bRemoteViewer = 1;
  std::error_code ec;
  if (!dataOverride.empty()) {
    p.m_strDataFolder = dataOverride;
    while (p.m_strDataFolder.size() > 1 && p.m_strDataFolder.back() == '/') p.m_strDataFolder.pop_back();
    std::filesystem::create_directories(p.m_strDataFolder, ec);
  } else if (appData && !appData->empty()) {
    p.m_strDataFolder = *appData + EditionFolder(edition, p.m_bRemoteViewer != 0);
    std::filesystem::create_directories(p.m_strDataFolder, ec);
  } else {
    p.m_strDataFolder = programFolder;
  }
  p.m_strIniPath = p.m_strDataFolder + "/" + kIniName;
  return p;
}

uint32_t TitleIdForEdition(int edition) {
  if (edition == 1) return res::kIdsTitleStandard;
  if (edition == 2) return res::kIdsTitlePro;
  return res::kIdsTitleLite;
}

std::string FormatWindowTitle(const std::string& title, const char* a, const char* b) {
  const std::string textA = a ? DecodeLegacyText(a) : std::string();
  const std::string textB = b ? DecodeLegacyText(b) : std::string();
  if (a && b) return title + " (" + textA + " - " + textB + ")";
  if (a) return title + " (" + textA + ")";
  if (b) return title + " (" + textB + ")";
  return title;
}

}  // namespace vt
