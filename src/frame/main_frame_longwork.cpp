// The main window's long work on the record databases: Backup Record DB, Save Record to,
// Rebuild Record DB and deleting a day or all records run on a worker with a progress dialog
// while the window stays in use; the commands that would change a database wait until the work
// has ended.
#include <QCoreApplication>

#include "frame/main_frame.h"
#include "longwork/record_jobs.h"
#include "longwork/ui/long_work_dlg.h"

namespace vt {

namespace {
constexpr const char* kTitleBackup = "Backup Record DB";
constexpr const char* kTitleSave = "Save Record to";
constexpr const char* kTitleRebuild = "Rebuild Record DB";
constexpr const char* kTitleDelete = "Delete Records";
constexpr const char* kCancelledDelete = "Cancelled; the other records are kept";
constexpr const char* kCancelledCopy = "Cancelled; the finished copies are kept";
constexpr const char* kCancelledRebuild = "Cancelled; the index is unchanged";
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
  // The work posts to this window and its end updates the panes: both happen before they go.
  if (m_pLongWork) m_pLongWork->CancelAndWait();
  delete m_pLongWork;
  m_pLongWork = nullptr;
}

void CMainFrame::StartBackup(CRecordList* list) {
  auto job = std::make_shared<BackupJob>();
  CopyReport refusal;
  if (!PlanBackup(*list, job.get(), &refusal)) {
    ReportCopyFailures(refusal, true);
    return;
  }
  auto result = std::make_shared<RecordJobResult>();
  StartLongWork(
      kTitleBackup, [job, result](CWorkControl& control) { *result = RunBackup(*job, control); },
      [this, result](bool cancelled) { FinishCopy(*result, cancelled, true); });
}

void CMainFrame::StartSaveRecords(CRecordList* list, time32 t, bool day) {
  auto job = std::make_shared<SaveRecordsJob>();
  CopyReport refusal;
  if (!PlanSaveRecords(*list, t, day, m_nCurrentCamera, job.get(), &refusal)) {
    ReportCopyFailures(refusal, false);
    return;
  }
  auto result = std::make_shared<RecordJobResult>();
  StartLongWork(
      kTitleSave, [job, result](CWorkControl& control) { *result = RunSaveRecords(*job, control); },
      [this, result](bool cancelled) { FinishCopy(*result, cancelled, false); });
}

void CMainFrame::FinishCopy(const RecordJobResult& result, bool cancelled, bool backup) {
  if (cancelled) {
    SetMessageText(QString::fromLatin1(kCancelledCopy));
    return;
  }
  ReportCopyFailures(result.report, backup);
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

bool CMainFrame::StartDelete(CRecordList* list, time32 t, bool day, RecorderWindow recorder) {
  // Planned under the lock: the index may have been reloaded with another process's change.
  if (!list->BeginFileDeletion()) return false;
  auto items = std::make_shared<std::vector<DeleteItem>>(PlanDelete(list->GetDB(), t, day));
  if (items->empty()) {
    list->EndFileDeletion();
    return false;
  }
  const std::string folder = list->GetCameraFolder();
  const int camera = m_nCurrentCamera;
  auto done = std::make_shared<size_t>(0);
  StartLongWork(
      kTitleDelete, [items, done](CWorkControl& control) { *done = RunDelete(*items, control); },
      [=, this](bool) { FinishDelete(folder, camera, t, day, *items, *done, recorder); });
  return true;
}

// The index loses the records whose files were dealt with: all of them (the day, or everything)
// when the work ran to its end, else the first done. The recorder is told as after a deletion
// on the spot; a cancelled deletion tells it record by record.
void CMainFrame::FinishDelete(const std::string& folder, int camera, time32 t, bool day,
                              const std::vector<DeleteItem>& items, size_t done, RecorderWindow recorder) {
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  IRecordTree* tree = m_pLeftPane ? m_pLeftPane->GetTree() : nullptr;
  // Another camera is shown by now: its own list takes the change (and writes it when it goes).
  std::unique_ptr<CRecordList> other;
  if (!list || list->GetCameraFolder() != folder) {
    other = std::make_unique<CRecordList>();
    if (!other->OpenCamera(folder, nullptr) || !other->LastOpenSucceeded()) return;
    list = other.get();
    tree = nullptr;
  }
  const bool complete = done == items.size();
  if (complete) {
    if (day)
      list->GetDB().RemoveDay(t, false);
    else
      list->DeleteAll(true, tree);
    if (day && tree) list->GetDB().FillTree(tree);
    ReportDeleteNotice(
        list->NotifyDeleted(m_ctx.pRecorder, recorder, day ? kMsgDayDeleted : kMsgAllDeleted, day ? t : 0, camera));
    return;
  }
  for (size_t i = 0; i < done; ++i) list->GetDB().RemoveRecord(items[i].tStart, false);
  if (tree) list->GetDB().FillTree(tree);
  // Nothing done: the index stays as it was and the lock goes.
  if (done == 0) list->EndFileDeletion();
  if (done > 0 && recorder != RecorderWindow::kNone) {
    for (size_t i = 0; i < done; ++i)
      ReportDeleteNotice(list->NotifyDeleted(m_ctx.pRecorder, recorder, kMsgRecordDeleted, items[i].tStart, camera));
  } else if (done > 0) {
    ReportDeleteNotice(list->NotifyDeleted(nullptr, RecorderWindow::kNone, kMsgRecordDeleted, 0, camera));
  }
  SetMessageText(QString::fromLatin1(kCancelledDelete));
}

}  // namespace vt
