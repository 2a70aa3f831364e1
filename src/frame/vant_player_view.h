// The right pane: hosts the Player window 10 pixels in from its left and top edges and paints
// the margin around it grey.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "frame/player_window_iface.h"

namespace vt {

inline constexpr QRgb kViewMarginColour = 0xFF808080;  // RGB(128, 128, 128)

// The four grey bands around the Player rectangle inside the client rectangle, empty ones left
// out.
std::vector<QRect> MarginBands(const QRect& client, const QRect& player);

class CVantPlayerView : public QWidget {
 public:
  // makePlayer builds the Player window as a child of the view (null: the empty Player area).
  using PlayerFactory = std::function<IPlayerWindow*(QWidget* parent)>;
  explicit CVantPlayerView(QWidget* parent, PlayerFactory makePlayer = {});
  ~CVantPlayerView() override;

  // Gives the Player its paths; a Player that cannot make its window is replaced by the empty
  // Player area (GetPlayer changes).
  void Init(const std::string& iniPath, const std::string& programFolder);
  IPlayerWindow* GetPlayer() const { return m_pPlayer; }
  // Closes an open record before the view and its Player go.
  void ClosePlayer();
  // Full screen: no margin; the Player fills the view.
  void SetFullScreen(bool on);
  bool IsFullScreen() const { return m_nMargin == 0; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void GiveArea();

  IPlayerWindow* m_pPlayer = nullptr;  // child widget of the view, deleted with it
  int m_nMargin;
};

}  // namespace vt
