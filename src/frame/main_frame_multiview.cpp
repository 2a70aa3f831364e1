// The main window's part in showing cameras side by side: the command that opens the grid
// window, and the single view at the moment of a tile the user double-clicked there.
#include <QTimer>

#include <cmath>

#include "frame/main_frame.h"
#include "multiview/common_clock.h"
#include "multiview/grid_window.h"
#include "platform/local_time.h"
#include "playback/player_core.h"
#include "timeline/review_navigator.h"

namespace vt {

void CMainFrame::FillMultiViewState(CommandState* s) const {
  s->bHasCameras = GetCameraCount() > 0;
  s->bGridShown = m_pGridWindow && m_pGridWindow->isVisible();
}

void CMainFrame::DeleteMultiView() {
  delete m_pGridWindow;
  m_pGridWindow = nullptr;
}

void CMainFrame::OnMultiViewCommand(uint32_t id) {
  if (id != ID_VIEW_SIDE_BY_SIDE) return;
  if (m_pGridWindow && m_pGridWindow->isVisible()) {
    m_pGridWindow->close();
    return;
  }
  if (!m_pGridWindow) {
    GridWindowContext ctx;
    ctx.cameras = [this] {
      ICameraQuery* q = m_pLeftPane ? m_pLeftPane->GetCameraQuery() : nullptr;
      return q ? q->GetCameras() : std::vector<CameraEntry>();
    };
    ctx.startTime = [this]() -> std::optional<int64_t> {
      if (m_pPlayer && m_pPlayer->IsOpen())
        if (const std::optional<double> shown = m_pPlayer->ShownTime())
          return std::llround(*shown * static_cast<double>(kTicksPerSecond));
      time32 t = 0;
      if (m_pLeftPane && m_pLeftPane->GetSelectionTime(&t) != kSelectionNone) return TicksOf(t);
      return std::nullopt;
    };
    ctx.showInSingleView = [this](const CameraEntry& camera, int64_t t) { ShowMoment(camera, t); };
    ctx.pSnapshot = m_ctx.pSnapshot;
    m_pGridWindow = new CGridWindow(std::move(ctx), this);
  } else {
    m_pGridWindow->RefreshCameras();
  }
  // One picture playing at a time is enough for the machine.
  if (m_pPlayer && m_pPlayer->IsOpen()) m_pPlayer->PlaybackCommand(kCmdPause);
  m_pGridWindow->show();
  m_pGridWindow->raise();
  m_pGridWindow->activateWindow();
}

void CMainFrame::ShowMoment(const CameraEntry& camera, int64_t t) {
  ICameraQuery* q = m_pLeftPane ? m_pLeftPane->GetCameraQuery() : nullptr;
  if (!q || !m_pReview) return;
  const std::vector<CameraEntry> cams = q->GetCameras();
  int entry = -1;
  for (size_t i = 0; i < cams.size(); ++i)
    if (cams[i].strFolder == camera.strFolder) entry = static_cast<int>(i);
  if (entry < 0) return;
  auto open = [this, camera, t] {
    const std::vector<TimelineSpan>& seq = m_pReview->Sequence();
    const int r = RecordingAt(seq, t);
    if (r >= 0) {
      m_pReview->OpenAt(r, t - TicksOf(seq[static_cast<size_t>(r)].tStart), JumpMode::kPause);
    } else {
      SetMessageText(QStringLiteral("%1 has no recording at %2")
                         .arg(QString::fromLocal8Bit(camera.strLabel.c_str()),
                              QString::fromStdString(FormatLocalTime(SecondsOf(t), "%Y-%m-%d %H:%M:%S"))));
    }
    raise();
    activateWindow();
  };
  if (q->GetCurrentCamera() == entry) {
    open();
    return;
  }
  // Choosing the camera posts the open-camera message, whose handling in turn posts the
  // Player's close: the moment is shown after both.
  m_pLeftPane->SelectCamera(entry);
  QMetaObject::invokeMethod(
      this, [this, open] { QMetaObject::invokeMethod(this, open, Qt::QueuedConnection); }, Qt::QueuedConnection);
}

}  // namespace vt
