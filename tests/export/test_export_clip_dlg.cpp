// File > Export Clip...: the dialog runs the export on its worker with progress, asks before it
// replaces a file, cancels without leaving anything, and tells what came of it.
#include <QApplication>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "export/ui/export_clip_dlg.h"
#include "export_fixture.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using test::LocalAt;
using test::MakeRecording;
using test::SmallClip;

int g_argc = 1;
char g_arg0[] = "test_export_clip_dlg";
char* g_argv[] = {g_arg0, nullptr};

class ExportClipDlgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QApplication::instance()) new QApplication(g_argc, g_argv);
    gst_init(nullptr, nullptr);
  }
  void Make(int frames) {
    a_ = LocalAt(0, 10, 0, 0);
    MakeRecording(data_ / "camera01", a_, SmallClip(TestClipSpec::kMjpeg, frames, false));
    ASSERT_TRUE(db_.Open(data_ / "camera01"));
    setup_.dataFolder = data_.path();
    setup_.camera = {1, "C1:Front door", data_ / "camera01"};
    setup_.db = &db_;
    setup_.span = DefaultExportSpan(db_, 0, false);
    setup_.folder = out_.path();
  }
  bool WaitDone(CExportClipDlg& dlg) {
    return QTest::qWaitFor([&] { return !dlg.IsRunning(); }, 60000);
  }
  std::string Clip() const { return out_ / DefaultExportFileName(1, WallFromTime32(a_)); }

  test::ScopedTz tz_{test::kTzBerlin};
  test::TempDir data_{"vtdata"};
  test::TempDir out_{"vtout"};
  CRecordDB db_;
  ExportClipSetup setup_;
  time32 a_ = 0;
};

TEST_F(ExportClipDlgTest, ExportsTheProposedSpanWithProgress) {
  Make(100);
  CExportClipDlg dlg(setup_);
  // The camera's last recording is proposed, into the chosen folder.
  EXPECT_EQ(dlg.FromEdit()->dateTime().toSecsSinceEpoch(), a_);
  EXPECT_EQ(dlg.ToEdit()->dateTime().toSecsSinceEpoch(), a_ + 4);
  EXPECT_EQ(dlg.FileEdit()->text().toStdString(), Clip());
  EXPECT_EQ(Clip().substr(Clip().rfind('/') + 1), "camera01-20080510-100000.mkv");
  // From 1 s on, to the frame.
  dlg.FromEdit()->setDateTime(QDateTime::fromMSecsSinceEpoch(int64_t{a_} * 1000 + 1000));
  dlg.ExportButton()->click();
  EXPECT_FALSE(dlg.ExportButton()->isEnabled());
  EXPECT_EQ(dlg.CloseButton()->text(), "&Cancel");
  ASSERT_TRUE(WaitDone(dlg));
  QTest::qWait(250);  // the poll timer shows the result
  ASSERT_TRUE(dlg.Outcome().ok) << dlg.Outcome().error;
  EXPECT_EQ(dlg.Outcome().manifest.frameCount, 75);
  EXPECT_TRUE(fs::exists(Clip()));
  EXPECT_TRUE(fs::exists(Clip() + ".manifest.json"));
  EXPECT_TRUE(dlg.StatusLabel()->text().startsWith("Exported 75 frames")) << dlg.StatusLabel()->text().toStdString();
  EXPECT_EQ(dlg.Progress()->value(), dlg.Progress()->maximum());
  EXPECT_EQ(dlg.CloseButton()->text(), "Close");
  EXPECT_TRUE(dlg.ExportButton()->isEnabled());
}

TEST_F(ExportClipDlgTest, AsksBeforeReplacing) {
  Make(25);
  CExportClipDlg dlg(setup_);
  std::ofstream(Clip()) << "an older export";
  int asked = 0;
  bool answer = false;
  dlg.SetConfirm([&](QWidget*, const QString& q) {
    ++asked;
    EXPECT_TRUE(q.contains("exists"));
    return answer;
  });
  dlg.ExportButton()->click();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(dlg.IsRunning());
  EXPECT_EQ(test::ReadFile(Clip()), "an older export");
  answer = true;
  dlg.ExportButton()->click();
  ASSERT_TRUE(WaitDone(dlg));
  QTest::qWait(250);
  EXPECT_TRUE(dlg.Outcome().ok) << dlg.Outcome().error;
  EXPECT_NE(test::ReadFile(Clip()), "an older export");
}

TEST_F(ExportClipDlgTest, CancelLeavesNothing) {
  Make(3000);
  CExportClipDlg dlg(setup_);
  dlg.ExportButton()->click();
  dlg.CloseButton()->click();  // Cancel
  ASSERT_TRUE(WaitDone(dlg));
  QTest::qWait(250);
  EXPECT_TRUE(dlg.Outcome().cancelled);
  EXPECT_EQ(dlg.StatusLabel()->text(), "Cancelled. Nothing was written.");
  EXPECT_TRUE(fs::is_empty(out_.path()));
}

