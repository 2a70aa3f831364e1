#include "platform/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "common/child_process.h"
#include "temp_dir.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

size_t EntryCount(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

WriteResult Write(const std::string& target, const std::string& data, const AtomicWriteOptions& o = {}) {
  return WriteBytesAtomically(target, data.data(), data.size(), o);
}

TEST(AtomicFileTest, CreatesAndReplacesKeepingTheModeAndLeavingNoTemporary) {
  test::TempDir dir;
  const std::string target = dir / "a.ini";
  ASSERT_TRUE(Write(target, "one").ok());
  EXPECT_EQ(test::ReadFile(target), "one");
  ::chmod(target.c_str(), 0600);
  ASSERT_TRUE(Write(target, "two, longer").ok());
  EXPECT_EQ(test::ReadFile(target), "two, longer");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicFileTest, FailuresLeaveTheOldFileAndNoTemporary) {
  test::TempDir dir;
  const std::string target = dir / "pic.bmp";
  test::WriteFile(target, "old picture");
  // The writer fails half way.
  WriteResult r = WriteFileAtomically(target, [](int fd) { return WriteAllToFd(fd, "new", 3) && false; });
  EXPECT_EQ(r.outcome, WriteOutcome::kFailed);
  // The target is a folder.
  fs::create_directory(dir / "sub");
  EXPECT_EQ(Write(dir / "sub", "x").outcome, WriteOutcome::kFailed);
  // A full disk: the size limit stops the write after 4 KiB.
  const std::string big(1 << 20, 'n');
  const int child = test::RunInChild([&] {
    test::LimitFileSize(4096);
    const WriteResult w = Write(target, big);
    return w.outcome == WriteOutcome::kFailed && w.error == EFBIG ? 0 : 1;
  });
  EXPECT_EQ(child, 0);
  EXPECT_EQ(test::ReadFile(target), "old picture");
  EXPECT_TRUE(fs::is_directory(dir / "sub"));
  EXPECT_EQ(EntryCount(dir.path()), 2u) << "no temporary file is left";
}

TEST(AtomicFileTest, ReadOnlyFolderFailsWithoutTouchingTheFile) {
  test::TempDir dir;
  const std::string target = dir / "ro/settings.ini";
  fs::create_directory(dir / "ro");
  test::WriteFile(target, "kept");
  ::chmod((dir / "ro").c_str(), 0555);
  ::chmod(dir.path().c_str(), 0755);
  const int child = test::RunInChild([&] {
    if (!test::DropRoot()) return 2;
    return Write(target, "new").outcome == WriteOutcome::kFailed ? 0 : 1;
  });
  EXPECT_EQ(child, 0);
  EXPECT_EQ(test::ReadFile(target), "kept");
  EXPECT_EQ(EntryCount(dir / "ro"), 1u);
  ::chmod((dir / "ro").c_str(), 0755);
}

TEST(AtomicFileTest, PlantedLinksAndLeftoversInPlaceOfTheTemporary) {
  test::TempDir dir;
  const std::string target = dir / "rdb.ndx";
  const std::string temp = target + "1";
  test::WriteFile(dir / "victim", "victim");
  AtomicWriteOptions o;
  o.tempPath = temp;

  ASSERT_EQ(::symlink((dir / "victim").c_str(), temp.c_str()), 0);
  ASSERT_TRUE(Write(target, "index", o).ok());
  EXPECT_EQ(test::ReadFile(dir / "victim"), "victim") << "never written through the link";
  EXPECT_EQ(test::ReadFile(target), "index");
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));

  ASSERT_EQ(::symlink((dir / "nowhere").c_str(), temp.c_str()), 0);  // dangling: would create it
  ASSERT_TRUE(Write(target, "index 2", o).ok());
  EXPECT_FALSE(fs::exists(dir / "nowhere"));

  ASSERT_EQ(::mkfifo(temp.c_str(), 0644), 0);
  ASSERT_TRUE(Write(target, "index 3", o).ok()) << "does not block on a FIFO";

  test::WriteFile(temp, "half an index from a killed writer");
  ASSERT_TRUE(Write(target, "index 4", o).ok());
  EXPECT_EQ(test::ReadFile(target), "index 4");
  EXPECT_EQ(EntryCount(dir.path()), 2u);

  // A temporary that another process is writing right now is left to it.
  test::WriteFile(temp, "in progress");
  {
    test::LockHolder writer(temp);
    ASSERT_TRUE(writer.locked());
    EXPECT_EQ(Write(target, "index 5", o).outcome, WriteOutcome::kBusy);
  }
  EXPECT_EQ(test::ReadFile(temp), "in progress");
  EXPECT_EQ(test::ReadFile(target), "index 4");
}

TEST(AtomicFileTest, HeldTargetIsNotReplaced) {
  test::TempDir dir;
  const std::string target = dir / "rdb.ndx";
  test::WriteFile(target, "recorder's index");
  AtomicWriteOptions o;
  o.tempPath = target + "1";
  o.refuseHeldTarget = true;
  for (auto kind : {test::LockHolder::Kind::kFlock, test::LockHolder::Kind::kPosix}) {
    test::LockHolder recorder(target, kind);
    ASSERT_TRUE(recorder.locked());
    EXPECT_TRUE(IsFileHeld(target));
    o.keepTempWhenHeld = false;
    EXPECT_EQ(Write(target, "ours", o).outcome, WriteOutcome::kTargetHeld);
    EXPECT_FALSE(fs::exists(o.tempPath));
    o.keepTempWhenHeld = true;
    EXPECT_EQ(Write(target, "ours", o).outcome, WriteOutcome::kTargetHeld);
    EXPECT_EQ(test::ReadFile(o.tempPath), "ours") << "the finished temporary stays for the holder";
    EXPECT_EQ(test::ReadFile(target), "recorder's index");
  }
  EXPECT_FALSE(IsFileHeld(target));
  ASSERT_TRUE(Write(target, "ours", o).ok()) << "free again: the kept temporary is reused";
  EXPECT_EQ(test::ReadFile(target), "ours");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicFileTest, NoReplaceKeepsAnExistingTarget) {
  test::TempDir dir;
  AtomicWriteOptions o;
  o.replace = false;
  test::WriteFile(dir / "copy.avi", "other day's recording");
  EXPECT_EQ(Write(dir / "copy.avi", "this day's recording", o).outcome, WriteOutcome::kTargetExists);
  EXPECT_EQ(test::ReadFile(dir / "copy.avi"), "other day's recording");
  EXPECT_TRUE(Write(dir / "new.avi", "fresh", o).ok());
  EXPECT_EQ(EntryCount(dir.path()), 2u);
}

}  // namespace
}  // namespace vt
