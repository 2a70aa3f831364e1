// vtdemo [DIR]: makes the demo recorder data folder without the player window.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo/demo_data.h"

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")))) {
    std::printf(
        "usage: vtdemo [DIR]\n"
        "Makes a demo recorder data folder in DIR (default %s): vantor.ini with three\n"
        "cameras and a few days of short recordings. An existing complete set is reused.\n"
        "Then: vtplayer --data-folder DIR\n",
        vt::demo::DefaultDemoFolder().c_str());
    return argc > 2 ? 2 : 0;
  }
  const std::string dir = argc == 2 ? argv[1] : vt::demo::DefaultDemoFolder();
  const bool existed = vt::demo::IsDemoDataComplete(dir);
  const auto t0 = std::chrono::steady_clock::now();
  std::string error;
  const bool ok = vt::demo::GenerateDemoData(dir, &error, [](int done, int total, const std::string& file) {
    std::fprintf(stderr, "[%2d/%d] %s\n", done, total, file.c_str());
  });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (!ok) {
    std::fprintf(stderr, "vtdemo: %s\n", error.c_str());
    return 1;
  }
  if (existed)
    std::printf("%s: demo data already there, reused\n", dir.c_str());
  else
    std::printf("%s: demo data made in %.1f s\n", dir.c_str(), seconds);
  return 0;
}
