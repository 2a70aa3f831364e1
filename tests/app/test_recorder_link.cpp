// The recorder link against peers that misbehave: a listener that never takes its connections,
// a poster that trickles bytes, one that sends garbage and hangs up mid-frame, a flood of idle
// connections. Every call must come back at once; none may wait for the peer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "app/recorder_link.h"
#include "app/single_instance.h"
#include "common/alarm_guard.h"
#include "common/temp_dir.h"

namespace vt {
namespace {

using Clock = std::chrono::steady_clock;

// Far above what a call that does not wait takes, even on a loaded machine; far below what a
// call waiting for its peer takes.
constexpr auto kCallBound = std::chrono::milliseconds(150);

template <typename F>
auto Timed(F&& f, Clock::duration* took) {
  const auto start = Clock::now();
  auto r = f();
  *took = Clock::now() - start;
  return r;
}

uint32_t GetFrameWord(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<size_t>(i)];
  return v;
}

// A socket bound to the class's path in the link folder, not listening yet; -1 on failure.
int BindRaw(const std::string& windowClass) {
  ::mkdir(LinkFolder().c_str(), 0700);
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  strcpy(addr.sun_path, LinkSocketPath(windowClass).c_str());
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int ConnectRaw(const std::string& path, bool nonBlocking) {
  int fd = socket(AF_UNIX, SOCK_STREAM | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  strcpy(addr.sun_path, path.c_str());
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

class RecorderLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (old_.empty()) unsetenv("XDG_RUNTIME_DIR");
    else setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
  }
  // Reads until `want` messages came or timeoutMs passed; every ReadPending must be quick.
  std::vector<LinkMessage> Drain(CLinkListener& l, size_t want, int timeoutMs = 2000) {
    std::vector<LinkMessage> got;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < want && Clock::now() < end) {
      pollfd p{l.fd(), POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      Clock::duration took;
      auto msgs = Timed([&] { return l.ReadPending(); }, &took);
      EXPECT_LT(took, kCallBound);
      got.insert(got.end(), msgs.begin(), msgs.end());
    }
    return got;
  }

  test::TempDir dir_{"vt_link"};
  std::string old_;
};

TEST_F(RecorderLinkTest, FrameIsTwelveLittleEndianBytes) {
  uint8_t f[kLinkFrameSize];
  EncodeLinkFrame({0x83F7, 0x484F5A10, MakeCameraParam(2)}, f);
  const uint8_t want[12] = {0xF7, 0x83, 0, 0, 0x10, 0x5A, 0x4F, 0x48, 0, 0, 3, 0};
  EXPECT_EQ(0, memcmp(f, want, 12));
  LinkMessage m = DecodeLinkFrame(f);
  EXPECT_EQ(m.msg, 0x83F7u);
  EXPECT_EQ(m.wParam, 0x484F5A10u);
  EXPECT_EQ(m.lParam, 0x30000);
}

TEST_F(RecorderLinkTest, FindPostAndReceive) {
  EXPECT_EQ(LinkSocketPath("VTKelvane"), dir_.path() + "/vantor/VTKelvane");
  EXPECT_FALSE(LinkFind(kClassRecorder));
  EXPECT_FALSE(LinkPost(kClassRecorder, 0x83F5, 0, 0));
  CLinkListener listener;
  ASSERT_TRUE(listener.Listen(kClassRecorder));
  CLinkListener second;
  EXPECT_FALSE(second.Listen(kClassRecorder)) << "a live listener owns the class";
  EXPECT_TRUE(second.HeldElsewhere());
  EXPECT_TRUE(LinkFind(kClassRecorder));
  EXPECT_FALSE(LinkFind(kClassRemote));
  EXPECT_TRUE(LinkPost(kClassRecorder, 0x83F5, 0, 0));
  EXPECT_TRUE(LinkPost(kClassRecorder, 0x83F8, 1210000000, MakeCameraParam(15)));
  auto msgs = Drain(listener, 2);
  ASSERT_EQ(msgs.size(), 2u);  // the find carried no frame
  EXPECT_EQ(msgs[0].msg, 0x83F5u);
  EXPECT_EQ(msgs[1].msg, 0x83F8u);
  EXPECT_EQ(msgs[1].wParam, 1210000000u);
  EXPECT_EQ(msgs[1].lParam, 16 << 16);
  listener.Close();
  EXPECT_FALSE(LinkFind(kClassRecorder));
  EXPECT_TRUE(second.Listen(kClassRecorder)) << "the class is free once its owner closed";
}

TEST_F(RecorderLinkTest, FolderOthersCanWriteIsNotUsed) {
  ::mkdir(LinkFolder().c_str(), 0700);
  std::filesystem::permissions(LinkFolder(), std::filesystem::perms::others_write, std::filesystem::perm_options::add);
  CLinkListener listener;
  EXPECT_FALSE(listener.Listen(kClassRecorder));
  EXPECT_FALSE(listener.HeldElsewhere());
  EXPECT_FALSE(LinkFind(kClassRecorder));
  std::filesystem::permissions(LinkFolder(), std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  EXPECT_TRUE(listener.Listen(kClassRecorder));
  EXPECT_TRUE(LinkFind(kClassRecorder));
}

TEST_F(RecorderLinkTest, OwnerThatDiedIsTakenOver) {
  // A socket file with nobody listening, as a crash leaves it.
  const int stale = BindRaw(kClassPlayer);
  ASSERT_GE(stale, 0);
  close(stale);
  EXPECT_FALSE(LinkFind(kClassPlayer));
  CLinkListener fresh;
  EXPECT_TRUE(fresh.Listen(kClassPlayer));
  EXPECT_TRUE(LinkFind(kClassPlayer));
  fresh.Close();

  // A process killed while it owned the class: its lock goes with it.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    CLinkListener l;
    const char ok = l.Listen(kClassRecorder) ? 1 : 0;
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 1);
  CLinkListener second;
  EXPECT_FALSE(second.Listen(kClassRecorder));
  EXPECT_TRUE(second.HeldElsewhere());
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_FALSE(LinkFind(kClassRecorder));
  EXPECT_TRUE(second.Listen(kClassRecorder));
  EXPECT_TRUE(LinkFind(kClassRecorder));
}

TEST_F(RecorderLinkTest, ListenerThatNeverAcceptsMakesPostsFailAtOnce) {
  // A stopped recorder: its socket listens, nobody takes the connections.
  const int fd = BindRaw(kClassRecorder);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(listen(fd, 2), 0);
  test::AlarmGuard guard(2000);
  CSocketRecorderLink link;
  int posted = 0, refused = 0;
  for (int i = 0; i < 20; ++i) {
    Clock::duration took;
    (Timed([&] { return link.Post(kMsgUpdateRequest, 0, 0); }, &took) ? posted : refused)++;
    EXPECT_LT(took, kCallBound) << "post " << i;
    EXPECT_EQ(Timed([&] { return link.FindRecorder(); }, &took), RecorderWindow::kRecorder)
        << "a recorder that does not answer still runs";
    EXPECT_LT(took, kCallBound) << "look-up " << i;
  }
  EXPECT_GT(refused, 10) << "the queue of a listener that never accepts fills";
  EXPECT_EQ(LinkProbe(kClassRecorder), LinkPeer::kBusy);
  // Once it takes its connections, the frames that were queued are there.
  fcntl(fd, F_SETFL, O_NONBLOCK);
  int taken = 0;
  for (int c; (c = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK)) >= 0; close(c)) {
    uint8_t buf[kLinkFrameSize];
    if (read(c, buf, sizeof buf) == static_cast<ssize_t>(sizeof buf) && DecodeLinkFrame(buf).msg == kMsgUpdateRequest)
      ++taken;
  }
  EXPECT_EQ(taken, posted);
  close(fd);
}

TEST_F(RecorderLinkTest, TricklingPosterDoesNotHoldTheReader) {
  CLinkListener listener;
  ASSERT_TRUE(listener.Listen(kClassPlayer));
  std::atomic<int> sent{0};
  std::thread trickler([&] {
    int c = ConnectRaw(LinkSocketPath(kClassPlayer), false);
    uint8_t frame[kLinkFrameSize];
    EncodeLinkFrame({kMsgIndexUpdated, 7, 8}, frame);
    for (size_t i = 0; c >= 0 && i < sizeof frame; ++i) {
      if (write(c, frame + i, 1) != 1) break;
      ++sent;
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    if (c >= 0) close(c);
  });
  std::vector<LinkMessage> got;
  int sentWhenPostArrived = -1;
  bool posted = false;
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (got.size() < 2 && Clock::now() < end) {
    if (!posted && sent >= 2) posted = LinkPost(kClassPlayer, kMsgSysCommand, kScRestore, 0);
    pollfd p{listener.fd(), POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    Clock::duration took;
    auto msgs = Timed([&] { return listener.ReadPending(); }, &took);
    EXPECT_LT(took, kCallBound);
    for (const LinkMessage& m : msgs) {
      if (m.msg == kMsgSysCommand) sentWhenPostArrived = sent;
      got.push_back(m);
    }
  }
  trickler.join();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].msg, kMsgSysCommand) << "a whole frame is not held up by a slow one";
  EXPECT_LT(sentWhenPostArrived, static_cast<int>(kLinkFrameSize));
  EXPECT_EQ(got[1].msg, kMsgIndexUpdated);
  EXPECT_EQ(got[1].wParam, 7u);
  EXPECT_EQ(got[1].lParam, 8);
}

TEST_F(RecorderLinkTest, GarbageAndHangUpMidFrame) {
  CLinkListener listener;
  ASSERT_TRUE(listener.Listen(kClassPlayer));
  struct Case {
    size_t bytes;     // of noise written before hanging up
    size_t messages;  // whole frames in it
  };
  for (const Case& c : {Case{5, 0}, Case{17, 1}, Case{36, 3}, Case{0, 0}}) {
    int fd = ConnectRaw(LinkSocketPath(kClassPlayer), false);
    ASSERT_GE(fd, 0);
    std::vector<uint8_t> noise(c.bytes);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 37 + 200);
    ASSERT_EQ(write(fd, noise.data(), noise.size()), static_cast<ssize_t>(noise.size()));
    close(fd);
    // A well-formed post behind it marks the end.
    ASSERT_TRUE(LinkPost(kClassPlayer, kMsgIndexUpdated, 0, 0));
    auto msgs = Drain(listener, c.messages + 1);
    ASSERT_EQ(msgs.size(), c.messages + 1) << c.bytes << " bytes";
    if (c.messages > 0) {
      EXPECT_EQ(msgs[0].msg, GetFrameWord(noise, 0));
    }
    EXPECT_EQ(msgs.back().msg, kMsgIndexUpdated);
  }
  Drain(listener, 1, 100);  // the hang-ups are seen
  EXPECT_EQ(listener.OpenConnections(), 0u);
}

