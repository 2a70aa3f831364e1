// Shows the generated skin as the Player stacks it: the video frame, then the information bar,
// the seek bar and the button bar, at two widths side by side, for a look by eye (screenshots
// under Xvfb). Usage: vt_skin_demo [UI_P folder]
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#include "app/message_window.h"
#include "playback/seek_bar.h"
#include "skin/button_bar.h"
#include "skin/dib_draw.h"
#include "skin/info_bar.h"
#include "skin/skin_files.h"

namespace {

using namespace vt;

class NullTarget : public IMessageTarget {
 public:
  bool Post(uint32_t, WPARAM, LPARAM) override { return true; }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
};

// The Player's frame around a black video area, with the three bars below it.
class DemoPlayer : public QWidget {
 public:
  DemoPlayer(QWidget* parent, const std::string& skin, int videoW, int videoH, IMessageTarget* owner)
      : QWidget(parent) {
    for (int i = 0; i < kVideoFramePieces; ++i) m_frame[i].Load(SkinPath(skin, kVideoFrameFiles[i]));
    m_videoX = m_frame[0].GetWidth();
    m_videoY = m_frame[1].GetHeight();
    m_videoH = videoH;
    const int w = videoW + m_frame[0].GetWidth() + m_frame[2].GetWidth();
    m_info.m_strSkinFolder = m_seek.m_strSkinFolder = m_buttons.m_strSkinFolder = skin;
    const int kinds[3] = {kSeekKindThumb, kSeekKindPrev, kSeekKindNext};
    const uint32_t msgs[3] = {kMsgSeekRequest, kMsgSeekRequest, kMsgSeekRequest};
    if (!m_info.Create(this, 0, 0, w, kInfoBarBackground, 3) ||
        !m_seek.Create(this, owner, 0, 0, w, 100, kSeekBarBackground, 4, kSeekElementFiles, kinds, msgs, 3) ||
        !m_buttons.Create(this, owner, 0, 0, w, kButtonBarBackground, 3) ||
        !m_buttons.CreateButtons(kButtonFiles, kButtonIds, g_buttonTexts, kButtonCount)) {
      std::fprintf(stderr, "vt_skin_demo: the skin in %s is incomplete\n", skin.c_str());
      std::exit(1);
    }
    int y = m_videoY + videoH;
    m_info.setGeometry(0, y, w, m_info.GetHeight());
    y += m_info.GetHeight();
    m_seek.setGeometry(0, y, w, m_seek.GetHeight());
    y += m_seek.GetHeight();
    m_buttons.setGeometry(0, y, w, m_buttons.GetHeight());
    y += m_buttons.GetHeight();
    resize(w, y);
    m_info.show();
    m_seek.show();
    m_buttons.show();
    m_buttons.Button(5)->setEnabled(false);  // shows the disabled strip
    m_seek.SetRange(1000);
    m_seek.SetEvents({60, 140, 400, 470, 900, 2000});
    m_seek.SetPos(330);
    m_info.ShowTime(1);
    m_info.SetSpeedText(videoW < 400 ? " (x1/16)" : " (x2)");
    const time32 t = 1205486765;  // a March 2008 afternoon
    m_info.DrawInfo(nullptr, &t);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const int w = width();
    p.fillRect(m_videoX, m_videoY, w - m_videoX - m_frame[2].GetWidth(), m_videoH, Qt::black);
    DrawDib(p, m_frame[0], 0, 0);
    DrawTiles(p, m_frame[1], TileSpans(m_frame[0].GetWidth(), w - m_frame[2].GetWidth() - m_frame[0].GetWidth(), m_frame[1].GetWidth()), 0);
    DrawDib(p, m_frame[2], w - m_frame[2].GetWidth(), 0);
    const auto down = TileSpans(m_frame[0].GetHeight(), m_videoH, m_frame[3].GetHeight());
    DrawTilesDown(p, m_frame[3], down, 0);
    DrawTilesDown(p, m_frame[4], TileSpans(m_frame[0].GetHeight(), m_videoH, m_frame[4].GetHeight()),
                  w - m_frame[4].GetWidth());
    p.setPen(QColor(0, 110, 110));
    p.drawText(QRect(m_videoX, m_videoY, w - 2 * m_videoX, m_videoH), Qt::AlignCenter, "video");
  }

 private:
  CDib m_frame[kVideoFramePieces];
  int m_videoX = 0, m_videoY = 0, m_videoH = 0;
  CInfoBar m_info;
  CSeekBar m_seek;
  CButtonBar m_buttons;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::string skin = argc > 1 ? argv[1] : "";
  if (skin.empty()) skin = QCoreApplication::applicationDirPath().toStdString() + "/../bin/UI_P";
  NullTarget owner;
  QWidget window;
  window.setWindowTitle("skin demo");
  QPalette pal = window.palette();
  pal.setColor(QPalette::Window, QColor(0x40, 0x44, 0x48));
  window.setPalette(pal);
  window.setAutoFillBackground(true);
  auto* narrow = new DemoPlayer(&window, skin, 330, 120, &owner);
  auto* wide = new DemoPlayer(&window, skin, 600, 120, &owner);
  narrow->move(10, 10);
  wide->move(20 + narrow->width(), 10);
  window.resize(30 + narrow->width() + wide->width(), 20 + std::max(narrow->height(), wide->height()));
  window.move(0, 0);
  window.show();
  if (argc > 2) QTimer::singleShot(std::atoi(argv[2]), &app, &QApplication::quit);
  return app.exec();
}
