// The application object: start-up in order (single instance, media library, paths and
// identity stamp, main window, texts, title and menu trim, login, camera list), the
// installation paths, the title and the pass-through queries other windows ask.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/lang_text.h"
#include "app/product_stamp.h"
#include "app/recorder_link.h"
#include "app/single_instance.h"
#include "snapshot/snapshot_settings.h"

namespace vt {

class CMainFrame;
struct FrameContext;

inline constexpr const char* kNoWindowTitle = "Vantor Player";
inline constexpr const char* kMediaInitFailed = "CoInitialize Failed!\r\n";

class CVantPlayerApp {
 public:
  CVantPlayerApp();
  ~CVantPlayerApp();
  CVantPlayerApp(const CVantPlayerApp&) = delete;
  CVantPlayerApp& operator=(const CVantPlayerApp&) = delete;

  // Start-up. False: end at once with *exitCode (another copy runs, bad command line, the
  // main window could not be made).
  bool InitInstance(const std::vector<std::string>& args, int* exitCode);
  int ExitInstance();

  CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
  int GetEdition() const;
  void GetVersion(std::string* major, std::string* minor) const;
  int GetCurrentCamera() const;
  int GetCameraCount() const;
  bool GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const;
  bool GetCurrentCameraPath(std::string* path) const;
  // String table text of id (" " when missing); copied out of the shared buffer.
  std::string GetText(uint32_t id);
  std::string GetTextByKey(const char* key, uint32_t id);
  // Main window caption: the title plus " (A - B)", " (A)", " (B)" or nothing.
  void SetWindowTitle(const char* a, const char* b);

  int m_bRemoteViewer = 0;
  std::string m_strDataFolder;
  std::string m_strIniPath;
  std::string m_strProgramFolder;
  CLangText m_langText;
  std::string m_strTitle;

 private:
  void SetUpPaths(const std::string& dataOverride);
  bool MakeDemoData(const std::string& dir);
  FrameContext MakeFrameContext();
  void ShowAbout();
  void ShowSnapshot(const std::vector<uint8_t>& frame, time32 t);

  CProductStamp m_stamp;
  // The "VTPlayer" class, taken before anything else starts; outlives the main window.
  CLinkListener m_playerLink;
  CSocketRecorderLink m_recorder;
  CSnapshotSettings m_snapshot;
  std::unique_ptr<CMainFrame> m_pMainFrame;
  bool m_bMediaReady = false;
};

// The one application object (null outside start-up and shut-down).
CVantPlayerApp* GetPlayerApp();

}  // namespace vt
