// The main window's part in reviewing footage: the day timeline docked under the panes, Go to
// Time and playing across recordings, all carried out by the review navigator.
#include <QAction>
#include <QDockWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/user_prefs.h"
#include "display/full_screen.h"
#include "frame/main_frame.h"
#include "res/gen/res_images.h"
#include "timeline/day_timeline.h"
#include "timeline/review_navigator.h"

namespace vt {

void CMainFrame::BuildReview() {
  m_pReview = new CReviewNavigator(this, m_pLeftPane.get(), m_pPlayer);
  m_pFullScreen = new CFullScreen(
      this,
      [this] {
        return std::vector<QWidget*>{menuBar(), m_pToolBar, statusBar(), m_pLeftPane ? m_pLeftPane->Widget() : nullptr,
                                     m_pReview->TimelineDock()};
      },
      [this](bool on) {
        if (m_pView) m_pView->SetFullScreen(on);
      });
  ShowMuteState();
  m_bNewestFirst = ReadUserFlag(kPrefNewestDaysFirst, kPrefNewestDaysFirstDefault);
  if (m_pLeftPane) m_pLeftPane->SetNewestDaysFirst(m_bNewestFirst);
}

// The Mute button is pressed while muted; it shows the crossed-out speaker of the strip then and
// a speaker giving sound otherwise.
void CMainFrame::ShowMuteState() {
  QAction* mute = GetAction(ID_MUTE);
  if (!mute || mute->icon().isNull() || !m_pToolBar) return;
  const QSize size = m_pToolBar->iconSize();
  const QPixmap soundOn = QPixmap::fromImage(
      DrawToolbarImage(kTbSoundOn).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  QIcon icon;
  icon.addPixmap(mute->icon().pixmap(size), QIcon::Normal, QIcon::On);
  icon.addPixmap(soundOn, QIcon::Normal, QIcon::Off);
  mute->setIcon(icon);
}

void CMainFrame::FillReviewState(CommandState* s) const {
  if (!m_pReview) return;
  s->bTimelineShown = m_pReview->IsTimelineShown();
  s->bPlayAcross = m_pReview->PlayAcross();
  s->bFullScreen = m_pFullScreen && m_pFullScreen->IsOn();
  s->bNewestFirst = m_bNewestFirst;
}

void CMainFrame::OnReviewCommand(uint32_t id) {
  if (!m_pReview) return;
  switch (id) {
    case ID_VIEW_DAY_TIMELINE:
      m_pReview->ShowTimeline(!m_pReview->IsTimelineShown());
      FitToVideo();
      return;
    case ID_VIEW_NEWEST_FIRST:
      m_bNewestFirst = !m_bNewestFirst;
      WriteUserFlag(kPrefNewestDaysFirst, m_bNewestFirst);
      if (m_pLeftPane) m_pLeftPane->SetNewestDaysFirst(m_bNewestFirst);
      return;
    case ID_PLAY_ACROSS:
      m_pReview->SetPlayAcross(!m_pReview->PlayAcross());
      return;
    case ID_VIEW_FULL_SCREEN:
      if (m_pFullScreen) m_pFullScreen->Set(!m_pFullScreen->IsOn());
      return;
    case ID_GOTO_TIME:
      m_pReview->RunGoToDialog(this);
      return;
    default:
      return;
  }
}

}  // namespace vt
