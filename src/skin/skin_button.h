// A push button drawn from a five-strip bitmap (strip 0 = bottom rows: disabled, -, pressed,
// hover, normal) that tells the main window what it does while the mouse rests on it.
#pragma once

#include <QAbstractButton>

#include <functional>
#include <optional>
#include <string>

#include "skin/dib.h"

namespace vt {

constexpr int kHoverTimerId = 2;
constexpr int kHoverPeriodMs = 100;
constexpr int kSkinStripsPerButton = 5;
constexpr int kButtonKindPush = 1;

class CSkinButton : public QAbstractButton {
 public:
  // The window under the cursor, or nullopt when the cursor position cannot be read.
  using CursorProbe = std::function<std::optional<QWidget*>()>;

  explicit CSkinButton(QWidget* parent = nullptr);
  ~CSkinButton() override;

  // CDib::Load; on success the strip height (bitmap height / 5) and width are taken from it.
  int LoadBitmap(const std::string& path);
  // Makes the button a visible child of parent at rect with the given control id.
  bool Create(QWidget* parent, const QRect& rect, int id);
  void SetKind(int kind) { m_nKind = kind; }
  void SetTexts(const std::string& text);

  int GetId() const { return m_nId; }
  int GetWidth() const { return m_nWidth; }
  int GetStripHeight() const { return m_nStripHeight; }
  int GetState() const { return m_nState; }
  bool IsHovering() const { return m_bHovering != 0; }
  // Logical timer id (kHoverTimerId) while the hover timer runs, else 0.
  int GetHoverTimer() const { return m_nHoverTimer; }
  int GetLastStrip() const { return m_nLastStrip; }
  // The prompt posted on entry; owned by the button and alive as long as it.
  const std::string& GetPrompt() const { return m_strTexts[0]; }

  // One hover-timer tick: ends the hover when the cursor is over another window.
  void CheckHover();
  // Replaces the default probe (QCursor::pos and QApplication::widgetAt); for tests.
  void SetCursorProbe(CursorProbe probe) { m_probe = std::move(probe); }

  QSize sizeHint() const override { return {m_nWidth, m_nStripHeight}; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void StartHover();
  // Stops the timer and the hover, posting the status-text message with wParam.
  void EndHover(QWidget* under);
  void PostStatus(QWidget* under, const char* text);
  void RepaintNow();

  int m_nKind = kButtonKindPush;
  int m_nState = 1;
  int m_nLastStrip = -1;
  int m_bHovering = 0;
  int m_nHoverTimer = 0;
  int m_nStripHeight = 0;
  int m_nWidth = 0;
  CDib m_bitmap;
  std::string m_strTexts[2];
  int m_nId = 0;
  int m_nQtTimer = 0;  // Qt's id of the running hover timer
  CursorProbe m_probe;
};

}  // namespace vt
