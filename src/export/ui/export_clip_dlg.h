// File > Export Clip...: the span of the current camera to export and the file to write, then
// the export itself on a worker thread with its progress and a Cancel button, and what came of
// it. The work is RunClipExport, as vtexport does it.
#pragma once

#include <QDialog>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include "export/export_job.h"
#include "export/gst/clip_export.h"
#include "longwork/worker_thread.h"

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vt {

class CRecordDB;

struct ExportClipSetup {
  std::string dataFolder;
  ExportCamera camera;
  CRecordDB* db = nullptr;  // the camera's open database; read on the GUI thread only
  WallInterval span;        // proposed span
  std::string folder;       // proposed destination folder
};

class CExportClipDlg : public QDialog {
  Q_OBJECT

 public:
  CExportClipDlg(ExportClipSetup setup, QWidget* parent = nullptr);
  // Cancels a running export and waits for it.
  ~CExportClipDlg() override;

  // Asked before an existing clip or manifest is replaced: true = replace.
  using Confirm = std::function<bool(QWidget* parent, const QString& question)>;
  void SetConfirm(Confirm confirm) { m_confirm = std::move(confirm); }
  // The save-file chooser behind Browse...; an empty result keeps the name.
  using FileChooser = std::function<QString(QWidget* parent, const QString& initial)>;
  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

  QDateTimeEdit* FromEdit() const { return m_pFrom; }
  QDateTimeEdit* ToEdit() const { return m_pTo; }
  QLineEdit* FileEdit() const { return m_pFile; }
  QPushButton* ExportButton() const { return m_pExport; }
  QPushButton* CloseButton() const { return m_pClose; }
  QProgressBar* Progress() const { return m_pProgress; }
  QLabel* StatusLabel() const { return m_pStatus; }
  bool IsRunning() const { return m_worker.IsRunning(); }
  const ExportOutcome& Outcome() const { return m_outcome; }

  void OnExport();
  void OnBrowse();
  // Cancel while an export runs, else close.
  void OnClose();

 protected:
  void reject() override;

 private:
  void Poll();
  void Finish();
  void SetInputsEnabled(bool on);

  ExportClipSetup m_setup;
  Confirm m_confirm;
  FileChooser m_chooseFile;
  QDateTimeEdit* m_pFrom = nullptr;
  QDateTimeEdit* m_pTo = nullptr;
  QLineEdit* m_pFile = nullptr;
  QPushButton* m_pBrowse = nullptr;
  QPushButton* m_pExport = nullptr;
  QPushButton* m_pClose = nullptr;
  QProgressBar* m_pProgress = nullptr;
  QLabel* m_pStatus = nullptr;
  QTimer* m_pTimer = nullptr;

  std::atomic<bool> m_cancel{false};
  std::mutex m_mutex;  // guards m_progress (written by the worker)
  ExportProgress m_progress;
  ExportOutcome m_outcome;  // written by the worker before it is done
  std::string m_strEdgeNote;  // how a time the clocks show twice was taken, for the status
  CWorkerThread m_worker;   // last: joined before the members it writes go
};

// What the dialog shows when the export has ended.
std::string ExportOutcomeText(const ExportOutcome& outcome);

}  // namespace vt
