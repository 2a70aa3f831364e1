// The progress dialog of long work on the record databases: what is being done, files and bytes
// done of the total, speed, time left, and Cancel. The work runs on a worker thread; the dialog
// is not modal, so the window behind it stays in use. It deletes itself when the work has ended
// and its end has been handled.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "longwork/work_control.h"
#include "longwork/worker_thread.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vt {

class CLongWorkDlg : public QDialog {
  Q_OBJECT

 public:
  using Work = std::function<void(CWorkControl& control)>;
  // On the GUI thread once the work has returned; cancelled tells whether Cancel was asked.
  using Finished = std::function<void(bool cancelled)>;

  // statusTarget: where the status-bar progress messages are posted (may be null).
  CLongWorkDlg(const QString& title, IMessageTarget* statusTarget, QWidget* parent);
  // Cancels the work and waits for it; Finished is not called then.
  ~CLongWorkDlg() override;

  void Start(Work work, Finished finished);
  void Cancel();
  // Cancels, waits for the work and handles its end at once (the window is closing).
  void CancelAndWait();
  bool IsRunning() const { return m_worker.IsRunning(); }
  CWorkControl& Control() { return *m_pControl; }

  QLabel* PhaseLabel() const { return m_pPhase; }
  QLabel* ProgressLabel() const { return m_pText; }
  QProgressBar* Bar() const { return m_pBar; }
  QPushButton* CancelButton() const { return m_pCancel; }

 protected:
  // Escape and the close button cancel; the dialog goes when the work has ended.
  void reject() override;

 private:
  void Poll();
  void End();

  std::unique_ptr<CWorkControl> m_pControl;
  CWorkerThread m_worker;
  Finished m_finished;
  QLabel* m_pPhase = nullptr;
  QLabel* m_pText = nullptr;
  QProgressBar* m_pBar = nullptr;
  QPushButton* m_pCancel = nullptr;
  QTimer* m_pTimer = nullptr;
};

}  // namespace vt
