// Black-box tests of the vtdb tool: the built binary is run as a shell user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "common/program.h"
#include "rdb_fixture.h"

namespace vt {
namespace {

struct Result {
  int rc = -1;
  std::string out, err;
};

class VtdbTest : public ::testing::Test {
 protected:
  test::ScopedTz tz{"UTC0"};
  test::TempDir dir;

  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }
  Result Run(const std::vector<std::string>& args) {
    std::string cmd = Quote(VTDB_PATH);
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote(dir / ".out") + " 2>" + Quote(dir / ".err");
    Result r;
    int status = std::system(cmd.c_str());
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = test::ReadFile(dir / ".out");
    r.err = test::ReadFile(dir / ".err");
    std::filesystem::remove(dir / ".out");
    std::filesystem::remove(dir / ".err");
    return r;
  }
  // Every file below the folder with its contents, to see that nothing changed.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
      files[e.path().string()] = e.is_regular_file() ? test::ReadFile(e.path().string()) : "<dir>";
    return files;
  }
  void MakeCamera() {
    test::WriteFile(dir / "cam/2008-05-10/011020301120340.avi", "aaaa");
    test::WriteFile(dir / "cam/2008-05-10/011200001230001.avi", "bbbbbb");
    test::WriteFile(dir / "cam/2008-05-11/010800000900000.avi", "cc");
    test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + dir / "cam" +
                                            "\r\n[Preference_ch01]\r\nsCameraName=Door\r\n");
  }
};

