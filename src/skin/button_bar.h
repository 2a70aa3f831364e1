// The strip of eight skinned buttons under the seek bar. It keeps them centred between its caps
// and turns each click into one message posted to its owner (the Player window); what a button
// does is the owner's business.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "platform/message.h"
#include "skin/dib.h"
#include "skin/skin_button.h"
#include "skin/skin_files.h"

namespace vt {

// Message posted for a control id 1-8: play 0x805A ... speed 0x8061.
constexpr uint32_t ButtonMessage(int id) { return kMsgButtonPlay + static_cast<uint32_t>(id - 1); }

class CButtonBar : public QWidget {
 public:
  explicit CButtonBar(QWidget* parent = nullptr);
  ~CButtonBar() override;

  // Written by the Player before Create.
  std::string m_strSkinFolder;

  // Loads the three backgrounds (left cap, middle tile, right cap) and makes the bar a hidden
  // child of parent at (x, y), width wide and as high as the middle tile. 0 when a background
  // fails to load. Button messages go to owner.
  int Create(QWidget* parent, IMessageTarget* owner, int x, int y, int width, const char* const* files, int count);
  int GetHeight() const { return m_cy; }
  // Loads and creates the buttons in order; 0 as soon as one bitmap fails (the earlier ones stay).
  int CreateButtons(const char* const* files, const int* ids, const std::string* texts, int count);
  // 1 when w is one of the buttons.
  int IsButton(const QObject* w) const;
  // Width that holds the caps and every created button side by side.
  int MinimumWidth() const;
  // A button's click: posts ButtonMessage(id) with wParam 0 and lParam 0 for ids 1-8.
  void OnCommand(int id);
  CSkinButton* Button(int index) { return index >= 0 && index < kButtonCount ? m_buttons[index].get() : nullptr; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void LayoutButtons();

  int m_cx = 0;
  int m_cy = 0;
  IMessageTarget* m_hParent = nullptr;
  std::unique_ptr<CSkinButton> m_buttons[kButtonCount];
  CDib m_bmpLeft, m_bmpMid, m_bmpRight;
  int m_bButtonsCreated = 0;
};

}  // namespace vt
