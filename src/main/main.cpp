#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/vant_player_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Help, version and mistakes are answered without a display and before anything is touched.
  vt::CPlayerCommandLineInfo cmd;
  std::string error;
  if (!cmd.Parse(args, &error)) {
    std::fprintf(stderr, "vtplayer: %s\n%s", error.c_str(), vt::CommandLineHelp("vtplayer").c_str());
    return 2;
  }
  if (cmd.m_bHelp) {
    std::fputs(vt::CommandLineHelp("vtplayer").c_str(), stdout);
    return 0;
  }
  if (cmd.m_bVersion) {
    std::fputs(vt::VersionText("vtplayer").c_str(), stdout);
    return 0;
  }
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VTPlayer"));
  QApplication::setOrganizationName(QStringLiteral("VTPlayer"));
  vt::CVantPlayerApp app;
  int exitCode = 0;
  if (!app.InitInstance(args, &exitCode)) {
    app.ExitInstance();
    return exitCode;
  }
  qapp.exec();
  return app.ExitInstance();
}
