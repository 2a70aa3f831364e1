// The manual inside the program and Help... end to end on the offscreen platform: contents
// from the headings, search, and the way from the desktop's opener to the help window and to
// the message that nothing can show the manual.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

#include "common/temp_dir.h"
#include "help/help_launcher.h"
#include "help/help_window.h"
#include "opener_scripts.h"

#ifndef VT_MANUAL_SOURCE
#error VT_MANUAL_SOURCE must name the Markdown source of the manual
#endif

namespace vt {
namespace {

QApplication* App() {
  static int argc = 1;
  static char name[] = "test_help_ui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

QTreeWidgetItem* FindEntry(QTreeWidget* tree, const QString& text) {
  const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.front();
}

TEST(HelpWindow, ContentsFollowTheHeadingsAndLeadToThem) {
  App();
  CHelpWindow w(QStringLiteral("Help"));
  EXPECT_FALSE(w.LoadManual(QStringLiteral("/no/such/manual.md")));
  ASSERT_TRUE(w.LoadManual(QStringLiteral(VT_MANUAL_SOURCE)));
  QTreeWidget* contents = w.Contents();
  ASSERT_EQ(contents->topLevelItemCount(), 1) << "the title holds the chapters";
  QTreeWidgetItem* menus = FindEntry(contents, QStringLiteral("Menu commands"));
  QTreeWidgetItem* file = FindEntry(contents, QStringLiteral("File"));
  QTreeWidgetItem* keyboard = FindEntry(contents, QStringLiteral("Keyboard"));
  ASSERT_TRUE(menus && file && keyboard);
  EXPECT_EQ(file->parent(), menus) << "a section sits under its chapter";
  EXPECT_EQ(keyboard->parent(), contents->topLevelItem(0));

  w.resize(700, 300);  // short enough that the chapter lies below the first page
  w.show();
  ASSERT_TRUE(WaitFor([&] { return w.isVisible(); }));
  QTextBrowser* text = w.Text();
  EXPECT_EQ(text->verticalScrollBar()->value(), 0) << "the manual opens at its beginning";
  w.ShowSection(keyboard);
  EXPECT_GT(text->verticalScrollBar()->value(), 0);
  EXPECT_EQ(text->textCursor().block().text(), QStringLiteral("Keyboard"));
  // Its heading is at the top of what is shown.
  EXPECT_EQ(text->cursorForPosition(QPoint(10, 10)).block().text(), QStringLiteral("Keyboard"));
}

TEST(HelpWindow, SearchGoesRoundAndSaysWhenNothingIsFound) {
  App();
  CHelpWindow w(QStringLiteral("Help"));
  ASSERT_TRUE(w.LoadManual(QStringLiteral(VT_MANUAL_SOURCE)));
  ASSERT_TRUE(w.Find(QStringLiteral("Ctrl+B")));
  const int first = w.Text()->textCursor().selectionStart();
  EXPECT_EQ(w.Text()->textCursor().selectedText(), QStringLiteral("Ctrl+B"));
  ASSERT_TRUE(w.Find(QStringLiteral("Ctrl+B")));
  EXPECT_GT(w.Text()->textCursor().selectionStart(), first);
  while (w.Text()->textCursor().selectionStart() > first) ASSERT_TRUE(w.Find(QStringLiteral("Ctrl+B")));
  EXPECT_EQ(w.Text()->textCursor().selectionStart(), first) << "past the last one, back at the first";
  ASSERT_TRUE(w.Find(QStringLiteral("Ctrl+B"), true));
  EXPECT_GT(w.Text()->textCursor().selectionStart(), first) << "backwards from the first: the last one";
  EXPECT_EQ(w.SearchNote(), QString());
  EXPECT_FALSE(w.Find(QStringLiteral("no such words in it")));
  EXPECT_EQ(w.SearchNote(), QStringLiteral("Not found"));
}

class HelpLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    pdf_ = dir_ / "manual.pdf";
    QFile f(QString::fromStdString(pdf_));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n");
  }
  HelpSources Sources(const char* openerBody, bool withSource = true) {
    HelpSources s;
    s.pdf = QString::fromStdString(pdf_);
    s.markdown = withSource ? QStringLiteral(VT_MANUAL_SOURCE) : QString::fromStdString(dir_ / "none.md");
    s.opener = test::WriteOpenerScript(dir_.path(), "xdg-open", openerBody);
    s.graceMs = 2000;
    return s;
  }
  test::TempDir dir_{"vt_help"};
  std::string pdf_;
  int noViewer_ = 0;
  CHelpLauncher launcher_{QStringLiteral("Help"), [this] { ++noViewer_; }};
};

TEST_F(HelpLauncherTest, NoViewerOpensTheManualInside) {
  launcher_.Open(Sources(test::kNoViewerBody));
  ASSERT_TRUE(WaitFor([&] { return launcher_.Window() && launcher_.Window()->isVisible(); }));
  EXPECT_GT(launcher_.Window()->Contents()->topLevelItemCount(), 0);
  EXPECT_EQ(noViewer_, 0);
  EXPECT_EQ(test::ReadFile(dir_ / "opened"), pdf_ + "\n");
  // Asked again, the window comes back without asking the desktop once more.
  launcher_.Window()->hide();
  launcher_.Open(Sources(test::kNoViewerBody));
  EXPECT_TRUE(launcher_.Window()->isVisible());
  EXPECT_EQ(test::ReadFile(dir_ / "opened"), pdf_ + "\n");
}

TEST_F(HelpLauncherTest, ViewerThatTakesThePdfIsLeftAlone) {
  launcher_.Open(Sources(test::kHandedOnBody));
  EXPECT_TRUE(launcher_.Waiting()) << "the answer is awaited, not waited for";
  ASSERT_TRUE(WaitFor([&] { return !launcher_.Waiting(); }));
  EXPECT_EQ(launcher_.Window(), nullptr);
  EXPECT_EQ(noViewer_, 0);
}

TEST_F(HelpLauncherTest, NeitherViewerNorSourceShowsTheMessage) {
  launcher_.Open(Sources(test::kNoViewerBody, false));
  ASSERT_TRUE(WaitFor([&] { return noViewer_ > 0; }));
  EXPECT_EQ(noViewer_, 1);
  EXPECT_EQ(launcher_.Window(), nullptr);
}

TEST_F(HelpLauncherTest, MissingPdfGoesStraightToTheManualInside) {
  std::filesystem::remove(pdf_);
  launcher_.Open(Sources(test::kHandedOnBody));
  EXPECT_FALSE(launcher_.Waiting());
  ASSERT_NE(launcher_.Window(), nullptr);
  EXPECT_TRUE(launcher_.Window()->isVisible());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "opened")) << "nothing to hand to the desktop";
}

}  // namespace
}  // namespace vt
