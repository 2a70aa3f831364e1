// The program's only top-level window: menu, toolbar and status bar built from the command
// table, the left pane and the video view side by side, sized exactly around the video.
// Receives the private messages of the browser, the Player, the record database and (over
// the recorder link, as window class "VTPlayer") the recorder program.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/message_window.h"
#include "frame/command_table.h"
#include "frame/left_pane_iface.h"
#include "frame/log_file.h"
#include "frame/progress_text.h"
#include "frame/vant_player_view.h"
#include "longwork/ui/long_work_dlg.h"
#include "recorddb/camera_config.h"
#include "recorddb/recorder_link.h"

class QAction;
class QLabel;
class QMenu;
class QSocketNotifier;
class QSplitter;
class QTimer;
class QToolBar;

namespace vt {

class CGridWindow;
class CHelpLauncher;
class CLinkListener;
class CReviewNavigator;
class CFullScreen;
struct RecordJobResult;
struct DeleteItem;
class CSnapshotSettings;

inline constexpr const char* kToolbarPicture = "ui_p/bg/toolbar24.bmp";
inline constexpr QRgb kToolbarTransparent = 0xFF446D8C;  // RGB(68, 109, 140)
inline constexpr int kToolbarButtonWidth = 31;
inline constexpr int kToolbarButtonHeight = 30;
inline constexpr int kStatusPaneCount = 5;
inline constexpr int kUpdateUiIntervalMs = 250;
inline constexpr uint32_t kMsgClose = 0x0010;  // closes the window through the normal path

// What the main window takes from the application object.
struct FrameContext {
  std::string strProgramFolder;
  std::string strDataFolder;
  std::string strIniPath;
  int bRemoteViewer = 0;
  int nEdition = 0;
  std::function<std::string(uint32_t)> textById;
  std::function<void()> showAbout;
  // Builders of the two panes; empty: the record browser's left view and the empty Player area.
  std::function<std::unique_ptr<ILeftPane>(QWidget* parent)> makeLeftPane;
  CVantPlayerView::PlayerFactory makePlayer;
  FolderPicker pickFolder;              // empty: QFileDialog
  IRecorderLink* pRecorder = nullptr;   // empty: no recorder program ever
  // The "VTPlayer" class on the recorder link as start-up took it (owned by the caller); when
  // none is given and bListen is set, the window takes the class itself.
  CLinkListener* pLink = nullptr;
  bool bListen = true;
  CSnapshotSettings* pSnapshot = nullptr;  // the snapshots' caption settings; null: defaults
};

// Process-wide busy cursor: on remembers the cursor it replaces unless already on.
void BusyCursor(bool on);

// The left pane width: twice the width of today's date "%Y-%m-%d" in the given font metrics.
int LeftPaneWidth(const QFontMetrics& fm);

class CMainFrame : public QMainWindow, public CMessageWindow, public CCommandTarget, public CLogFile {
  Q_OBJECT
 public:
  explicit CMainFrame(FrameContext context);
  ~CMainFrame() override;

  // Loads the toolbar picture and builds bars and panes; false when the picture is missing.
  bool Create();

  ILeftPane* GetLeftView() const { return m_pLeftPane.get(); }
  CVantPlayerView* GetPlayerView() const { return m_pView; }
  IPlayerWindow* GetPlayer() const { return m_pPlayer; }
  int GetEdition() const { return m_ctx.nEdition; }
  int GetCurrentCamera() const { return m_nCurrentCamera; }
  int GetCameraCount() const;
  bool GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const;
  bool GetCurrentCameraPath(std::string* path) const;
  bool IsMainDatabase() const { return m_bMainDb != 0; }
  CPlayerSettings& GetSettings() { return m_settings; }
  void SetStatusSize(const QString& text);
  // The window's title as the program sets it; while a saved database is shown
  // " - saved database <folder>" follows it.
  void SetCaption(const QString& caption);
  // Trims the File menu for edition 3 (its actions stay reachable by keyboard and toolbar).
  void TrimFileMenu();

  // The command table turned into actions; id -> action.
  QAction* GetAction(uint32_t id) const;
  QMenu* GetMenu(MenuIndex menu) const { return m_menus[menu]; }
  QToolBar* GetToolBar() const { return m_pToolBar; }
  CommandState GatherCommandState() const;
  // Sets every action's enabled and checked state from the rules.
  void UpdateCommandUi();
  void RunCommand(uint32_t id);

  QString GetPaneText(int pane) const;
  // Help... once it was asked for.
  CHelpLauncher* GetHelp() const { return m_pHelp.get(); }
  void FitToVideo();

  LRESULT WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

