#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/app_paths.h"
#include "app/command_line.h"

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
  const Case cases[] = {{{"/pass"}, true},  {{"-pass"}, true},  {{"/PASS"}, false},          {{"-Pass"}, false},
                        {{"--read-only", "-pass"}, true}, {{}, false}};
  for (const Case& c : cases) {
    CPlayerCommandLineInfo info;
    std::string err;
    ASSERT_TRUE(info.Parse(c.args, &err)) << err;
    EXPECT_EQ(info.IsPassGiven(), c.pass) << (c.args.empty() ? "" : c.args.back());
  }
}

// A mistyped option must not start a player that writes into the folder it was meant to spare.
TEST(CommandLine, UnknownOptionsAndDataFolderArgument) {
  const std::string folder = TempDir("vt_cmdline_");
  const std::vector<std::vector<std::string>> refused = {
      {"--read-onyl"}, {"-read-only"}, {"/passx"}, {"--bogus", folder}, {"pass"},
      {folder, folder}, {"--data-folder", folder, folder}, {folder + "/missing"}};
  for (const auto& args : refused) {
    CPlayerCommandLineInfo info;
    std::string err;
    EXPECT_FALSE(info.Parse(args, &err)) << args[0];
    EXPECT_FALSE(err.empty());
  }
  CPlayerCommandLineInfo dir;
  std::string err;
  ASSERT_TRUE(dir.Parse({"-pass", folder}, &err)) << err;
  EXPECT_EQ(dir.m_strDataFolder, folder) << "DIR is the data folder";
  CPlayerCommandLineInfo root;
  ASSERT_TRUE(root.Parse({"/tmp"}, &err)) << "an existing folder, not a switch";
  EXPECT_EQ(root.m_strDataFolder, "/tmp");
  CPlayerCommandLineInfo version;
  ASSERT_TRUE(version.Parse({"--version"}, &err));
  EXPECT_TRUE(version.m_bVersion);
  EXPECT_EQ(VersionText("vtplayer").rfind("vtplayer ", 0), 0u);
  std::filesystem::remove_all(folder);
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

}  // namespace
}  // namespace vt
