// The desktop opener as a process: a failing one, one that hands the file on, one that keeps
// running as a viewer in the foreground; each answer comes without waiting for it.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/temp_dir.h"
#include "help/external_opener.h"
#include "opener_scripts.h"

namespace vt {
namespace {

using Clock = std::chrono::steady_clock;

OpenerState WaitForAnswer(CExternalOpener& o, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  OpenerState s;
  while ((s = o.Poll()) == OpenerState::kRunning && Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return s;
}

TEST(ExternalOpener, AnswerFromExitStatusOrGraceTime) {
  test::TempDir dir("vt_opener");
  struct Case {
    const char* body;
    OpenerState expected;
  };
  for (const Case& c : {Case{test::kNoViewerBody, OpenerState::kFailed}, Case{test::kHandedOnBody, OpenerState::kOpened},
                        Case{"exit 4", OpenerState::kFailed}, Case{"kill -9 $$", OpenerState::kFailed}}) {
    SCOPED_TRACE(c.body);
    const std::string script = test::WriteOpenerScript(dir.path(), "opener", c.body);
    CExternalOpener o;
    const auto start = Clock::now();
    ASSERT_TRUE(o.Start(script, "/some/manual.pdf", 5000));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "Start does not wait";
    EXPECT_EQ(WaitForAnswer(o, 5000), c.expected);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4000)) << "an ended opener is not held to the grace time";
  }
  EXPECT_EQ(test::ReadFile(dir / "opened"), "/some/manual.pdf\n/some/manual.pdf\n/some/manual.pdf\n/some/manual.pdf\n");
}

TEST(ExternalOpener, ViewerInTheForegroundCountsAsOpenedAndOutlivesTheOpener) {
  test::TempDir dir("vt_opener");
  const std::string script = test::WriteOpenerScript(dir.path(), "opener", test::kForegroundBody);
  pid_t viewer = 0;
  {
    CExternalOpener o;
    ASSERT_TRUE(o.Start(script, "/m.pdf", 300));
    EXPECT_EQ(WaitForAnswer(o, 5000), OpenerState::kOpened);
    viewer = static_cast<pid_t>(std::atoi(test::ReadFile(dir / "viewer.pid").c_str()));
  }
  ASSERT_GT(viewer, 0);
  EXPECT_EQ(kill(viewer, 0), 0) << "the viewer keeps running after the opener object is gone";
  kill(viewer, SIGKILL);
}

TEST(ExternalOpener, OpenerThatIsNotThereCannotStart) {
  test::TempDir dir("vt_opener");
  const char* old = std::getenv("PATH");
  const std::string saved = old ? old : "";
  setenv("PATH", dir.path().c_str(), 1);
  CExternalOpener o;
  EXPECT_FALSE(o.Start("xdg-open", "/m.pdf"));
  EXPECT_EQ(FindInPath("xdg-open"), "");
  test::WriteOpenerScript(dir.path(), "xdg-open", test::kHandedOnBody);
  EXPECT_EQ(FindInPath("xdg-open"), dir.path() + "/xdg-open");
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(FindInPath(dir.path() + "/xdg-open"), dir.path() + "/xdg-open");
  EXPECT_EQ(FindInPath(dir.path() + "/none"), "");
}

}  // namespace
}  // namespace vt
