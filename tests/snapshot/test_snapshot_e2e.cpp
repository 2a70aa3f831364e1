// A recorded clip played by the GStreamer engine, paused, captured, converted and saved through
// the Snapshot dialog as a bitmap: the file holds exactly the converted frame.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "playback/gst/test_media.h"
#include "playback/media_engine.h"
#include "skin/dib.h"
#include "snapshot/frame_converter.h"
#include "snapshot/snapshot_dlg.h"
#include "snapshot/snapshot_picture.h"
#include "snapshot/snapshot_settings.h"

namespace vt {
namespace {

class QtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "test_snapshot_e2e";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) app_ = new QApplication(argc, argv);
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};
const bool kRegistered = (::testing::AddGlobalTestEnvironment(new QtApp), true);

TEST(SnapshotEndToEnd, PausedFrameSavedAsBitmapEqualsTheConvertedCapture) {
  char tmpl[] = "/tmp/vt_snape2e_XXXXXX";
  const std::string dir = std::string(mkdtemp(tmpl)) + "/";
  TestClipSpec spec;
  spec.frames = 10;
  std::string error;
  ASSERT_TRUE(MakeTestClip(spec, dir + "clip.avi", &error)) << error;

  auto engine = CreateGstEngine();
  ASSERT_EQ(engine->RenderFile(dir + "clip.avi"), S_OK);
  ASSERT_EQ(engine->Pause(), S_OK);
  int32_t state = -1;
  ASSERT_EQ(engine->GetState(1000, &state), S_OK);
  ASSERT_EQ(state, State_Paused);
  int32_t size = 0;
  ASSERT_EQ(engine->GetCurrentImage(&size, nullptr), S_OK);
  std::vector<uint8_t> frame(static_cast<size_t>(size));
  ASSERT_EQ(engine->GetCurrentImage(&size, frame.data()), S_OK);
  BITMAPINFOHEADER captured;
  std::memcpy(&captured, frame.data(), sizeof captured);
  ASSERT_FALSE(captured.biCompression == BI_RGB && captured.biBitCount == 24) << "expected a frame to convert";

  const PackedDib picture = MakeSnapshotPicture(frame.data(), frame.size());
  ASSERT_NE(SnapshotPictureHeader(picture.data(), picture.size()), nullptr);
  CFrameConverter converter;
  const PackedDib direct =
      converter.ConvertToRGB24(GetFrameSubtype(frame.data(), frame.size()), frame.data(), frame.size());
  ASSERT_EQ(picture, direct);
  BITMAPINFOHEADER ph;
  std::memcpy(&ph, picture.data(), sizeof ph);
  EXPECT_EQ(ph.biWidth, spec.width);
  EXPECT_EQ(ph.biHeight, spec.height);

  CSnapshotSettings settings;
  CSnapshotDlg dlg;
  dlg.m_pLogFont = &settings.m_lf;
  dlg.m_pColor = &settings.m_crColor;
  dlg.m_time = 1205486765;
  dlg.SetPicture(picture.data(), picture.size());
  dlg.SetSavePathChooser([&dir](QWidget*, const std::string&) { return dir + "snap.bmp"; });
  dlg.OnInitDialog();
  dlg.CaptionCheck()->click();  // caption off: the file must be the frame itself
  dlg.Button(kIdSaveButton)->click();

  CDib saved;
  ASSERT_EQ(saved.Load(dir + "snap.bmp"), 1);
  ASSERT_EQ(saved.GetPixelBytes(), picture.size() - 40);
  EXPECT_EQ(std::memcmp(saved.GetHeader(), picture.data(), 40), 0);
  EXPECT_EQ(std::memcmp(saved.GetPixels(), picture.data() + 40, picture.size() - 40), 0);
  engine.reset();
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace vt
