#include "platform/file_utils.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

size_t EntryCount(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

TEST(EnsureFolderTest, WritableExistingMissingAndReadOnly) {
  test::TempDir dir;
  EXPECT_TRUE(EnsureFolder(dir.path()));
  EXPECT_EQ(EntryCount(dir.path()), 0u) << "the test file is removed again";

  EXPECT_TRUE(EnsureFolder(dir / "new"));
  EXPECT_TRUE(fs::is_directory(dir / "new"));
  EXPECT_FALSE(EnsureFolder(dir / "a/b")) << "only one level is created";

  test::WriteFile(dir / "file", "x");
  EXPECT_FALSE(EnsureFolder(dir / "file"));

  if (::geteuid() != 0) {
    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(EnsureFolder(dir / "ro")) << "existing but not writable";
  }
}

TEST(EnsureFolderTest, LeftoverTestFilesDoNotBlockAWritableFolder) {
  test::TempDir dir;
  char name[32];
  for (int r = 0; r < 32768; ++r) {
    std::snprintf(name, sizeof name, "ti%6d.tst", r);
    if (r % 2 == 0) test::WriteFile(dir / name, "");
  }
  EXPECT_TRUE(EnsureFolder(dir.path()));
}

TEST(MakeFolderPathTest, CreatesEveryMissingLevel) {
  test::TempDir dir;
  EXPECT_TRUE(MakeFolderPath(dir / "a/b/c"));
  EXPECT_TRUE(fs::is_directory(dir / "a"));
  EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
  EXPECT_TRUE(MakeFolderPath(dir / "a/b/c")) << "existing path";
  EXPECT_TRUE(MakeFolderPath(dir / "a//d/")) << "doubled and trailing separators";
  EXPECT_TRUE(fs::is_directory(dir / "a/d"));
  test::WriteFile(dir / "f", "");
  EXPECT_FALSE(MakeFolderPath(dir / "f/x"));
  EXPECT_FALSE(MakeFolderPath(""));
}

struct SplitCase {
  const char* path;
  bool ok;
  const char* folder;
  const char* name;
};

TEST(SplitPathTest, Table) {
  const SplitCase cases[] = {
      {"rdb.ndx", false, "", ""},
      {"/x", false, "", ""},
      {"/", false, "", ""},
      {"", false, "", ""},
      {"C:/dir/file.avi", true, "C:/dir", "file.avi"},
      {"C:/dir/", true, "C:", "dir/"},
      {"/usr/bin/vtplayer", true, "/usr/bin", "vtplayer"},
      {"//a", true, "/", "a"},
  };
  for (const auto& c : cases) {
    std::string folder = "unchanged", name = "unchanged";
    EXPECT_EQ(SplitPath(c.path, &folder, &name), c.ok) << c.path;
    EXPECT_EQ(folder, c.ok ? c.folder : "unchanged") << c.path;
    EXPECT_EQ(name, c.ok ? c.name : "unchanged") << c.path;
  }
  std::string name;
  EXPECT_TRUE(SplitPath("a/b", nullptr, &name));
  EXPECT_EQ(name, "b");
}

TEST(FileExistsTest, PresentMissingFolderAndRetryDelay) {
  test::TempDir dir;
  test::WriteFile(dir / "f", "x");
  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  EXPECT_TRUE(FileExists(dir / "f"));
  auto present = Clock::now() - t0;
  t0 = Clock::now();
  EXPECT_FALSE(FileExists(dir / "missing"));
  auto missing = Clock::now() - t0;
  EXPECT_GE(missing - present, std::chrono::milliseconds(90));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(dir.path())) << "a folder is not a file";
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_FALSE(FileExists(dir / "fifo")) << "returns instead of waiting for a writer";
}

TEST(FileExistsTest, FileLockedByAnotherProcessCountsAsAbsent) {
  test::TempDir dir;
  std::string path = dir / "rdb.ndx";
  test::WriteFile(path, "x");
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int fd = ::open(path.c_str(), O_RDONLY);
    int ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
    char c = ok ? '1' : '0';
    (void)!::write(ready[1], &c, 1);
    (void)!::read(release[0], &c, 1);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, '1');
  EXPECT_FALSE(FileExists(path));
  {
    ExclusiveFile f(path, O_RDONLY);
    EXPECT_FALSE(f.ok());
  }
  EXPECT_FALSE(RenameIfFree(path, dir / "other")) << "a held source is not moved";
  DeleteFileIfExists(path);
  EXPECT_TRUE(fs::exists(path)) << "a held file is not deleted";
  (void)!::write(release[1], "x", 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(FileExists(path));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
}

TEST(ExclusiveFileTest, SecondOpenInTheSameProcessIsRefused) {
  test::TempDir dir;
  std::string path = dir / "f";
  ExclusiveFile writer(path, O_WRONLY | O_CREAT | O_TRUNC);
  ASSERT_TRUE(writer.ok());
  ExclusiveFile reader(path, O_RDONLY);
  EXPECT_FALSE(reader.ok());
  writer.Close();
  ExclusiveFile again(path, O_RDONLY);
  EXPECT_TRUE(again.ok());
}

TEST(DeleteAndRenameTest, Basics) {
  test::TempDir dir;
  test::WriteFile(dir / "a", "A");
  test::WriteFile(dir / "b", "B");
  EXPECT_FALSE(RenameIfFree(dir / "a", dir / "b")) << "never overwrites";
  EXPECT_EQ(test::ReadFile(dir / "b"), "B");
  EXPECT_FALSE(RenameIfFree(dir / "none", dir / "c"));
  EXPECT_TRUE(RenameIfFree(dir / "a", dir / "c"));
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_EQ(test::ReadFile(dir / "c"), "A");
  EXPECT_FALSE(RenameIfFree(dir / "c", dir / "nofolder/c"));

  DeleteFileIfExists(dir / "c");
  EXPECT_FALSE(fs::exists(dir / "c"));
  DeleteFileIfExists(dir / "c");  // missing: nothing happens
}

class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    const char* v = std::getenv(name);
    had_ = v != nullptr;
    if (had_) old_ = v;
  }
  ~EnvGuard() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(GetAppDataFolderTest, XdgDataHomeThenHome) {
  EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
  std::string out;
  ::setenv("XDG_DATA_HOME", "/data/xdg", 1);
  EXPECT_TRUE(GetAppDataFolder(&out));
  EXPECT_EQ(out, "/data/xdg");
  ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
  ::setenv("HOME", "/home/Someone", 1);
  EXPECT_TRUE(GetAppDataFolder(&out));
  EXPECT_EQ(out, "/home/Someone/.local/share");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_TRUE(GetAppDataFolder(&out));
  EXPECT_EQ(out, "/home/Someone/.local/share");
}

}  // namespace
}  // namespace vt
