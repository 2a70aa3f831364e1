// The strip under the video that shows, while a record is open, one centred line: the recording
// time of the frame on screen and the speed suffix, in cyan on black.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "skin/dib.h"
#include "skin/skin_canvas.h"
#include "skin/skin_layout.h"

namespace vt {

class CInfoBar : public CSkinCanvas {
 public:
  explicit CInfoBar(QWidget* parent = nullptr);
  ~CInfoBar() override;

  // Written by the Player before Create.
  std::string m_strSkinFolder;

  // Loads the three backgrounds and makes the bar a hidden child of parent at (x, y), width
  // wide and as high as the middle tile. 0 when a background fails to load.
  int Create(QWidget* parent, int x, int y, int width, const char* const* files, int count);
  int GetHeight() const { return m_cy; }
  // 1 while a record is open; switching on forgets the last line's width. No repaint.
  void ShowTime(int flag);
  // One of " (x1/16)" ... " (x16)". No repaint.
  void SetSpeedText(const std::string& text) { m_strSpeed = text; }
  // Draws the line now, with t as the new time when given; with no painter on the bar's own
  // picture, shown at once.
  void DrawInfo(QPainter* p, const time32* t);

  const InfoTextRect& GetTextRect() const { return m_rcText; }
  int GetLastTextWidth() const { return m_nLastTextWidth; }
  int GetTextHeight() const { return m_nTextHeight; }
  const std::string& GetSpeedText() const { return m_strSpeed; }
  // The text last drawn.
  const std::string& GetLastLine() const { return m_strLastLine; }

 protected:
  void PaintAll(QPainter& p) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  int Measure(const std::string& text) const;

  int m_nLastTextWidth = 0;
  std::string m_strSpeed = " (x1)";
  InfoTextRect m_rcText;
  int m_nTextHeight = 0;
  int m_nTextMaxWidth = 0;
  int m_bShowTime = 0;
  time32 m_time = 0;
  CDib m_bmpLeft, m_bmpMid, m_bmpRight;
  int m_cy = 0;
  int m_cx = 0;
  std::string m_strLastLine;
};

}  // namespace vt