TEST_F(VtdbTest, HelpAndErrorsChangeNothing) {
  Result help = Run({"--help"});
  EXPECT_EQ(help.rc, 0);
  EXPECT_NE(help.out.find("Usage: vtdb"), std::string::npos);
  MakeCamera();
  ASSERT_EQ(Run({"rebuild", dir / "cam"}).rc, 0);
  test::WriteFile(dir / "bad.ndx", "not an index");
  const auto before = Snapshot();
  const std::vector<std::vector<std::string>> errors = {
      {},
      {"frobnicate"},
      {"dump", dir / "missing.ndx"},
      {"dump", dir / "bad.ndx"},
      {"list", dir / "nothere"},
      {"cameras", dir / "missing.ini"},
      {"cameras", "--saved", dir.path()},
      {"delete", dir / "cam"},
      {"delete", dir / "cam", "--all", "--record", "2008-05-10 10:20:30"},
      {"delete", dir / "cam", "--record", "2008-13-40 10:00:00"},
      {"delete", dir / "cam", "--record", "yesterday"},
      {"delete", dir / "cam", "--record", "2008-05-10 09:00:00"},
      {"delete", dir / "cam", "--day", "2008-05-12 09:00:00"},
      {"delete", dir / "cam", "--bogus"},
      {"save-to", dir / "cam", "--record", "2008-05-10 10:20:30", "--channel", "17", "--dest", dir / "out", "--ini",
       dir / "vantor.ini"},
      {"save-to", dir / "cam", "--record", "2008-05-10 09:00:00", "--channel", "1", "--dest", dir / "out", "--ini",
       dir / "vantor.ini"},
      {"backup", "--ini", dir / "missing.ini", "--dest", dir / "bak"},
      {"demo", dir.path()},
  };
  for (const auto& args : errors) {
    Result r = Run(args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_EQ(r.rc, 1) << line;
    EXPECT_FALSE(r.err.empty()) << line;
    EXPECT_TRUE(r.out.empty()) << line;
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(VtdbTest, ListDumpAndCameras) {
  MakeCamera();
  Result list = Run({"list", dir / "cam"});
  ASSERT_EQ(list.rc, 0) << list.err;
  EXPECT_EQ(list.out, "2008-05-10\n"
                      "  10:20:30\t2008-05-10 11:20:34\t0\t4\t" + dir / "cam/2008-05-10/011020301120340.avi" + "\n" +
                      "  12:00:00\t2008-05-10 12:30:00\t1\t6\t" + dir / "cam/2008-05-10/011200001230001.avi" + "\n" +
                      "2008-05-11\n"
                      "  08:00:00\t2008-05-11 09:00:00\t0\t2\t" + dir / "cam/2008-05-11/010800000900000.avi" + "\n");
  // list saved the rebuilt index; dump shows every field by name.
  Result dump = Run({"dump", dir / "cam/rdb.ndx", "--json"});
  ASSERT_EQ(dump.rc, 0) << dump.err;
  for (const char* field : {"\"header\"", "\"dwVersion\": 100", "\"tCreated\"", "\"tUpdated\"", "\"bModified\"",
                            "\"years\"", "\"months\"", "\"days\"", "\"records\"", "\"wKey\": 2008", "\"nCapacity\": 16",
                            "\"szFilePath\"", "\"nKind\": 1", "\"qwSize\": 12"})
    EXPECT_NE(dump.out.find(field), std::string::npos) << field;
  Result cams = Run({"cameras", dir / "vantor.ini"});
  EXPECT_EQ(cams.out, "0\tC1:Door\t" + dir / "cam" + "\n");
}

TEST_F(VtdbTest, DeleteBySecondsAndByDay) {
  MakeCamera();
  const std::string t = std::to_string(test::Utc(2008, 5, 10, 10, 20, 30) + 5);
  Result r = Run({"delete", dir / "cam", "--record", t});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_FALSE(test::Exists(dir / "cam/2008-05-10/011020301120340.avi"));
  r = Run({"delete", dir / "cam", "--day", "2008-05-11 08:30:00"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "Delete record files (1 file deleted)\n");
  Result list = Run({"list", dir / "cam"});
  EXPECT_EQ(list.out, "2008-05-10\n  12:00:00\t2008-05-10 12:30:00\t1\t6\t" + dir / "cam/2008-05-10/011200001230001.avi" + "\n");
  r = Run({"delete", dir / "cam", "--all"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(test::ReadFile(dir / "cam/rdb.ndx").size(), 56u);
}

TEST_F(VtdbTest, SaveToAndBackupReportFailedCopies) {
  MakeCamera();
  // Another channel than the one the configuration stores in this folder is refused.
  Result r = Run({"save-to", dir / "cam", "--day", "2008-05-10", "--channel", "3", "--dest", dir / "out", "--ini",
                  dir / "vantor.ini"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("--channel 3 does not match"), std::string::npos) << r.err;
  EXPECT_FALSE(test::Exists(dir / "out"));
  r = Run({"save-to", dir / "cam", "--day", "2008-05-10", "--channel", "1", "--dest", dir / "out", "--ini",
           dir / "vantor.ini"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "Saved 2 record files to " + dir / "out" + "\n");
  EXPECT_EQ(test::ReadFile(dir / "out/camera01/2008-05-10/011200001230001.avi"), "bbbbbb");
  Result saved = Run({"cameras", "--saved", dir / "out"});
  EXPECT_EQ(saved.out, "0\tC1:Door\t" + dir / "out/camera01" + "\n");

  r = Run({"backup", "--ini", dir / "vantor.ini", "--dest", dir / "bak"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "Backed up 3 record files of 1 camera to " + dir / "bak" + "\n");
  // A file lost after indexing: the backup says so and does not list it.
  std::filesystem::remove(dir / "cam/2008-05-11/010800000900000.avi");
  r = Run({"backup", "--ini", dir / "vantor.ini", "--dest", dir / "bak2"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("010800000900000.avi"), std::string::npos);
  Result list = Run({"list", dir / "bak2/camera01"});
  EXPECT_EQ(list.out.find("2008-05-11"), std::string::npos);
  EXPECT_NE(list.out.find(dir / "bak2/camera01/2008-05-10/011020301120340.avi"), std::string::npos);
}

// --day T exports the day whose recording holds T and files it under that day's own date, also
// when T lies after midnight in a recording that began the day before.
TEST_F(VtdbTest, SaveToFilesTheDayUnderItsOwnDate) {
  test::WriteFile(dir / "cam/2008-05-10/012350000010000.avi", "aaaa");
  test::WriteFile(dir / "cam/2008-05-11/010800000900000.avi", "cc");
  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=" + dir / "cam" + "\r\n");
  ASSERT_EQ(Run({"rebuild", dir / "cam"}).rc, 0);
  const struct {
    const char* day;
    const char* filed;
    const char* absent;
  } cases[] = {
      {"2008-05-11 00:05:00", "2008-05-10/012350000010000.avi", "2008-05-11"},
      {"2008-05-10 23:55:00", "2008-05-10/012350000010000.avi", "2008-05-11"},
      {"2008-05-11", "2008-05-11/010800000900000.avi", "2008-05-10"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.day);
    const std::string out = dir / ("out" + std::to_string(++n));
    Result r = Run({"save-to", dir / "cam", "--day", c.day, "--channel", "1", "--dest", out, "--ini", dir / "vantor.ini"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(test::Exists(out + "/camera01/" + c.filed));
    EXPECT_FALSE(test::Exists(out + "/camera01/" + c.absent));
    Result list = Run({"list", out + "/camera01"});
    EXPECT_NE(list.out.find(out + "/camera01/" + c.filed), std::string::npos) << list.out;
  }
}

// Any bytes in a file name: JSON stays valid and keeps the bytes; text stays one line a record.
TEST_F(VtdbTest, OddBytesInNamesAreEscaped) {
  const std::string name = "011020301120340\n\t\"\xff\xc3\x28.avi";
  test::WriteFile(dir / ("cam/2008-05-10/" + name), "aaaa");
  Result r = Run({"list", dir / "cam", "--json"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "no raw newline inside the JSON";
  EXPECT_NE(r.out.find("340\\n\\t\\\"\\ufffd\\ufffd(.avi\""), std::string::npos) << r.out;
  std::string hex;
  for (unsigned char c : dir / ("cam/2008-05-10/" + name)) {
    char b[3];
    std::snprintf(b, sizeof b, "%02x", c);
    hex += b;
  }
  EXPECT_NE(r.out.find("\"fileBytes\": \"" + hex + "\""), std::string::npos) << "the exact bytes: " << r.out;
  EXPECT_NE(r.out.find("\"szFilePathBytes\": \"" + hex + "\""), std::string::npos);
  r = Run({"list", dir / "cam"});
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
  EXPECT_NE(r.out.find("340\\n\\t\"\xff\xc3(.avi\n"), std::string::npos) << r.out;
  r = Run({"dump", dir / "cam/rdb.ndx", "--json"});
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
  EXPECT_NE(r.out.find("\"szFilePathBytes\": \"" + hex + "\""), std::string::npos);
}

// A relative camera folder is stored with absolute paths; a relative storage folder of the
// configuration is listed as unavailable and never made below the working folder.
TEST_F(VtdbTest, RelativeFoldersNeverStayRelative) {
  test::WriteFile(dir / "rel/cam/2008-05-10/011020301120340.avi", "aaaa");
  test::ProgramOptions here;
  here.workingFolder = dir.path();
  std::vector<std::string> args = {VTDB_PATH, "rebuild", "rel/cam"};
  ASSERT_EQ(test::RunProgram(args, dir.path(), here).rc, 0);
  CRecordDB db;
  db.SetFolder(dir / "rel/cam");
  ASSERT_TRUE(db.Load());
  EXPECT_EQ(std::string(db.ListDays().at(0).pDay->records.at(0).szFilePath),
            dir / "rel/cam/2008-05-10/011020301120340.avi");
  test::WriteFile(dir / "vantor.ini", "[Storage_ch01]\r\nsStoragePath=D:\\rec\\ch01\r\n"
                                      "[Storage_ch02]\r\nsStoragePath=rel\\cam\r\n");
  args = {VTDB_PATH, "cameras", dir / "vantor.ini"};
  const test::ProgramResult cams = test::RunProgram(args, dir.path(), here);
  EXPECT_NE(cams.out.find("D:/rec/ch01\tcamera unavailable"), std::string::npos) << cams.out;
  args = {VTDB_PATH, "backup", "--ini", dir / "vantor.ini", "--dest", "bak"};
  const test::ProgramResult backup = test::RunProgram(args, dir.path(), here);
  EXPECT_EQ(backup.rc, 1);
  EXPECT_NE(backup.err.find("2 camera(s) could not be opened"), std::string::npos) << backup.err;
  EXPECT_FALSE(test::Exists(dir / "D:"));
}

TEST_F(VtdbTest, DemoMakesABrowsableDataFolder) {
  Result r = Run({"demo", dir / "demo"});
  ASSERT_EQ(r.rc, 0) << r.err;
  Result cams = Run({"cameras", dir / "demo/vantor.ini"});
  EXPECT_EQ(std::count(cams.out.begin(), cams.out.end(), '\n'), 3);
  EXPECT_TRUE(test::Exists(dir / "demo/camera01/rdb.ndx"));
  Result list = Run({"list", dir / "demo/camera01"});
  EXPECT_EQ(list.rc, 0);
  EXPECT_GE(std::count(list.out.begin(), list.out.end(), '\n'), 12);
  // Running it again makes the folder afresh; a folder it did not make is refused.
  EXPECT_EQ(Run({"demo", dir / "demo"}).rc, 0);
  EXPECT_EQ(Run({"list", dir / "demo/camera01"}).out, list.out);
  test::WriteFile(dir / "other/keep.txt", "x");
  EXPECT_EQ(Run({"demo", dir / "other"}).rc, 1);
  EXPECT_TRUE(test::Exists(dir / "other/keep.txt"));
}

}  // namespace
}  // namespace vt
