// Skinned controls rendered offscreen: the pixels prove which strip, tile or cap was drawn.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include <cstring>
#include <memory>

#include "app/message_window.h"
#include "message_recorder.h"
#include "platform/local_time.h"
#include "skin/button_bar.h"
#include "skin/dib_draw.h"
#include "skin/info_bar.h"
#include "skin/skin_layout.h"
#include "skin_fixture.h"

namespace vt {
namespace {

using test::PixelIs;

class SkinWidgets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::EnsureApplication(); }
  void SetUp() override {
    SetMainWndTarget(&m_main);
    m_host = std::make_unique<QWidget>();
    m_host->resize(600, 200);
  }
  void TearDown() override {
    SetMainWndTarget(nullptr);
    m_host.reset();
  }
  // A button bar of the fixture skin, shown inside the host window.
  std::unique_ptr<CButtonBar> MakeBar(int width) {
    auto bar = std::make_unique<CButtonBar>();
    bar->m_strSkinFolder = m_skin.Folder();
    EXPECT_EQ(bar->Create(m_host.get(), &m_owner, 0, 0, width, kButtonBarBackground, 3), 1);
    EXPECT_EQ(bar->CreateButtons(kButtonFiles, kButtonIds, g_buttonTexts, kButtonCount), 1);
    bar->setGeometry(0, 0, width, bar->GetHeight());
    bar->show();
    m_host->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_host.get()));
    return bar;
  }
  static QColor Centre(CSkinButton* b) {
    const QImage img = b->grab().toImage();
    return QColor(img.pixel(img.width() / 2, 1));
  }

  test::SkinFixture m_skin;
  test::MessageRecorder m_main;
  test::MessageRecorder m_owner;
  std::unique_ptr<QWidget> m_host;
};

// 24-bit 4 x 6 picture whose row r (counted from the bottom) has colour RowColour(r).
QColor RowColour(int r) { return QColor(10 + 40 * r, 200 - 30 * r, 77); }
CDib RowPicture() {
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 4;
  h.biHeight = 6;
  h.biBitCount = 24;
  h.biSizeImage = 12 * 6;
  std::vector<uint8_t> px(h.biSizeImage);
  for (int r = 0; r < 6; ++r)
    for (int x = 0; x < 4; ++x) {
      const QColor c = RowColour(r);
      px[r * 12 + x * 3 + 0] = static_cast<uint8_t>(c.blue());
      px[r * 12 + x * 3 + 1] = static_cast<uint8_t>(c.green());
      px[r * 12 + x * 3 + 2] = static_cast<uint8_t>(c.red());
    }
  return CDib(h, px.data());
}

