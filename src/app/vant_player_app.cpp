#include "app/vant_player_app.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QProgressDialog>

#include <gst/gst.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "app/about_dlg.h"
#include "app/command_line.h"
#include "app/login_dlg.h"
#include "app/message_box.h"
#include "app/ui_text.h"
#include "demo/demo_data.h"
#include "frame/main_frame.h"
#include "platform/codepage.h"
#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "playback/player_wnd.h"
#include "snapshot/snapshot_picture.h"

namespace vt {
namespace {
CVantPlayerApp* g_app = nullptr;
}

CVantPlayerApp* GetPlayerApp() { return g_app; }

CVantPlayerApp::CVantPlayerApp() { g_app = this; }

CVantPlayerApp::~CVantPlayerApp() {
  m_pMainFrame.reset();
  if (g_app == this) g_app = nullptr;
}

std::string CVantPlayerApp::GetText(uint32_t id) { return m_langText.GetTextById(id); }

std::string CVantPlayerApp::GetTextByKey(const char* key, uint32_t id) { return m_langText.GetTextByKey(key, id); }

void CVantPlayerApp::SetUpPaths(const std::string& dataOverride) {
  const std::string exe = CurrentExecutablePath();
  std::string exeFolder, name;
  if (!SplitPath(exe, &exeFolder, &name)) exeFolder = std::filesystem::current_path().string();
  m_strProgramFolder = ResolveProgramFolder(exeFolder);
  m_stamp.Read(exe);
  std::string appData;
  std::optional<std::string> home;
  if (GetAppDataFolder(&appData)) home = appData;
  AppPaths p = ComputeAppPaths(m_strProgramFolder, m_stamp.GetEdition(), home, dataOverride);
  m_bRemoteViewer = p.m_bRemoteViewer;
  m_strDataFolder = p.m_strDataFolder;
  m_strIniPath = p.m_strIniPath;
  m_snapshot.Load(m_strIniPath, m_strProgramFolder);
}

FrameContext CVantPlayerApp::MakeFrameContext() {
  FrameContext ctx;
  ctx.strProgramFolder = m_strProgramFolder;
  ctx.strDataFolder = m_strDataFolder;
  ctx.strIniPath = m_strIniPath;
  ctx.bRemoteViewer = m_bRemoteViewer;
  ctx.nEdition = m_stamp.GetEdition();
  ctx.textById = [this](uint32_t id) { return GetText(id); };
  ctx.showAbout = [this] { ShowAbout(); };
  ctx.pRecorder = &m_recorder;
  ctx.pLink = &m_playerLink;
  ctx.pSnapshot = &m_snapshot;
  ctx.makePlayer = [this](QWidget* parent) {
    PlayerHooks hooks;
    hooks.textById = [this](uint32_t id) { return GetText(id); };
    hooks.setWindowTitle = [this](const char* a, const char* b) { SetWindowTitle(a, b); };
    hooks.snapshot = [this](std::vector<uint8_t> frame, time32 t) { ShowSnapshot(frame, t); };
    hooks.resolvePath = [this](const RDB_RECORD& rec) {
      ILeftPane* pane = m_pMainFrame ? m_pMainFrame->GetLeftView() : nullptr;
      CRecordList* list = pane ? pane->GetRecordList() : nullptr;
      // Without the camera folder there is no safe place to look: nothing is opened.
      return list ? list->ResolvePath(rec) : std::string();
    };
    return CreatePlayerWindow(parent, std::move(hooks));
  };
  return ctx;
}

void CVantPlayerApp::ShowAbout() {
  AboutStamp s;
  s.nEdition = m_stamp.GetEdition();
  m_stamp.GetVersion(&s.strMajor, &s.strMinor);
  m_stamp.GetBuildDate(&s.strBuildDate);
  CAboutDlg dlg(m_strProgramFolder, s, [this](int id) { return GetText(static_cast<uint32_t>(id)); },
                m_pMainFrame.get());
  dlg.exec();
}

void CVantPlayerApp::ShowSnapshot(const std::vector<uint8_t>& frame, time32 t) {
  PackedDib picture = MakeSnapshotPicture(frame.data(), frame.size());
  if (picture.empty()) return;
  // The camera shown, for the file name Save proposes.
  std::string camera;
  ILeftPane* pane = m_pMainFrame ? m_pMainFrame->GetLeftView() : nullptr;
  if (ICameraQuery* cameras = pane ? pane->GetCameraQuery() : nullptr) {
    const std::vector<CameraEntry> entries = cameras->GetCameras();
    const int current = cameras->GetCurrentCamera();
    if (current >= 0 && current < static_cast<int>(entries.size())) camera = entries[static_cast<size_t>(current)].strLabel;
  }
  // Font and colour changes stay in memory until the program closes.
  m_snapshot.ShowDialog(picture.data(), picture.size(), &t, camera);
}

bool CVantPlayerApp::MakeDemoData(const std::string& dir) {
  if (demo::IsDemoDataComplete(dir)) return true;
  // The recordings take several seconds to encode: made on a worker thread while a progress
  // dialog shows how far it is.
  QProgressDialog progress(QStringLiteral("Making the demo recordings..."), QString(), 0, 1);
  progress.setWindowTitle(QString::fromLatin1(kNoWindowTitle));
  progress.setMinimumDuration(0);
  progress.setValue(0);
  std::atomic<int> done{0}, total{1};
  std::atomic<bool> finished{false};
  bool ok = false;
  std::string error;
  std::thread worker([&] {
    ok = demo::GenerateDemoData(dir, &error, [&](int d, int t, const std::string&) {
      total = t > 0 ? t : 1;
      done = d;
    });
    finished = true;
  });
  while (!finished) {
    progress.setMaximum(total);
    progress.setValue(done);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  worker.join();
  progress.close();
  if (!ok) {
    QMessageBox::warning(nullptr, QString::fromLatin1(kNoWindowTitle),
                         QStringLiteral("The demo data could not be made:\n") + QString::fromStdString(error));
  }
  return ok;
}

bool CVantPlayerApp::InitInstance(const std::vector<std::string>& args, int* exitCode) {
  *exitCode = 0;
  m_bRemoteViewer = 0;

  CPlayerCommandLineInfo cmdInfo;
  std::string error;
  if (!cmdInfo.Parse(args, &error)) {
    std::fprintf(stderr, "vtplayer: %s\n%s", error.c_str(), CommandLineHelp("vtplayer").c_str());
    *exitCode = 2;
    return false;
  }
  if (cmdInfo.m_bHelp) {
    std::fputs(CommandLineHelp("vtplayer").c_str(), stdout);
    return false;
  }

  // Taken right after the second look, before anything else starts, so that two starts at the
  // same moment cannot both run.
  std::string running;
  if (ClaimSingleInstance(&m_playerLink, kSecondLookMs, kHandOverMs, &running) == InstanceStart::kOtherRuns) {
    const std::string requested = cmdInfo.m_bDemo ? (cmdInfo.m_strDemoFolder.empty() ? demo::DefaultDemoFolder()
                                                                                      : cmdInfo.m_strDemoFolder)
                                                  : cmdInfo.m_strDataFolder;
    const std::string notice = OtherInstanceNotice(requested, running);
    if (!notice.empty()) std::fprintf(stderr, "vtplayer: %s\n", notice.c_str());
    return false;
  }

  GError* gstError = nullptr;
  if (!gst_init_check(nullptr, nullptr, &gstError)) {
    if (gstError) g_error_free(gstError);
    // Without owner and without icon (MB_OK).
    ShowQtMessageBox({kMediaInitFailed, kNoWindowTitle, MB_OK, nullptr});
    *exitCode = 1;
    return false;
  }
  m_bMediaReady = true;

  MessageBoxContext boxes;
  boxes.title = [this] { return m_strTitle; };
  boxes.mainWindow = [this]() -> QWidget* { return m_pMainFrame.get(); };
  boxes.textByKey = [this](const char* key, int id) { return GetTextByKey(key, static_cast<uint32_t>(id)); };
  boxes.textById = [this](int id) { return GetText(static_cast<uint32_t>(id)); };
  SetMessageBoxContext(boxes);

  // The code page holds for every text read from here on.
  const std::string codePage = cmdInfo.m_strCodePage.empty()
                                   ? DefaultCodePageForLanguage(LanguageNameFromLocale(SystemMessageLocale()))
                                   : cmdInfo.m_strCodePage;
  if (!SetLegacyCodePage(codePage)) {
    std::fprintf(stderr, "vtplayer: unknown code page %s\n", codePage.c_str());
    *exitCode = 2;
    return false;
  }

  std::string dataOverride = cmdInfo.m_strDataFolder;
  if (cmdInfo.m_bDemo) {
    dataOverride = cmdInfo.m_strDemoFolder.empty() ? demo::DefaultDemoFolder() : cmdInfo.m_strDemoFolder;
    if (!MakeDemoData(dataOverride)) {
      *exitCode = 1;
      return false;
    }
  }
  // Review mode: from here on nothing is written into the data (the demo set above is ours).
  SetReadOnlyData(cmdInfo.m_bReadOnly);
  SetUpPaths(dataOverride);
  m_playerLink.SetOwnerText(m_strDataFolder);
  // Every window of the program, dialogs included, carries the program's icon.
  QApplication::setWindowIcon(QIcon(QString::fromLocal8Bit((m_strProgramFolder + "/" + kProgramIcon).c_str())));
  ProtectDataFolder(m_strDataFolder);
  m_pMainFrame = std::make_unique<CMainFrame>(MakeFrameContext());
  if (!m_pMainFrame->Create()) {
    m_pMainFrame.reset();
    *exitCode = 1;
    return false;
  }
  m_langText.Init(m_strProgramFolder);

  m_strTitle = GetText(TitleIdForEdition(GetEdition()));
  m_pMainFrame->SetCaption(UiText(m_strTitle));
  if (GetEdition() == 3) m_pMainFrame->TrimFileMenu();

  m_pMainFrame->show();

  if (!cmdInfo.IsPassGiven() && m_pMainFrame->GetSettings().m_bHasMask) {
    if (!LoginIfNeeded(m_pMainFrame->GetSettings().m_bHasMask, m_pMainFrame->GetSettings().m_strPassword))
      m_pMainFrame->Post(kMsgClose, 0, 0);
  }
  LoadMainCameras(m_strIniPath, m_bRemoteViewer != 0, m_pMainFrame->GetLeftView());
  return true;
}

int CVantPlayerApp::ExitInstance() {
  if (m_pMainFrame) m_snapshot.Save(m_strIniPath);
  m_pMainFrame.reset();
  if (m_bMediaReady) {
    gst_deinit();
    m_bMediaReady = false;
  }
  return 0;
}

int CVantPlayerApp::GetEdition() const { return m_pMainFrame ? m_pMainFrame->GetEdition() : 0; }

void CVantPlayerApp::GetVersion(std::string* major, std::string* minor) const { m_stamp.GetVersion(major, minor); }

int CVantPlayerApp::GetCurrentCamera() const { return m_pMainFrame ? m_pMainFrame->GetCurrentCamera() : 0; }

int CVantPlayerApp::GetCameraCount() const { return m_pMainFrame ? m_pMainFrame->GetCameraCount() : 0; }

bool CVantPlayerApp::GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const {
  return m_pMainFrame && m_pMainFrame->GetCameraEntry(index, cameraIndex, label, path);
}

bool CVantPlayerApp::GetCurrentCameraPath(std::string* path) const {
  return m_pMainFrame && m_pMainFrame->GetCurrentCameraPath(path);
}

void CVantPlayerApp::SetWindowTitle(const char* a, const char* b) {
  if (m_pMainFrame) m_pMainFrame->SetCaption(QString::fromStdString(FormatWindowTitle(m_strTitle, a, b)));
}

}  // namespace vt
