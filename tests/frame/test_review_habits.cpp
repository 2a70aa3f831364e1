// Habits of media players in the main window with the real Player: the Play button shows what a
// click on it does, the Mute button shows muted and unmuted differently, the tree can list the
// newest days first (remembered) without disturbing the playback.
#include "timeline/review_fixture.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

#include "playback/player_core.h"
#include "skin/button_bar.h"
#include "skin/skin_button.h"

namespace vt::test {
namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new ReviewEnvironment);

class Habits : public ReviewFixture {
 protected:
  QImage Look(QWidget* w) {
    Pump(20);
    return w->grab().toImage();
  }
  std::vector<std::string> Days() {
    std::vector<std::string> days;
    CRecordTreeModel* m = tree_->GetModel();
    for (int r = 0; r < m->rowCount(); ++r) days.push_back(m->ItemText(m->index(r, 0)));
    return days;
  }
};

TEST_F(Habits, ThePlayButtonShowsPauseWhilePlaying) {
  Start();
  CSkinButton* play = player_->ButtonBar()->Button(kButtonPlay);
  CSkinButton* pause = player_->ButtonBar()->Button(kButtonPause);
  ASSERT_TRUE(play && pause);
  const QImage playLook = Look(play);
  const std::string playPrompt = play->GetPrompt();
  ASSERT_NE(playLook, Look(pause));
  ASSERT_TRUE(nav_->OpenAt(2, 0, JumpMode::kPlay));
  ASSERT_EQ(player_->Core().GetPlayState(), kPsRunning);
  // A click now pauses: the button shows the Pause picture and says so.
  EXPECT_EQ(Look(play), Look(pause));
  EXPECT_EQ(play->GetPrompt(), pause->GetPrompt());
  QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(play->width() / 2, play->height() / 2));
  ASSERT_TRUE(WaitFor([&] { return player_->Core().GetPlayState() != kPsRunning; }));
  QTest::mouseMove(frame_.get(), QPoint(1, 1));  // off the button: its normal look
  EXPECT_TRUE(WaitFor([&] { return Look(play) == playLook; }));
  EXPECT_EQ(play->GetPrompt(), playPrompt);
  // The end of the record (stopped and rewound) leaves it showing Play as well.
  player_->PlaybackCommand(kCmdPlay);
  EXPECT_EQ(Look(play), Look(pause));
  EXPECT_TRUE(WaitFor([&] { return player_->Core().GetPlayState() != kPsRunning; }, 8000));
  EXPECT_EQ(Look(play), playLook);
}

TEST_F(Habits, TheMuteButtonLooksDifferentMutedAndUnmuted) {
  Start();
  QAction* mute = frame_->GetAction(ID_MUTE);
  auto* button = qobject_cast<QToolButton*>(frame_->GetToolBar()->widgetForAction(mute));
  ASSERT_NE(button, nullptr);
  const QSize size = frame_->GetToolBar()->iconSize();
  const QImage muted = mute->icon().pixmap(size, QIcon::Normal, QIcon::On).toImage();
  const QImage unmuted = mute->icon().pixmap(size, QIcon::Normal, QIcon::Off).toImage();
  EXPECT_FALSE(muted.isNull());
  EXPECT_NE(muted, unmuted);
  // The button follows the command's check mark (muted): pressed, with the crossed-out speaker.
  mute->setEnabled(true);
  mute->setChecked(false);
  const QImage off = Look(button);
  mute->setChecked(true);
  EXPECT_TRUE(button->isChecked());
  EXPECT_NE(Look(button), off);
}

TEST_F(Habits, NewestDaysFirstKeepsTheSelectionAndThePlaybackAndIsRemembered) {
  Start();
  EXPECT_EQ(Days(), (std::vector<std::string>{"2024-05-10", "2024-05-11"}));
  EXPECT_FALSE(frame_->GetAction(ID_VIEW_NEWEST_FIRST)->isChecked());
  ASSERT_TRUE(nav_->OpenAt(1, 0, JumpMode::kPause));
  frame_->RunCommand(ID_VIEW_NEWEST_FIRST);
  Pump(100);
  EXPECT_EQ(Days(), (std::vector<std::string>{"2024-05-11", "2024-05-10"}));
  EXPECT_TRUE(frame_->GetAction(ID_VIEW_NEWEST_FIRST)->isChecked());
  EXPECT_TRUE(player_->IsOpen());
  EXPECT_EQ(SelectedRecord(), "2024-05-10 10:00:02");
  EXPECT_TRUE(tree_->isExpanded(tree_->FindItem("2024-05-10")));
  // The records of a day stay in time order.
  const QModelIndex day = tree_->FindItem("2024-05-10");
  EXPECT_EQ(tree_->GetModel()->ItemText(tree_->GetModel()->index(0, 0, day)), "10:00:00");
  // Filled again (another camera, an update): still newest first; and after a restart.
  frame_->RunCommand(ID_UPDATE_DB);
  Pump(100);
  EXPECT_EQ(Days(), (std::vector<std::string>{"2024-05-11", "2024-05-10"}));
  frame_.reset();
  Start();
  EXPECT_EQ(Days(), (std::vector<std::string>{"2024-05-11", "2024-05-10"}));
  EXPECT_TRUE(frame_->GetAction(ID_VIEW_NEWEST_FIRST)->isChecked());
}

}  // namespace
}  // namespace vt::test