TEST_F(RecorderLinkTest, FloodOfIdleConnectionsIsBounded) {
  CLinkListener listener;
  ASSERT_TRUE(listener.Listen(kClassPlayer));
  std::vector<int> idle;
  for (size_t i = 0; i < 3 * kLinkMaxConnections; ++i) {
    int fd = ConnectRaw(LinkSocketPath(kClassPlayer), true);
    if (fd < 0) {
      Drain(listener, 1, 20);  // takes the waiting ones
      --i;
      continue;
    }
    idle.push_back(fd);
  }
  Drain(listener, 1, 200);
  EXPECT_LE(listener.OpenConnections(), kLinkMaxConnections);
  ASSERT_TRUE(LinkPost(kClassPlayer, kMsgIndexUpdated, 1, 2));
  auto msgs = Drain(listener, 1);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].wParam, 1u);
  for (int fd : idle) close(fd);
}

TEST_F(RecorderLinkTest, OwnerTextIsLeftForLaterStarts) {
  CLinkListener owner;
  ASSERT_TRUE(owner.Listen(kClassPlayer));
  EXPECT_EQ(LinkOwnerText(kClassPlayer), "");
  owner.SetOwnerText("/home/u/.local/share/vantor_lite");
  EXPECT_EQ(LinkOwnerText(kClassPlayer), "/home/u/.local/share/vantor_lite");
  owner.Close();
  EXPECT_EQ(LinkOwnerText(kClassPlayer), "");
}

