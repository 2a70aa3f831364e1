// Handlers of the command table: File and Edit (the record database), Playback, View, Help.
#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>

#include "app/app_paths.h"
#include "app/message_box.h"
#include "app/ui_text.h"
#include "frame/main_frame.h"
#include "playback/player_logic.h"
#include "help/help_launcher.h"
#include "recorddb/rdb_texts.h"

namespace vt {

namespace {
constexpr const char* kKeyDeleteAll = "IDS_MSG_DELETE_ALL_RECORD";
constexpr const char* kKeyCloseRecorder = "IDS_MSG_CLOSE_VANTKELVANE";
constexpr const char* kKeyCloseRemote = "IDS_MSG_CLOSE_VANTREMOTE";
constexpr int kPlayCmdPlay = 1, kPlayCmdPause = 2, kPlayCmdStop = 3;
constexpr const char* kRecorderMissedDelete =
    "The recorder program did not take the news of the deletion; the index was saved here";
constexpr const char* kDeleteNotSaved = "The index could not be saved after the deletion";
constexpr const char* kRecorderMissedUpdate =
    "The recorder program did not take the update request; the index was read again here";
}  // namespace

RecorderWindow CMainFrame::FindRecorderWindow() const {
  return m_ctx.pRecorder ? m_ctx.pRecorder->FindRecorder() : RecorderWindow::kNone;
}

void CMainFrame::ReportDeleteNotice(DeleteNotice notice) {
  if (notice == DeleteNotice::kRecorderMissed) SetMessageText(QString::fromLatin1(kRecorderMissedDelete));
  if (notice == DeleteNotice::kNotSaved) SetMessageText(QString::fromLatin1(kDeleteNotSaved));
}

bool CMainFrame::RecorderRunningRefuses() {
  const RecorderWindow w = FindRecorderWindow();
  if (w == RecorderWindow::kRecorder) {
    MessageBoxByKey(kKeyCloseRecorder, IDS_MSG_CLOSE_VANTKELVANE, MB_OK);
    return true;
  }
  if (w == RecorderWindow::kRemoteViewer) {
    MessageBoxByKey(kKeyCloseRemote, IDS_MSG_CLOSE_VANTREMOTE, MB_OK);
    return true;
  }
  return false;
}

void CMainFrame::ReportCopyFailures(const CopyReport& report, bool backup) {
  // Cancelled before anything was chosen: nothing to say.
  if (report.strDestination.empty()) return;
  const std::string status = CopyReportText(report, backup);
  SetMessageText(QString::fromLocal8Bit(status.data(), static_cast<qsizetype>(status.size())));
  if (!report.strRefused.empty()) {
    MessageBoxText(report.strRefused, MB_ICONEXCLAMATION);
    return;
  }
  if (report.nFailed <= 0 && report.nIndexFailed <= 0) return;
  std::string text = CopyReportText(report, backup);
  if (report.nFailed > 0) text += ":\n" + report.strFirstFailed + "\n(" + report.strFirstReason + ")";
  if (report.nFailed > 1) text += "\n...";
  MessageBoxText(text, MB_ICONEXCLAMATION);
}

std::string CMainFrame::CurrentCameraLabel() const {
  ICameraQuery* cameras = m_pLeftPane ? m_pLeftPane->GetCameraQuery() : nullptr;
  if (!cameras) return {};
  const std::vector<CameraEntry> rows = cameras->GetCameras();
  const int current = cameras->GetCurrentCamera();
  return current >= 0 && current < static_cast<int>(rows.size()) ? rows[current].strLabel : std::string();
}

void CMainFrame::OnDatabaseCommand(uint32_t id) {
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  IRecordTree* tree = m_pLeftPane ? m_pLeftPane->GetTree() : nullptr;
  if (!m_pPlayer || !list) return;
  // Keys may arrive before the actions have been disabled.
  if (IsLongWorkRunning()) return;
  switch (id) {
    case ID_OPEN_RECORD_DB: {
      std::string folder = list->m_strOpenFolder;
      if (!PickFolder(folder, false, "")) return;
      list->m_strOpenFolder = folder;
      LoadCamerasFromFolder(folder, m_pLeftPane.get());
      m_bMainDb = 0;
      UpdateTitle();
      SetMessageText(IdleText());
      return;
    }
    case ID_RETURN_MAIN_DB:
      LoadMainCameras(m_ctx.strIniPath, m_ctx.bRemoteViewer != 0, m_pLeftPane.get());
      m_bMainDb = 1;
      UpdateTitle();
      SetMessageText(IdleText());
      return;
    case ID_DELETE_RECORD: {
      // The recorder is looked up before anything is deleted.
      const RecorderWindow recorder = FindRecorderWindow();
      time32 t = 0;
      const int kind = m_pLeftPane->GetSelectionTime(&t);
      if (kind == kSelectionNone) return;
      const bool day = kind == kSelectionDay;
      // Asked once, naming what goes, with No as the default: a second press of Delete must not
      // take the next selection with it.
      if (MessageBoxText(DeleteRecordQuestion(CurrentCameraLabel(), t, day), MB_YESNO | MB_DEFBUTTON2) != IDYES) return;
      m_pPlayer->CloseClip();
      // A day's files go in the background; the tree and the recorder learn of it at the end.
      if (day && StartDelete(list, t, true, recorder)) return;
      const bool removed = list->Delete(t, true, day);
      // Another process had changed the index: the tree shows the reloaded one.
      if (list->ChangeReloadedIndex())
        list->GetDB().FillTree(tree);
      else if (removed)
        m_pLeftPane->DeleteSelectedItem();
      ReportDeleteNotice(
          list->NotifyDeleted(m_ctx.pRecorder, recorder, day ? kMsgDayDeleted : kMsgRecordDeleted, t, m_nCurrentCamera));
      return;
    }
    case ID_DELETE_ALL: {
      const std::string question =
          DeleteAllQuestion(MessageTextByKey(kKeyDeleteAll, IDS_MSG_DELETE_ALL_RECORD), CurrentCameraLabel());
      if (MessageBoxText(question, MB_YESNO | MB_DEFBUTTON2) != IDYES) return;
      const RecorderWindow recorder = FindRecorderWindow();
      m_pPlayer->CloseClip();
      if (StartDelete(list, 0, false, recorder)) return;
      list->DeleteAll(true, tree);
      ReportDeleteNotice(list->NotifyDeleted(m_ctx.pRecorder, recorder, kMsgAllDeleted, 0, m_nCurrentCamera));
      return;
    }
    case ID_SAVE_RECORD_TO: {
      time32 t = 0;
      const int kind = m_pLeftPane->GetSelectionTime(&t);
      if (kind == kSelectionNone) return;
      StartSaveRecords(list, t, kind == kSelectionDay);
      return;
    }
    case ID_BACKUP_DB:
      StartBackup(list);
      return;
    case ID_UPDATE_DB: {
      bool recorderMissed = false;
      if (m_bMainDb && FindRecorderWindow() != RecorderWindow::kNone) {
        // The recorder writes the index and answers with the index-updated message.
        if (m_ctx.pRecorder->Post(kMsgUpdateRequest, 0, 0)) return;
        recorderMissed = true;
      }
      BusyCursor(true);
      list->Update(tree);
      BusyCursor(false);
      if (recorderMissed) SetMessageText(QString::fromLatin1(kRecorderMissedUpdate));
      return;
    }
    case ID_REBUILD_DB: {
      if (RecorderRunningRefuses()) return;
      const std::string question = FormatTextInt(Text(IDS_MSG_REBUILD_CONFIRM), m_nCurrentCamera + 1);
      if (MessageBoxText(question, MB_YESNO) != IDYES) return;
      m_pPlayer->Target()->Send(kMsgOpenRecord, 0, 0);
      StartRebuild(list);
      return;
    }
    default:
      return;
  }
}

void CMainFrame::OnPlaybackCommand(uint32_t id) {
  if (!m_pPlayer) return;
  if (id >= ID_SPEED_1_16 && id <= ID_SPEED_16) {
    m_pPlayer->OnSpeedCommand(id);
    return;
  }
  switch (id) {
    case ID_PLAY: m_pPlayer->PlaybackCommand(kPlayCmdPlay); break;
    case ID_PAUSE: m_pPlayer->PlaybackCommand(kPlayCmdPause); break;
    case ID_STOP: m_pPlayer->PlaybackCommand(kPlayCmdStop); break;
    case ID_FORWARD: m_pPlayer->Forward(); break;
    case ID_BACKWARD: m_pPlayer->Backward(); break;
    case ID_SNAPSHOT: m_pPlayer->Snapshot(); break;
    case ID_ZOOM: m_pPlayer->ApplyZoom(0); break;
    case ID_MUTE: m_pPlayer->ToggleMute(); break;
    case ID_PREV_FRAME: m_pPlayer->PrevFrame(); break;
    case ID_NEXT_FRAME: m_pPlayer->NextFrame(); break;
    case ID_AUTO_PLAY: m_settings.m_bAutoPlay = m_pPlayer->ToggleAutoPlay(); break;
    case ID_SPEED_DOWN: m_pPlayer->OnSpeedCommand(SpeedStepCommand(m_pPlayer->GetRate(), -1)); break;
    case ID_SPEED_UP: m_pPlayer->OnSpeedCommand(SpeedStepCommand(m_pPlayer->GetRate(), +1)); break;
    default: break;
  }
}

void CMainFrame::OnAppExit(uint32_t) { close(); }

void CMainFrame::OnViewBar(uint32_t id) {
  if (id == ID_VIEW_TOOLBAR && m_pToolBar) m_pToolBar->setVisible(m_pToolBar->isHidden());
  if (id == ID_VIEW_STATUS_BAR) statusBar()->setVisible(statusBar()->isHidden());
  FitToVideo();
}

void CMainFrame::OnHelp(uint32_t) {
  if (!m_pHelp) {
    const QString title = UiText(Text(TitleIdForEdition(m_ctx.nEdition))) + QStringLiteral(" - Help");
    m_pHelp = std::make_unique<CHelpLauncher>(
        title, [] { MessageBoxById(IDS_MSG_NO_PDF_READER, MB_ICONEXCLAMATION); }, this);
  }
  m_pHelp->Open(ManualInProgramFolder(QString::fromLocal8Bit(m_ctx.strProgramFolder.c_str())));
}

void CMainFrame::OnAbout(uint32_t) {
  if (m_ctx.showAbout) m_ctx.showAbout();
}

}  // namespace vt
