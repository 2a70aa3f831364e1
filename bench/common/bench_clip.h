// Generated clips kept between benchmark runs, in $XDG_CACHE_HOME/vtplayer-bench (or
// ~/.cache/vtplayer-bench).
#pragma once

#include <filesystem>
#include <string>

#include "playback/gst/test_media.h"

namespace vt::bench {

std::filesystem::path BenchCacheDir();

// Writes the clip at path unless it is there already; a clip cut short by an interrupted run is
// never taken for a whole one. False with the reason in *error.
bool EnsureCachedClip(const TestClipSpec& spec, const std::filesystem::path& path, std::string* error);

}  // namespace vt::bench