TEST_F(SkinWidgets, DrawDibModesUseTheBottomLeftSourceOrigin) {
  const CDib dib = RowPicture();
  QImage img(64, 16, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  // Whole picture: top row on top.
  EXPECT_EQ(DrawDib(p, dib, 0, 0), 1);
  // Clipped to 3 rows (and at most the picture's width): the bottom three rows, top rows lost.
  EXPECT_EQ(DrawDib(p, dib, 10, 0, 9, 3, true), 1);
  // Source rows 1-2 (from the bottom) stretched into 4 x 4.
  EXPECT_EQ(DrawDib(p, dib, 20, 0, 4, 4, 0, 1, 4, 2), 1);
  // Whole picture stretched to 8 x 12.
  EXPECT_EQ(DrawDib(p, dib, 30, 0, 8, 12, false), 1);
  CDib empty;
  EXPECT_EQ(DrawDib(p, empty, 40, 0), 0);
  p.end();

  EXPECT_TRUE(PixelIs(img, 0, 0, RowColour(5)));
  EXPECT_TRUE(PixelIs(img, 3, 5, RowColour(0)));
  EXPECT_TRUE(PixelIs(img, 10, 0, RowColour(2)));
  EXPECT_TRUE(PixelIs(img, 10, 2, RowColour(0)));
  EXPECT_TRUE(PixelIs(img, 13, 0, RowColour(2)));
  EXPECT_TRUE(PixelIs(img, 14, 0, Qt::white));  // width clipped to the picture's 4
  EXPECT_TRUE(PixelIs(img, 10, 3, Qt::white));  // height clipped to 3
  EXPECT_TRUE(PixelIs(img, 20, 0, RowColour(2)));
  EXPECT_TRUE(PixelIs(img, 20, 1, RowColour(2)));
  EXPECT_TRUE(PixelIs(img, 20, 2, RowColour(1)));
  EXPECT_TRUE(PixelIs(img, 23, 3, RowColour(1)));
  EXPECT_TRUE(PixelIs(img, 30, 0, RowColour(5)));
  EXPECT_TRUE(PixelIs(img, 37, 11, RowColour(0)));
  EXPECT_TRUE(PixelIs(img, 40, 0, Qt::white));
}

TEST_F(SkinWidgets, TilesDownwardsEndWithTheBottomRowsOfTheLastTile) {
  const CDib dib = RowPicture();
  QImage img(8, 20, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  DrawTilesDown(p, dib, TileSpans(1, 15, dib.GetHeight()), 2);
  p.end();
  EXPECT_TRUE(PixelIs(img, 2, 0, Qt::white));
  EXPECT_TRUE(PixelIs(img, 2, 1, RowColour(5)));
  EXPECT_TRUE(PixelIs(img, 5, 7, RowColour(5)));
  EXPECT_TRUE(PixelIs(img, 2, 13, RowColour(2)));  // the last 3 rows: the tile's bottom 3
  EXPECT_TRUE(PixelIs(img, 2, 15, RowColour(0)));
  EXPECT_TRUE(PixelIs(img, 2, 16, Qt::white));
  EXPECT_TRUE(PixelIs(img, 6, 5, Qt::white));
}

TEST_F(SkinWidgets, DrawDibReadsEightSixteenAndThirtyTwoBits) {
  struct Case {
    int bits;
    std::vector<uint8_t> block;  // colour table + one row
    QColor want;
  };
  const Case cases[] = {
      {8, {0, 0, 0, 0, 30, 60, 90, 0, /*pixels*/ 1, 1, 0, 0}, QColor(90, 60, 30)},
      {16, {0x00, 0x7C, 0x00, 0x7C}, QColor(255, 0, 0)},  // 5-5-5: red 31
      {32, {5, 6, 7, 0, 5, 6, 7, 0}, QColor(7, 6, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = 2;
    h.biHeight = 1;
    h.biBitCount = static_cast<uint16_t>(c.bits);
    h.biClrUsed = c.bits == 8 ? 2 : 0;
    std::vector<uint8_t> file(54);
    BITMAPFILEHEADER fh{};
    fh.bfType = kBitmapFileType;
    std::memcpy(file.data(), &fh, 14);
    std::memcpy(file.data() + 14, &h, 40);
    file.insert(file.end(), c.block.begin(), c.block.end());
    CDib dib;
    ASSERT_EQ(dib.LoadFromMemory(file.data(), file.size()), 1);
    QImage img(2, 1, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    ASSERT_EQ(DrawDib(p, dib, 0, 0), 1);
    p.end();
    EXPECT_TRUE(PixelIs(img, 1, 0, c.want)) << QColor(img.pixel(1, 0)).name().toStdString();
  }
}

TEST_F(SkinWidgets, ButtonStripHeightIsAFifthRoundedDown) {
  QImage pic(10, 62, QImage::Format_RGB32);
  pic.fill(Qt::gray);
  m_skin.Write("btn/tall.bmp", pic);
  CSkinButton b;
  EXPECT_EQ(b.LoadBitmap(m_skin.Folder() + "/btn/tall.bmp"), 1);
  EXPECT_EQ(b.GetStripHeight(), 12);
  EXPECT_EQ(b.GetWidth(), 10);
  CSkinButton missing;
  EXPECT_EQ(missing.LoadBitmap(m_skin.Folder() + "/btn/none.bmp"), 0);
  EXPECT_EQ(missing.GetStripHeight(), 0);
  EXPECT_EQ(missing.GetWidth(), 0);
}

TEST_F(SkinWidgets, ButtonDrawsTheStripOfItsState) {
  auto bar = MakeBar(300);
  CSkinButton* b = bar->Button(0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Centre(b), test::StripColor(kStripNormal));
  EXPECT_EQ(b->GetLastStrip(), kStripNormal);

  QTest::mouseMove(b, QPoint(5, 5));
  ASSERT_TRUE(b->IsHovering());
  EXPECT_EQ(Centre(b), test::StripColor(kStripHover));

  // Disabling a hovered button shows the disabled strip; enabling it again the hover strip.
  b->setEnabled(false);
  EXPECT_EQ(b->GetState(), kButtonStateDisabled);
  EXPECT_EQ(Centre(b), test::StripColor(kStripDisabled));
  b->setEnabled(true);
  EXPECT_EQ(b->GetState(), kButtonStateNormal);
  EXPECT_EQ(Centre(b), test::StripColor(kStripHover));

  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(b->IsHovering());
  EXPECT_EQ(Centre(b), test::StripColor(kStripPressed));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(Centre(b), test::StripColor(kStripNormal));
}

TEST_F(SkinWidgets, ButtonBarTilesUpToTheRightCapAndCentresItsButtons) {
  const test::FixtureSizes& s = m_skin.Sizes();
  const int width = s.capW + 17 * s.midW + 3 + s.capW;  // the last tile is 3 pixels wide
  auto bar = MakeBar(width);
  const QImage img = bar->grab().toImage();
  const int y = 2;  // above the buttons
  EXPECT_TRUE(PixelIs(img, s.capW - 1, y, test::LeftCapColor()));
  EXPECT_TRUE(PixelIs(img, s.capW, y, test::TileMarkColor()));
  EXPECT_TRUE(PixelIs(img, s.capW + 17 * s.midW, y, test::TileMarkColor()));  // start of the clipped tile
  EXPECT_TRUE(PixelIs(img, width - s.capW - 1, y, test::TileColor()));
  EXPECT_TRUE(PixelIs(img, width - s.capW, y, test::RightCapColor()));
  EXPECT_TRUE(PixelIs(img, width - 1, y, test::RightCapColor()));

  const std::vector<int> xs = ButtonBarXs(width, s.capW, s.capW, std::vector<int>(8, s.buttonW));
  for (int i = 0; i < kButtonCount; ++i) {
    EXPECT_EQ(bar->Button(i)->x(), xs[static_cast<size_t>(i)]);
    EXPECT_EQ(bar->Button(i)->y(), (s.barH - s.buttonStripH) / 2);
  }
  // A resize lays the buttons out again.
  bar->resize(width + 40, bar->GetHeight());
  EXPECT_EQ(bar->Button(0)->x(), xs[0] + 20);
}

TEST_F(SkinWidgets, ButtonBarNarrowerThanItsCapsDrawsOnlyTheCaps) {
  auto bar = MakeBar(7);
  const QImage img = bar->grab().toImage();
  EXPECT_TRUE(PixelIs(img, 0, 2, test::LeftCapColor()));
  EXPECT_TRUE(PixelIs(img, 6, 2, test::RightCapColor()));
}

TEST_F(SkinWidgets, SpeedClickPostsOnlyItsMessage) {
  auto bar = MakeBar(300);
  m_owner.posted.clear();
  QTest::mouseClick(bar->Button(7), Qt::LeftButton, {}, QPoint(3, 3));
  QCoreApplication::processEvents();
  ASSERT_EQ(m_owner.posted.size(), 1u);
  EXPECT_EQ(m_owner.posted[0].msg, kMsgButtonSpeed);
  EXPECT_EQ(m_owner.posted[0].wParam, 0u);
  EXPECT_EQ(m_owner.posted[0].lParam, 0);
  // Each button posts its own message.
  for (int i = 0; i < kButtonCount; ++i) {
    m_owner.posted.clear();
    QTest::mouseClick(bar->Button(i), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(m_owner.posted.size(), 1u);
    EXPECT_EQ(m_owner.posted[0].msg, kMsgButtonPlay + static_cast<uint32_t>(i));
  }
  EXPECT_EQ(bar->IsButton(bar->Button(3)), 1);
  EXPECT_EQ(bar->IsButton(bar.get()), 0);
  EXPECT_EQ(bar->IsButton(nullptr), 0);
}

TEST_F(SkinWidgets, ButtonBarFailsOnAMissingBitmap) {
  CButtonBar bar;
  bar.m_strSkinFolder = m_skin.Folder() + "/nowhere";
  EXPECT_EQ(bar.Create(m_host.get(), &m_owner, 0, 0, 300, kButtonBarBackground, 3), 0);
  bar.m_strSkinFolder = m_skin.Folder();
  ASSERT_EQ(bar.Create(m_host.get(), &m_owner, 0, 0, 300, kButtonBarBackground, 3), 1);
  bar.resize(280, 30);  // before the buttons exist: only the size is kept
  const char* files[kButtonCount] = {"btn/play.bmp", "btn/pause.bmp", "btn/missing.bmp"};
  EXPECT_EQ(bar.CreateButtons(files, kButtonIds, g_buttonTexts, kButtonCount), 0);
  EXPECT_NE(bar.Button(1), nullptr);
  EXPECT_EQ(bar.Button(2), nullptr);
}

TEST_F(SkinWidgets, HoverSequencePostsPromptsAndTheWindowUnderTheCursor) {
  auto bar = MakeBar(300);
  CSkinButton* play = bar->Button(0);
  CSkinButton* pause = bar->Button(1);
  QWidget* under = pause;
  for (int i = 0; i < kButtonCount; ++i) bar->Button(i)->SetCursorProbe([&] { return std::optional<QWidget*>(under); });
  m_main.posted.clear();

  // Entering posts the prompt, owned by the button.
  QTest::mouseMove(play, QPoint(4, 4));
  ASSERT_EQ(m_main.posted.size(), 1u);
  EXPECT_EQ(m_main.posted[0].msg, kMsgStatusText);
  EXPECT_EQ(m_main.posted[0].wParam, 0u);
  EXPECT_EQ(reinterpret_cast<const char*>(m_main.posted[0].lParam), play->GetPrompt().c_str());
  EXPECT_EQ(play->GetPrompt(), "Play");
  EXPECT_EQ(play->GetHoverTimer(), kHoverTimerId);

  // The cursor is found over the next button at a tick: the hover ends naming that window.
  for (int waited = 0; waited < 3000 && m_main.posted.size() < 2; waited += 20) QTest::qWait(20);
  ASSERT_EQ(m_main.posted.size(), 2u);
  EXPECT_EQ(m_main.posted[1].wParam, reinterpret_cast<WPARAM>(pause));
  EXPECT_EQ(m_main.posted[1].lParam, 0);
  EXPECT_FALSE(play->IsHovering());
  EXPECT_EQ(play->GetHoverTimer(), 0);
  EXPECT_EQ(bar->IsButton(reinterpret_cast<QObject*>(m_main.posted[1].wParam)), 1);

  // Entering the next button posts its prompt; pressing it ends the hover with 0/0.
  QTest::mouseMove(pause, QPoint(4, 4));
  ASSERT_EQ(m_main.posted.size(), 3u);
  EXPECT_EQ(reinterpret_cast<const char*>(m_main.posted[2].lParam), pause->GetPrompt().c_str());
  play->CheckHover();  // not hovering any more: nothing
  EXPECT_EQ(m_main.posted.size(), 3u);
  pause->CheckHover();  // still over itself: nothing
  EXPECT_EQ(m_main.posted.size(), 3u);
  QTest::mousePress(pause, Qt::LeftButton, {}, QPoint(4, 4));
  ASSERT_EQ(m_main.posted.size(), 4u);
  EXPECT_EQ(m_main.posted[3].wParam, 0u);
  EXPECT_EQ(m_main.posted[3].lParam, 0);
  EXPECT_FALSE(pause->IsHovering());
  QTest::mouseRelease(pause, Qt::LeftButton, {}, QPoint(4, 4));

  // Moving in with the left button held starts nothing.
  m_main.posted.clear();
  CSkinButton* stop = bar->Button(2);
  QMouseEvent held(QEvent::MouseMove, QPointF(4, 4), stop->mapToGlobal(QPointF(4, 4)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(stop, &held);
  EXPECT_TRUE(m_main.posted.empty());
  EXPECT_FALSE(stop->IsHovering());
}

TEST_F(SkinWidgets, HoverEndsWhenTheLeftButtonIsHeldWhileMoving) {
  auto bar = MakeBar(300);
  CSkinButton* b = bar->Button(4);
  b->SetCursorProbe([b] { return std::optional<QWidget*>(b); });
  QTest::mouseMove(b, QPoint(4, 4));
  ASSERT_TRUE(b->IsHovering());
  m_main.posted.clear();
  QMouseEvent held(QEvent::MouseMove, QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(b, &held);
  ASSERT_EQ(m_main.posted.size(), 1u);
  EXPECT_EQ(m_main.posted[0].lParam, 0);
  EXPECT_EQ(b->GetHoverTimer(), 0);
}

// ---- information bar ----

class InfoBarTest : public SkinWidgets {
 protected:
  void SetUp() override {
    SkinWidgets::SetUp();
    setenv("TZ", "UTC0", 1);
    tzset();
    m_time = MakeLocalTime(2008, 3, 14, 9, 26, 5);
  }
  std::unique_ptr<CInfoBar> MakeInfo(int width) {
    auto bar = std::make_unique<CInfoBar>();
    bar->m_strSkinFolder = m_skin.Folder();
    EXPECT_EQ(bar->Create(m_host.get(), 0, 0, width, kInfoBarBackground, 3), 1);
    bar->setGeometry(0, 0, width, bar->GetHeight());
    return bar;
  }
  int Width(const CInfoBar& bar, const std::string& s) {
    return QFontMetrics(bar.font()).horizontalAdvance(QString::fromLocal8Bit(s));
  }
  static int CountColour(const QImage& img, const QRect& r, const QColor& c) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += PixelIs(img, x, y, c) ? 1 : 0;
    return n;
  }
  time32 m_time = 0;
};

TEST_F(InfoBarTest, ShortFormWhenTheLongLineDoesNotFit) {
  const std::string longLine = "  2008-03-14 09:26:05 (x1/16)";
  const std::string shortLine = "  09:26:05 (x1/16)";
  auto probe = MakeInfo(400);
  const int longW = Width(*probe, longLine);
  const int caps = 2 * m_skin.Sizes().capW;
  for (const auto& [width, want] : {std::pair{caps + longW, longLine}, std::pair{caps + longW - 1, shortLine},
                                    std::pair{caps + 4, shortLine}}) {
    auto bar = MakeInfo(width);
    bar->SetSpeedText(" (x1/16)");
    bar->ShowTime(1);
    bar->DrawInfo(nullptr, &m_time);
    EXPECT_EQ(bar->GetLastLine(), want) << width;
  }
}

TEST_F(InfoBarTest, LineIsCyanOnBlackCentredInTheTextRectangle) {
  auto bar = MakeInfo(400);
  bar->ShowTime(1);
  bar->DrawInfo(nullptr, &m_time);
  const QImage img = bar->Picture();
  const InfoTextRect r = bar->GetTextRect();
  const int h = bar->GetTextHeight();
  EXPECT_GT(h, 0);
  EXPECT_EQ(r.top, (bar->GetHeight() > h) ? (bar->GetHeight() - h) / 2 : 0);
  EXPECT_EQ(r.left, m_skin.Sizes().capW);
  EXPECT_EQ(r.right, 400 - m_skin.Sizes().capW);
  const QRect rc(r.left, r.top, r.Width(), r.bottom - r.top);
  EXPECT_GT(CountColour(img, rc, QColor(0, 196, 196)), 10);
  // Centred: the middle column of the text area is black or text, the area's ends are tile.
  EXPECT_TRUE(PixelIs(img, r.left + 1, r.top + 1, test::TileColor()));
  EXPECT_TRUE(PixelIs(img, r.right - 2, r.top + 1, test::TileColor()));
  // Caps untouched.
  EXPECT_TRUE(PixelIs(img, 0, 0, test::LeftCapColor()));
  EXPECT_TRUE(PixelIs(img, 399, 0, test::RightCapColor()));
}

// A shorter line clears the old one's area first; a longer one draws over it.
TEST_F(InfoBarTest, ClearsOnlyWhenTheNewLineIsNarrower) {
  auto bar = MakeInfo(400);
  QImage img(400, bar->GetHeight(), QImage::Format_RGB32);
  img.fill(Qt::white);
  const QColor marker(255, 0, 255);
  auto drawWithMarker = [&](const char* first, const char* second) {
    QPainter p(&img);
    bar->SetSpeedText(first);
    bar->DrawInfo(&p, &m_time);
    const InfoTextRect r = bar->GetTextRect();
    const QRect rc(r.left, r.top, r.Width(), r.bottom - r.top);
    p.fillRect(rc, marker);  // stands for what the old line left behind
    bar->SetSpeedText(second);
    bar->DrawInfo(&p, nullptr);
    return rc;
  };
  bar->ShowTime(1);
  QRect rc = drawWithMarker(" (x1/16)", " (x1)");
  EXPECT_EQ(CountColour(img, rc, marker), 0);

  bar->ShowTime(1);
  rc = drawWithMarker(" (x1)", " (x1/16)");
  EXPECT_GT(CountColour(img, rc, marker), 0);
  EXPECT_TRUE(PixelIs(img, rc.left(), rc.top(), marker));

  // ShowTime(1) forgets the last width: the first line after it is drawn without clearing.
  bar->ShowTime(1);
  EXPECT_EQ(bar->GetLastTextWidth(), 0);
}

TEST_F(InfoBarTest, ResizeRecentresWithoutMeasuringAgain) {
  auto bar = MakeInfo(400);
  bar->show();
  m_host->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(m_host.get()));
  bar->DrawInfo(nullptr, &m_time);
  const int h = bar->GetTextHeight();
  const InfoTextRect before = bar->GetTextRect();
  bar->resize(300, 12);  // lower than the line: the line goes to the top, whole height
  EXPECT_EQ(bar->GetTextRect(), InfoTextRect{});
  bar->DrawInfo(nullptr, nullptr);
  EXPECT_EQ(bar->GetTextHeight(), h);
  EXPECT_EQ(bar->GetTextRect(), (InfoTextRect{before.left, 0, 300 - m_skin.Sizes().capW, 12}));
}

TEST_F(InfoBarTest, PaintShowsTheLineOnlyWhileShowing) {
  auto bar = MakeInfo(400);
  bar->DrawInfo(nullptr, &m_time);  // records the time; the next paint decides
  bar->ShowTime(0);
  bar->Invalidate();
  const InfoTextRect r = bar->GetTextRect();
  const QRect rc(r.left, r.top, r.Width(), r.bottom - r.top);
  EXPECT_EQ(CountColour(bar->Picture(), rc, QColor(0, 196, 196)), 0);
  bar->ShowTime(1);
  bar->Invalidate();
  EXPECT_GT(CountColour(bar->Picture(), rc, QColor(0, 196, 196)), 10);
}

}  // namespace
}  // namespace vt