TEST_F(RecorderLinkTest, SingleInstanceFindsRaisesOrTakesOver) {
  // Nobody runs: this start owns the class.
  CLinkListener first;
  std::string text;
  EXPECT_EQ(ClaimSingleInstance(&first, 10, 100, &text), InstanceStart::kFirst);
  EXPECT_TRUE(first.IsListening());
  first.SetOwnerText("/data/a");

  // A second start finds it and asks it to come forward.
  CLinkListener second;
  EXPECT_EQ(ClaimSingleInstance(&second, 10, 100, &text), InstanceStart::kOtherRuns);
  EXPECT_FALSE(second.IsListening());
  EXPECT_EQ(text, "/data/a");
  auto msgs = Drain(first, 1);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].msg, kMsgSysCommand);
  EXPECT_EQ(msgs[0].wParam, kScRestore);
  first.Close();

  // Another start holds the class but has no socket yet: this one does not run as well.
  int lock = open((LinkSocketPath(kClassPlayer) + ".lock").c_str(), O_RDWR);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
  CLinkListener third;
  EXPECT_EQ(ClaimSingleInstance(&third, 10, 100, &text), InstanceStart::kOtherRuns);
  EXPECT_FALSE(third.IsListening());
  close(lock);
  EXPECT_EQ(ClaimSingleInstance(&third, 10, 100, &text), InstanceStart::kFirst);
}

TEST(SingleInstance, NoticeOnlyForAnotherDataFolder) {
  test::TempDir dir("vt_notice");
  const std::string a = dir.path();
  struct Case {
    std::string requested, running;
    bool notice;
  };
  const Case cases[] = {
      {"", a, false},          // nothing asked for
      {a, a, false},           // the same folder
      {a + "/", a, false},     // the same folder, spelt differently
      {a + "/./", a, false},
      {a + "/other", a, true},
      {a, "", true},           // the running one has not said yet
  };
  for (const Case& c : cases) {
    const std::string n = OtherInstanceNotice(c.requested, c.running);
    EXPECT_EQ(!n.empty(), c.notice) << c.requested << " / " << c.running;
    if (c.notice) {
      EXPECT_NE(n.find(c.requested), std::string::npos) << n;
    }
  }
}

}  // namespace
}  // namespace vt