TEST_F(ExportClipDlgTest, RefusesASpanThatEndsBeforeItStarts) {
  Make(25);
  CExportClipDlg dlg(setup_);
  dlg.ToEdit()->setDateTime(dlg.FromEdit()->dateTime().addSecs(-1));
  dlg.ExportButton()->click();
  EXPECT_FALSE(dlg.IsRunning());
  EXPECT_TRUE(dlg.StatusLabel()->text().contains("must come after"));
}

// A field set to a time the clocks show twice is taken as vtexport takes the same text, the
// start at its first instant and the end at its second, and the dialog says so.
TEST_F(ExportClipDlgTest, ATimeShownTwiceIsTakenAsTheCommandLineTakesIt) {
  Make(25);
  CExportClipDlg dlg(setup_);
  dlg.FromEdit()->setDateTime(QDateTime(QDate(2008, 10, 26), QTime(2, 10)));
  dlg.ToEdit()->setDateTime(QDateTime(QDate(2008, 10, 26), QTime(2, 30)));
  dlg.ExportButton()->click();
  ASSERT_TRUE(WaitDone(dlg));
  QTest::qWait(250);
  const std::string status = dlg.StatusLabel()->text().toStdString();
  EXPECT_NE(status.find("The start, 2008-10-26 02:10:00.000, occurs twice as the clocks go back: taken as "
                        "2008-10-26T02:10:00.000+02:00."),
            std::string::npos)
      << status;
  EXPECT_NE(status.find("The end, 2008-10-26 02:30:00.000, occurs twice as the clocks go back: taken as "
                        "2008-10-26T02:30:00.000+01:00."),
            std::string::npos)
      << status;
  // No recording there: the failure is told after the note.
  EXPECT_FALSE(dlg.Outcome().ok);
  EXPECT_NE(status.find("The export failed"), std::string::npos) << status;
}

TEST(ExportProgressText, FramesThenTimeLeftThenTheHashes) {
  const struct {
    ExportProgress p;
    const char* text;
  } cases[] = {
      {{0, 9000, 0.5, false, 0, 0}, "0 / 9000 frames"},  // nothing to estimate from yet
      {{1200, 9000, 10, false, 0, 0}, "1200 / 9000 frames, 1:05 left"},
      {{9100, 9000, 80, false, 0, 0}, "9100 / 9100 frames, 0:00 left"},  // more frames than estimated
      {{9000, 9000, 80, true, 0, 0}, "9000 / 9000 frames, checking the hashes"},
      {{9000, 9000, 80, true, 450, 1000}, "9000 / 9000 frames, checking the hashes 45 %"},
      {{9000, 9000, 80, true, 1200, 1000}, "9000 / 9000 frames, checking the hashes 100 %"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatExportProgress(c.p), c.text);
}

TEST(ExportProgressBar, FramesWhileCopyingBytesWhileHashing) {
  const struct {
    ExportProgress p;
    int bar;  // of 1000
  } cases[] = {
      {{0, 0, 0, false, 0, 0}, -1},  // no total yet: busy
      {{0, 9000, 1, false, 0, 0}, 0},
      {{4500, 9000, 1, false, 0, 0}, 500},
      {{9100, 9000, 1, false, 0, 0}, 1000},
      {{9000, 9000, 1, true, 0, 0}, 1000},  // hashing of unknown size: the frames are all done
      {{9000, 9000, 1, true, 250, 1000}, 250},
      {{9000, 9000, 1, true, 1200, 1000}, 1000},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportProgressBar(c.p, 1000), c.bar);
}

TEST(ExportOutcomeText, SaysWhatCameOfIt) {
  ExportOutcome o;
  o.cancelled = true;
  EXPECT_EQ(ExportOutcomeText(o), "Cancelled. Nothing was written.");
  o.cancelled = false;
  o.error = "no recording of C1:Door between ...";
  EXPECT_EQ(ExportOutcomeText(o), "The export failed: no recording of C1:Door between ...");
  o.ok = true;
  o.manifest.frameCount = 1;
  o.manifest.gaps = {{1, 2}, {3, 4}};
  o.manifestPath = "/x/c.mkv.manifest.json";
  o.manifestSha256 = "abc";
  o.warnings = {"camera01/a.avi: missing"};
  const std::string text = ExportOutcomeText(o);
  EXPECT_NE(text.find("Exported 1 frame from"), std::string::npos);
  EXPECT_NE(text.find("2 gaps"), std::string::npos);
  EXPECT_NE(text.find("Manifest: /x/c.mkv.manifest.json\nIts SHA-256: abc"), std::string::npos);
  EXPECT_NE(text.find("Not complete: camera01/a.avi: missing"), std::string::npos);
}

}  // namespace
}  // namespace vt
