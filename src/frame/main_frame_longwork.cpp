// The main window's long work on the record databases: Backup Record DB, Save Record to and
// Rebuild Record DB run on a worker with a progress dialog while the window stays in use; the
// commands that would change a database wait until the work has ended.
#include <QCoreApplication>
#include <QStatusBar>

#include "app/message_box.h"
#include "frame/main_frame.h"
#include "longwork/record_jobs.h"
#include "longwork/ui/long_work_dlg.h"

namespace vt {

namespace {
constexpr const char* kTitleBackup = "Backup Record DB";
constexpr const char* kTitleSave = "Save Record to";
constexpr const char* kTitleRebuild = "Rebuild Record DB";
constexpr const char* kCancelledCopy = "Cancelled: the files copied so far are complete and listed";
constexpr const char* kCancelledRebuild = "Cancelled: the index was left as it was";
constexpr const char* kRebuildFailed = "The rebuilt index could not be saved";
}  // namespace

bool CMainFrame::IsLongWorkRunning() const { return m_pLongWork != nullptr; }

CLongWorkDlg* CMainFrame::StartLongWork(const char* title, CLongWorkDlg::Work work,
                                        CLongWorkDlg::Finished finished) {
  if (m_pLongWork) return nullptr;
  m_pLongWork = new CLongWorkDlg(QString::fromLatin1(title), this, this);
  connect(m_pLongWork, &QObject::destroyed, this, [this] {
    m_pLongWork = nullptr;
    UpdateCommandUi();
  });
  m_pLongWork->Start(std::move(work), [this, finished = std::move(finished)](bool cancelled) {
    // The status-bar texts the work posted come first; what the end says follows them.
    QCoreApplication::sendPostedEvents(this, CMessageEvent::EventType());
    finished(cancelled);
  });
  UpdateCommandUi();
  return m_pLongWork;
}

void CMainFrame::StopLongWork() {
  // The work posts to this window: it must have ended before the window goes.
  delete m_pLongWork;
  m_pLongWork = nullptr;
}

void CMainFrame::StartBackup(CRecordList* list) {
  auto job = std::make_shared<BackupJob>();
  if (!PlanBackup(*list, job.get())) return;
  auto result = std::make_shared<RecordJobResult>();
  StartLongWork(
      kTitleBackup, [job, result](CWorkControl& control) { *result = RunBackup(*job, control); },
      [this, result](bool cancelled) { FinishCopy(*result, cancelled); });
}

void CMainFrame::StartSaveRecords(CRecordList* list, time32 t, bool day) {
  auto job = std::make_shared<SaveRecordsJob>();
  if (!PlanSaveRecords(*list, t, day, m_nCurrentCamera, job.get())) return;
  auto result = std::make_shared<RecordJobResult>();
  StartLongWork(
      kTitleSave, [job, result](CWorkControl& control) { *result = RunSaveRecords(*job, control); },
      [this, result](bool cancelled) { FinishCopy(*result, cancelled); });
}

void CMainFrame::FinishCopy(const RecordJobResult& result, bool cancelled) {
  if (cancelled) SetMessageText(QString::fromLatin1(kCancelledCopy));
  ReportCopyFailures(result.report);
}

void CMainFrame::StartRebuild(CRecordList* list) {
  const std::string folder = list->GetCameraFolder();
  auto saved = std::make_shared<bool>(false);
  StartLongWork(
      kTitleRebuild, [folder, saved](CWorkControl& control) { *saved = RunRebuild(folder, control); },
      [this, folder, saved](bool cancelled) {
        if (cancelled) {
          SetMessageText(QString::fromLatin1(kCancelledRebuild));
          return;
        }
        if (!*saved) SetMessageText(QString::fromLatin1(kRebuildFailed));
        // The tree shows the new index when its camera is still the one shown.
        CRecordList* now = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
        if (*saved && now && now->GetCameraFolder() == folder) now->Update(m_pLeftPane->GetTree());
      });
}

}  // namespace vt
