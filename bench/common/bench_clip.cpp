#include "bench_clip.h"

#include <cstdlib>
#include <system_error>

namespace vt::bench {

namespace fs = std::filesystem;

fs::path BenchCacheDir() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  const fs::path base = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : "/tmp") / ".cache";
  return base / "vtplayer-bench";
}

bool EnsureCachedClip(const TestClipSpec& spec, const fs::path& path, std::string* error) {
  if (fs::exists(path)) return true;
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  const fs::path part = path.string() + ".part";
  if (!MakeTestClip(spec, part.string(), error)) return false;
  fs::rename(part, path, ec);
  if (ec && error) *error = ec.message();
  return !ec;
}

}  // namespace vt::bench
