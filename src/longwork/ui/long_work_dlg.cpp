#include "longwork/ui/long_work_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vt {

namespace {
constexpr int kPollMs = 100;
constexpr int kBarScale = 1000;
constexpr int kTextWidth = 420;
}  // namespace

CLongWorkDlg::CLongWorkDlg(const QString& title, IMessageTarget* statusTarget, QWidget* parent)
    : QDialog(parent), m_pControl(std::make_unique<CWorkControl>(statusTarget)) {
  setWindowTitle(title);
  setModal(false);
  m_pPhase = new QLabel(title);
  m_pText = new QLabel(QStringLiteral(" "));
  m_pText->setMinimumWidth(kTextWidth);
  m_pBar = new QProgressBar;
  m_pBar->setRange(0, 0);
  m_pCancel = new QPushButton(QStringLiteral("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_pCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pPhase);
  layout->addWidget(m_pBar);
  layout->addWidget(m_pText);
  layout->addLayout(buttons);
  m_pTimer = new QTimer(this);
  m_pTimer->setInterval(kPollMs);
  connect(m_pTimer, &QTimer::timeout, this, [this] { Poll(); });
  connect(m_pCancel, &QPushButton::clicked, this, [this] { Cancel(); });
}

CLongWorkDlg::~CLongWorkDlg() {
  m_pControl->Cancel();
  m_worker.Join();
}

void CLongWorkDlg::Start(Work work, Finished finished) {
  if (IsRunning()) return;
  m_finished = std::move(finished);
  CWorkControl* control = m_pControl.get();
  m_worker.Start([control, work = std::move(work)] { work(*control); });
  m_pTimer->start();
  show();
}

void CLongWorkDlg::Cancel() {
  if (!IsRunning()) return;
  m_pControl->Cancel();
  m_pCancel->setEnabled(false);
  m_pPhase->setText(QStringLiteral("Cancelling..."));
}

void CLongWorkDlg::reject() { Cancel(); }

void CLongWorkDlg::CancelAndWait() {
  if (!IsRunning()) return;
  m_pControl->Cancel();
  End();
}

void CLongWorkDlg::End() {
  m_pTimer->stop();
  m_worker.Join();
  Finished finished = std::move(m_finished);
  m_finished = nullptr;
  if (finished) finished(m_pControl->IsCancelled());
  hide();
  deleteLater();
}

void CLongWorkDlg::Poll() {
  const WorkProgress p = m_pControl->Progress();
  if (!m_pControl->IsCancelled()) {
    const std::string phase = m_pControl->Phase();
    if (!phase.empty()) m_pPhase->setText(QString::fromStdString(phase));
  }
  const int pos = WorkProgressPosition(p, kBarScale);
  if (pos < 0) {
    m_pBar->setRange(0, 0);
  } else {
    m_pBar->setRange(0, kBarScale);
    m_pBar->setValue(pos);
  }
  m_pText->setText(QString::fromStdString(FormatWorkProgress(p)));
  if (m_worker.IsDone()) End();
}

}  // namespace vt
