#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/vant_player_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // --help answers without a display.
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(vt::CommandLineHelp("vtplayer").c_str(), stdout);
      return 0;
    }
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
