#include <QApplication>

#include <string>
#include <vector>

#include "app/vant_player_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
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
