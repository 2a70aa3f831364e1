// The camera-folder rule: which file a record's stored path may name.
#include "recorddb/record_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "rdb_fixture.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

TEST(RecordFileFinderTest, OnlyRegularFilesInsideTheCameraFolder) {
  test::TempDir dir;
  const std::string cam = dir / "A/cam", out = dir / "outside";
  const std::string day = cam + "/2008-05-10";
  test::WriteFile(day + "/011020301120340.avi", "a");
  test::WriteFile(out + "/2008-05-10/011020301120340.avi", "secret of another camera");
  test::WriteFile(out + "/shadow", "secret");
  fs::create_directories(cam + "/2008-05-11");
  ASSERT_EQ(::symlink((out + "/shadow").c_str(), (day + "/010000000100000.avi").c_str()), 0);
  ASSERT_EQ(::symlink((day + "/011020301120340.avi").c_str(), (day + "/012000002100000.avi").c_str()), 0);
  ASSERT_EQ(::symlink((out + "/2008-05-10").c_str(), (cam + "/2008-05-12").c_str()), 0);
  ASSERT_EQ(::mkfifo((day + "/013000003100000.avi").c_str(), 0644), 0);
  fs::create_directory(day + "/014000004100000.avi");
  const std::string ownFile = day + "/011020301120340.avi";
  struct Case {
    const char* why;
    std::string stored, expected;
  } cases[] = {
      {"own file", ownFile, ownFile},
      {"own file through ..", cam + "/2008-05-11/../2008-05-10/011020301120340.avi", ownFile},
      {"another folder's file: found under its day and name here", out + "/2008-05-10/011020301120340.avi", ownFile},
      {"outside, no such day here", out + "/shadow", ""},
      {"system file", "/etc/shadow", ""},
      {"device", "/dev/zero", ""},
      {"link to a file outside", day + "/010000000100000.avi", ""},
      {"link to a file inside", day + "/012000002100000.avi", ownFile},
      {"day folder linked to outside", cam + "/2008-05-12/011020301120340.avi", ""},
      {"FIFO", day + "/013000003100000.avi", ""},
      {"folder", day + "/014000004100000.avi", ""},
      {"the camera folder itself", cam, ""},
      {"relative path", "2008-05-10/011020301120340.avi", ownFile},
      {"no day folder", "011020301120340.avi", ""},
  };
  CRecordFileFinder finder(cam);
  for (const auto& c : cases) {
    EXPECT_EQ(finder.Find(c.stored), c.expected) << c.why;
    EXPECT_EQ(ResolveRecordPath(cam, c.stored), c.expected) << c.why << " (one-off)";
  }
}

TEST(RecordFileFinderTest, CopiedCameraFolderUsesItsOwnFiles) {
  test::TempDir dir;
  const std::string a = dir / "A/cam", b = dir / "B/cam";
  test::WriteFile(a + "/2008-05-10/011020301120340.avi", "A's");
  fs::create_directories(dir / "B");
  fs::copy(dir / "A/cam", b, fs::copy_options::recursive);
  test::WriteFile(b + "/2008-05-10/011020301120340.avi", "B's");
  CRecordFileFinder finder(b);
  const std::string hit = finder.Find(a + "/2008-05-10/011020301120340.avi");
  EXPECT_EQ(test::ReadFile(hit), "B's");
  fs::remove(b + "/2008-05-10/011020301120340.avi");
  finder.Forget();
  EXPECT_EQ(finder.Find(a + "/2008-05-10/011020301120340.avi"), "") << "A's file is never the answer";
}

TEST(RecordFileFinderTest, RelativeCameraFolderGivesAbsolutePaths) {
  test::TempDir dir;
  test::WriteFile(dir / "rel/cam/2008-05-10/011020301120340.avi", "a");
  const std::string cwd = fs::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  CRecordFileFinder finder("rel/cam");
  const std::string hit = finder.Find("D:\\rec\\2008-05-10\\011020301120340.avi");
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(hit, fs::canonical(dir / "rel/cam/2008-05-10/011020301120340.avi").string());
}

TEST(RecordFileFinderTest, MissingCameraFolderFindsNothing) {
  test::TempDir dir;
  EXPECT_EQ(ResolveRecordPath(dir / "gone", dir / "gone/2008-05-10/011020301120340.avi"), "");
  EXPECT_EQ(ResolveRecordPath("", "/etc/passwd"), "");
}

}  // namespace
}  // namespace vt
