#include "help/help_launcher.h"

#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include "help/help_window.h"

namespace vt {
namespace {
constexpr int kPollMs = 50;
}

HelpSources ManualInProgramFolder(const QString& programFolder) {
  HelpSources s;
  s.pdf = programFolder + QLatin1Char('/') + QLatin1String(kManualPdf);
  s.markdown = programFolder + QLatin1Char('/') + QLatin1String(kManualSource);
  return s;
}

CHelpLauncher::CHelpLauncher(QString title, std::function<void()> noViewer, QWidget* owner)
    : m_strTitle(std::move(title)), m_noViewer(std::move(noViewer)), m_pOwner(owner) {
  m_pPoll = new QTimer(this);
  m_pPoll->setInterval(kPollMs);
  connect(m_pPoll, &QTimer::timeout, this, [this] { OnPoll(); });
}

CHelpLauncher::~CHelpLauncher() = default;

bool CHelpLauncher::Waiting() const { return m_pPoll->isActive(); }

void CHelpLauncher::Open(const HelpSources& sources) {
  if (Waiting()) return;  // the last request is still being answered
  m_sources = sources;
  // The window already made is simply brought back.
  if (m_pWindow) {
    ShowBuiltIn();
    return;
  }
  m_pOpener = std::make_unique<CExternalOpener>();
  if (!QFileInfo(sources.pdf).isFile() ||
      !m_pOpener->Start(sources.opener, sources.pdf.toLocal8Bit().toStdString(), sources.graceMs)) {
    ShowBuiltIn();
    return;
  }
  m_pPoll->start();
}

void CHelpLauncher::OnPoll() {
  const OpenerState state = m_pOpener ? m_pOpener->Poll() : OpenerState::kFailed;
  if (state == OpenerState::kRunning) return;
  m_pPoll->stop();
  if (state == OpenerState::kFailed) ShowBuiltIn();
}

void CHelpLauncher::ShowBuiltIn() {
  if (!m_pWindow) {
    auto window = std::make_unique<CHelpWindow>(m_strTitle, nullptr);
    if (!window->LoadManual(m_sources.markdown)) {
      if (m_noViewer) m_noViewer();
      return;
    }
    m_pWindow = std::move(window);
    if (m_pOwner) m_pWindow->setWindowIcon(m_pOwner->windowIcon());
  }
  m_pWindow->show();
  m_pWindow->raise();
  m_pWindow->activateWindow();
}

}  // namespace vt