  // CCommandTarget
  void OnDatabaseCommand(uint32_t id) override;
  void OnPlaybackCommand(uint32_t id) override;
  void OnAppExit(uint32_t id) override;
  void OnViewBar(uint32_t id) override;
  void OnHelp(uint32_t id) override;
  void OnAbout(uint32_t id) override;
  void OnReviewCommand(uint32_t id) override;
  void OnExportCommand(uint32_t id) override;  // main_frame_export.cpp
  void OnMultiViewCommand(uint32_t id) override;

  // The day timeline, Go to Time and playing across recordings; null before Create.
  CReviewNavigator* GetReview() const { return m_pReview; }
  // View > Full Screen; null before Create.
  CFullScreen* GetFullScreen() const { return m_pFullScreen; }
  // Backup, Save Record to, Rebuild or a deletion running in the background
  // (main_frame_longwork.cpp); its progress dialog, null when none runs.
  bool IsLongWorkRunning() const;
  CLongWorkDlg* GetLongWork() const { return m_pLongWork; }
  // Cameras side by side (main_frame_multiview.cpp); null until first opened.
  CGridWindow* GetGridWindow() const { return m_pGridWindow; }
  // The camera in this window's single view, paused on the frame that holds t (100 ns since 1970).
  void ShowMoment(const CameraEntry& camera, int64_t t);

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void BuildCommands();
  void BuildStatusBar();
  void BuildPanes();
  // Reviewing footage (main_frame_review.cpp).
  void BuildReview();
  void FillReviewState(CommandState* s) const;
  void ShowMuteState();
  void FillMultiViewState(CommandState* s) const;
  void DeleteMultiView();
  void ConnectRecordList();
  void SetMessageText(const QString& text);
  // Why the recorder's data cannot be changed (review mode, a folder that cannot be written);
  // empty when it can.
  std::string DataLockedReason() const;
  // "Ready", with the reason when the maintenance commands are off.
  QString IdleText() const;
  void UpdateLockPanes();
  void UpdateTitle();
  void OnLinkReadable();
  std::string Text(uint32_t id) const;
  RecorderWindow FindRecorderWindow() const;
  bool RecorderRunningRefuses();
  void ReportDeleteNotice(DeleteNotice notice);
  // Status text of an export (destination and counts); a message box when it was refused or
  // something is missing from it.
  void ReportCopyFailures(const CopyReport& report, bool backup);
  std::string CurrentCameraLabel() const;
  bool PickFolder(std::string& path, bool allowNew, const std::string& title);
  // Long work (main_frame_longwork.cpp).
  CLongWorkDlg* StartLongWork(const char* title, CLongWorkDlg::Work work, CLongWorkDlg::Finished finished);
  void StopLongWork();
  void StartBackup(CRecordList* list);
  void StartSaveRecords(CRecordList* list, time32 t, bool day);
  void StartRebuild(CRecordList* list);
  void FinishCopy(const RecordJobResult& result, bool cancelled, bool backup);
  // Deleting a day (day set) or every record; false when there is nothing to delete.
  bool StartDelete(CRecordList* list, time32 t, bool day, RecorderWindow recorder);
  void FinishDelete(const std::string& folder, int camera, time32 t, bool day, const std::vector<DeleteItem>& items,
                    size_t done, RecorderWindow recorder);

  FrameContext m_ctx;
  CPlayerSettings m_settings;
  IPlayerWindow* m_pPlayer = nullptr;
  int m_bPanesReady = 0;
  int m_bMainDb = 1;
  int m_nCurrentCamera = 0;
  std::string m_strOpenCameraPath;
  QString m_strCaption;

  QSplitter* m_pSplitter = nullptr;
  std::unique_ptr<ILeftPane> m_pLeftPane;
  CVantPlayerView* m_pView = nullptr;
  QToolBar* m_pToolBar = nullptr;
  QLabel* m_panes[kStatusPaneCount] = {};
  QMenu* m_menus[kMenuCount] = {};
  std::map<uint32_t, QAction*> m_actions;
  QTimer* m_pUpdateTimer = nullptr;
  CProgressState m_progress;

  CReviewNavigator* m_pReview = nullptr;  // child object, deleted with the window
  CFullScreen* m_pFullScreen = nullptr;   // child object
  CLongWorkDlg* m_pLongWork = nullptr;    // child dialog while long work runs
  bool m_bNewestFirst = false;            // the record tree lists the newest days first
  CGridWindow* m_pGridWindow = nullptr;   // child window, deleted with the window
  std::unique_ptr<CHelpLauncher> m_pHelp;
  std::unique_ptr<CLinkListener> m_pOwnLink;
  CLinkListener* m_pLink = nullptr;
  QSocketNotifier* m_pLinkNotifier = nullptr;
};

}  // namespace vt
