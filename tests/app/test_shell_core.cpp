#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/recorder_link.h"

namespace vt {
namespace {

std::filesystem::path TempDir(const char* tag) {
  auto d = std::filesystem::temp_directory_path() / (std::string(tag) + std::to_string(::getpid()));
  std::filesystem::remove_all(d);
  std::filesystem::create_directories(d);
  return d;
}

TEST(CommandLine, PassAfterEitherSwitchCharacterOnly) {
  struct Case {
    std::vector<std::string> args;
    bool pass;
  };
  const Case cases[] = {{{"/pass"}, true},  {{"-pass"}, true},          {{"/PASS"}, false}, {{"pass"}, false},
                        {{"-Pass"}, false}, {{"x", "-pass"}, true},     {{"/passx"}, false}, {{}, false}};
  for (const Case& c : cases) {
    CPlayerCommandLineInfo info;
    std::string err;
    ASSERT_TRUE(info.Parse(c.args, &err));
    EXPECT_EQ(info.IsPassGiven(), c.pass) << (c.args.empty() ? "" : c.args.back());
  }
}

TEST(CommandLine, DataFolderAndHelp) {
  CPlayerCommandLineInfo a;
  std::string err;
  ASSERT_TRUE(a.Parse({"--data-folder", "/mnt/rec", "-pass"}, &err));
  EXPECT_EQ(a.m_strDataFolder, "/mnt/rec");
  EXPECT_TRUE(a.IsPassGiven());
  CPlayerCommandLineInfo b;
  ASSERT_TRUE(b.Parse({"--data-folder=/x", "--help"}, &err));
  EXPECT_EQ(b.m_strDataFolder, "/x");
  EXPECT_TRUE(b.m_bHelp);
  CPlayerCommandLineInfo d;
  ASSERT_TRUE(d.Parse({"--demo", "/tmp/demo", "-pass"}, &err));
  EXPECT_TRUE(d.m_bDemo);
  EXPECT_EQ(d.m_strDemoFolder, "/tmp/demo");
  EXPECT_TRUE(d.IsPassGiven());
  CPlayerCommandLineInfo e;
  ASSERT_TRUE(e.Parse({"--demo", "-pass"}, &err));
  EXPECT_TRUE(e.m_bDemo);
  EXPECT_EQ(e.m_strDemoFolder, "");
  CPlayerCommandLineInfo c;
  EXPECT_FALSE(c.Parse({"--data-folder"}, &err));
  EXPECT_FALSE(err.empty());
  EXPECT_NE(CommandLineHelp("vtplayer").find("--data-folder"), std::string::npos);
}

TEST(AppPaths, EditionFoldersAndRemoteViewer) {
  auto prog = TempDir("vt_prog_MixedCase");
  auto home = TempDir("vt_home_");
  struct Case {
    int edition;
    bool remote;
    const char* folder;
  };
  const Case cases[] = {{2, false, "/vantor_pro"}, {2, true, "/vtremote_pro"}, {1, false, "/vantor"},
                        {1, true, "/vtremote"},    {0, true, "/vantor_lite"},  {3, false, "/vantor_lite"},
                        {0, false, "/vantor_lite"}};
  for (const Case& c : cases) {
    std::filesystem::remove(prog / kRemoteViewerName);
    if (c.remote) std::ofstream(prog / kRemoteViewerName) << "x";
    AppPaths p = ComputeAppPaths(prog.string(), c.edition, home.string(), "");
    EXPECT_EQ(p.m_strDataFolder, home.string() + c.folder) << c.edition << c.remote;
    EXPECT_EQ(p.m_bRemoteViewer, c.remote ? 1 : 0);
    EXPECT_EQ(p.m_strIniPath, p.m_strDataFolder + "/vantor.ini");
    EXPECT_TRUE(std::filesystem::is_directory(p.m_strDataFolder));
    // Paths keep their case on a case-sensitive file system.
    EXPECT_EQ(p.m_strProgramFolder, prog.string());
  }
  AppPaths none = ComputeAppPaths(prog.string(), 2, std::nullopt, "");
  EXPECT_EQ(none.m_strDataFolder, prog.string());
  AppPaths over = ComputeAppPaths(prog.string(), 2, home.string(), (home / "copied/").string());
  EXPECT_EQ(over.m_strDataFolder, (home / "copied").string());
  EXPECT_TRUE(std::filesystem::is_directory(home / "copied"));
  std::filesystem::remove_all(prog);
  std::filesystem::remove_all(home);
}

TEST(AppPaths, InstalledLayoutFindsShareFolder) {
  auto prefix = TempDir("vt_prefix_");
  std::filesystem::create_directories(prefix / "bin");
  EXPECT_EQ(ResolveProgramFolder((prefix / "bin").string()), (prefix / "bin").string());
  std::filesystem::create_directories(prefix / "share/vtplayer");
  EXPECT_EQ(ResolveProgramFolder((prefix / "bin").string()), (prefix / "share/vtplayer").string());
  // A build tree's bin/ with its own resources stays the program folder.
  std::filesystem::create_directories(prefix / "bin/ui_p");
  EXPECT_EQ(ResolveProgramFolder((prefix / "bin").string()), (prefix / "bin").string());
  std::filesystem::remove_all(prefix);
}

TEST(WindowTitle, FourCases) {
  EXPECT_EQ(FormatWindowTitle("Vantor 2 Player", "C1:Door", "2008-05-14 10:00:00"),
            "Vantor 2 Player (C1:Door - 2008-05-14 10:00:00)");
  EXPECT_EQ(FormatWindowTitle("Vantor 2 Player", "A", nullptr), "Vantor 2 Player (A)");
  EXPECT_EQ(FormatWindowTitle("Vantor 2 Player", nullptr, "B"), "Vantor 2 Player (B)");
  EXPECT_EQ(FormatWindowTitle("Vantor 2 Player", nullptr, nullptr), "Vantor 2 Player");
  EXPECT_EQ(FormatWindowTitle("T", "", ""), "T ( - )");
  EXPECT_EQ(TitleIdForEdition(1), 59421u);
  EXPECT_EQ(TitleIdForEdition(2), 59420u);
  EXPECT_EQ(TitleIdForEdition(0), 59422u);
  EXPECT_EQ(TitleIdForEdition(3), 59422u);
}

class RecorderLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempDir("vt_link_");
    old_ = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (old_.empty()) unsetenv("XDG_RUNTIME_DIR");
    else setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
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
  EXPECT_EQ(LinkSocketPath("VTKelvane"), dir_.string() + "/vantor/VTKelvane");
  EXPECT_FALSE(LinkFind(kClassRecorder));
  EXPECT_FALSE(LinkPost(kClassRecorder, 0x83F5, 0, 0));
  CLinkListener listener;
  ASSERT_TRUE(listener.Listen(kClassRecorder));
  CLinkListener second;
  EXPECT_FALSE(second.Listen(kClassRecorder)) << "a live listener owns the class";
  EXPECT_TRUE(LinkFind(kClassRecorder));
  EXPECT_FALSE(LinkFind(kClassRemote));
  EXPECT_TRUE(LinkPost(kClassRecorder, 0x83F5, 0, 0));
  EXPECT_TRUE(LinkPost(kClassRecorder, 0x83F8, 1210000000, MakeCameraParam(15)));
  pollfd p{listener.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 1000), 1);
  auto msgs = listener.ReadPending();
  ASSERT_EQ(msgs.size(), 2u);  // the find carried no frame
  EXPECT_EQ(msgs[0].msg, 0x83F5u);
  EXPECT_EQ(msgs[1].msg, 0x83F8u);
  EXPECT_EQ(msgs[1].wParam, 1210000000u);
  EXPECT_EQ(msgs[1].lParam, 16 << 16);
  listener.Close();
  EXPECT_FALSE(LinkFind(kClassRecorder));
}

TEST_F(RecorderLinkTest, FolderOthersCanWriteIsNotUsed) {
  ::mkdir(LinkFolder().c_str(), 0700);
  std::filesystem::permissions(LinkFolder(), std::filesystem::perms::others_write, std::filesystem::perm_options::add);
  CLinkListener listener;
  EXPECT_FALSE(listener.Listen(kClassRecorder));
  EXPECT_FALSE(LinkFind(kClassRecorder));
  std::filesystem::permissions(LinkFolder(), std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  EXPECT_TRUE(listener.Listen(kClassRecorder));
  EXPECT_TRUE(LinkFind(kClassRecorder));
}

TEST_F(RecorderLinkTest, StaleSocketFileIsReplaced) {
  // A crashed owner leaves its socket file behind with nobody listening.
  ::mkdir(LinkFolder().c_str(), 0700);
  std::string path = LinkSocketPath(kClassPlayer);
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  strcpy(addr.sun_path, path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  close(fd);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_FALSE(LinkFind(kClassPlayer));
  CLinkListener fresh;
  EXPECT_TRUE(fresh.Listen(kClassPlayer));
  EXPECT_TRUE(LinkFind(kClassPlayer));
}

}  // namespace
}  // namespace vt
