// vtdb's review mode and code page option, run as a shell user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "rdb_fixture.h"

namespace vt {
namespace {

class VtdbReviewTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;
  int rc = -1;
  std::string out, err;

  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }
  // Output goes beside the data, not into it.
  int Run(const std::vector<std::string>& args) {
    std::string cmd = Quote(VTDB_PATH);
    for (const auto& a : args) (cmd += ' ') += Quote(a);
    ((cmd += " >") += Quote(dir / "o.txt")) += " 2>";
    cmd += Quote(dir / "e.txt");
    const int status = std::system(cmd.c_str());
    rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    out = test::ReadFile(dir / "o.txt");
    err = test::ReadFile(dir / "e.txt");
    return rc;
  }
  std::map<std::string, std::string> TreeBytes(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
      files[e.path().string()] = e.is_regular_file() ? test::ReadFile(e.path().string()) : "<dir>";
    return files;
  }
};

TEST_F(VtdbReviewTest, ReadOnlyListsWithoutTouchingTheData) {
  const std::string cam = dir / "data/cam";
  test::WriteFile(cam + "/2008-05-10/011020301120340.avi", "aaaa");
  test::WriteFile(cam + "/2008-05-10/011200001230001.avi", "bbbbbb");
  test::WriteFile(cam + "/2008-05-11/010800000900000.avi", "");  // empty: a scan would delete it
  const std::string ini = dir / "data/vantor.ini";
  test::WriteFile(ini, "[Storage_ch01]\r\nsStoragePath=" + cam + "\r\n[Preference_ch01]\r\nsCameraName=Door\r\n");
  const auto before = TreeBytes(dir / "data");

  ASSERT_EQ(Run({"--read-only", "list", cam}), 0) << err;
  EXPECT_NE(out.find("2008-05-10"), std::string::npos);
  EXPECT_NE(out.find("12:00:00"), std::string::npos);
  EXPECT_EQ(out.find("2008-05-11"), std::string::npos);
  EXPECT_EQ(Run({"list", cam, "--read-only"}), 0) << err;  // the option may follow the command

  struct Refused {
    std::vector<std::string> args;
  } refused[] = {{{"--read-only", "delete", cam, "--record", "2008-05-10 10:20:30"}},
                 {{"--read-only", "delete", cam, "--day", "2008-05-10 10:20:30"}},
                 {{"--read-only", "delete", cam, "--all"}},
                 {{"--read-only", "rebuild", cam}},
                 {{"--read-only", "demo", dir / "data"}}};
  for (const auto& r : refused) {
    EXPECT_EQ(Run(r.args), 1) << r.args[1];
    EXPECT_NE(err.find("refused with --read-only"), std::string::npos) << err;
  }
  ASSERT_EQ(Run({"--read-only", "save-to", cam, "--day", "2008-05-10 10:20:30", "--channel", "1", "--dest",
                 dir / "out", "--ini", ini}),
            0)
      << err;
  EXPECT_EQ(test::ReadFile(dir / "out/camera01/2008-05-10/011200001230001.avi"), "bbbbbb");
  ASSERT_EQ(Run({"--read-only", "backup", "--ini", ini, "--dest", dir / "bak"}), 0) << err;
  EXPECT_TRUE(test::Exists(dir / "bak/camera01/rdb.ndx"));
  EXPECT_EQ(Run({"--read-only", "cameras", ini}), 0);
  for (const std::string& inside : {dir / "data/out", cam + "/x"}) {
    EXPECT_EQ(Run({"--read-only", "save-to", cam, "--record", "2008-05-10 10:20:30", "--channel", "1", "--dest",
                   inside, "--ini", ini}),
              1);
    EXPECT_NE(err.find("inside the data under review"), std::string::npos) << err;
    EXPECT_EQ(Run({"--read-only", "backup", "--ini", ini, "--dest", inside}), 1);
    EXPECT_NE(err.find("inside the data under review"), std::string::npos) << err;
  }
  EXPECT_EQ(TreeBytes(dir / "data"), before);

  // Without the option the same listing saves the index and drops the empty file.
  ASSERT_EQ(Run({"list", cam}), 0) << err;
  EXPECT_TRUE(test::Exists(cam + "/rdb.ndx"));
  EXPECT_FALSE(test::Exists(cam + "/2008-05-11/010800000900000.avi"));
}

// An index written on Windows, in a camera folder copied elsewhere.
TEST_F(VtdbReviewTest, WindowsPathsAreFoundInTheCopiedFolder) {
  const std::string cam = dir / "ch01";
  test::WriteFile(cam + "/2008-05-10/011020301120340.avi", "aaaa");
  const time32 t = test::Utc(2008, 5, 10, 10, 20, 30);
  CRecordDB db;
  db.NewEmpty();
  ASSERT_EQ(db.AddRecord(nullptr, test::Rec(t, t + 3604, 4, "D:\\rec\\ch01\\2008-05-10\\011020301120340.avi")), 1);
  ASSERT_TRUE(CRecordDB::WriteIndexFile(cam + "/rdb.ndx", *db.GetIndex()));
  ASSERT_EQ(Run({"list", cam}), 0) << err;
  EXPECT_NE(out.find("\t" + cam + "/2008-05-10/011020301120340.avi\n"), std::string::npos) << out;
  ASSERT_EQ(Run({"list", cam, "--json"}), 0) << err;
  EXPECT_NE(out.find("\"szFilePath\": \"D:\\\\rec\\\\ch01\\\\2008-05-10\\\\011020301120340.avi\""), std::string::npos) << out;
  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + cam + "\r\n");
  ASSERT_EQ(Run({"save-to", cam, "--record", "2008-05-10 10:20:30", "--channel", "1", "--dest", dir / "out", "--ini",
                 dir / "vantor.ini"}),
            0)
      << err;
  EXPECT_EQ(test::ReadFile(dir / "out/camera01/2008-05-10/011020301120340.avi"), "aaaa");
  ASSERT_EQ(Run({"delete", cam, "--record", "2008-05-10 10:20:30"}), 0) << err;
  EXPECT_FALSE(test::Exists(cam + "/2008-05-10/011020301120340.avi"));
}

TEST_F(VtdbReviewTest, CodePageOfCameraNames) {
  const std::string ini = dir / "vantor.ini";
  test::WriteFile(ini, "[Storage_ch01]\r\nsStoragePath=/rec/ch01\r\n[Preference_ch01]\r\nsCameraName=\xC3\xC5\xBF\xDA\r\n"
                       "[Storage_ch02]\r\nsStoragePath=/rec/ch02\r\n[Preference_ch02]\r\nsCameraName=Cam\xE9" "ra\r\n");
  ASSERT_EQ(Run({"--codepage", "GBK", "cameras", ini}), 0) << err;
  EXPECT_NE(out.find("C1:门口"), std::string::npos) << out;
  ASSERT_EQ(Run({"cameras", ini, "--codepage", "WINDOWS-1252"}), 0) << err;
  EXPECT_NE(out.find("C2:Caméra"), std::string::npos) << out;
  EXPECT_EQ(Run({"--codepage", "NO-SUCH-PAGE", "cameras", ini}), 1);
  EXPECT_NE(err.find("unknown code page"), std::string::npos);
  EXPECT_EQ(Run({"--codepage"}), 1);
  ASSERT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.find("--read-only"), std::string::npos);
  EXPECT_NE(out.find("--codepage NAME"), std::string::npos);
}

}  // namespace
}  // namespace vt
