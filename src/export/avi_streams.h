// What an AVI file's header says about its streams, read without a media framework: enough to
// skip opening a recording for a stream it does not have.
#pragma once

#include <string>

namespace vt {

struct AviStreams {
  int video = 0;  // 'vids' streams
  int audio = 0;  // 'auds' streams
};

// False when the file is not an AVI whose header list can be read.
bool ReadAviStreams(const std::string& path, AviStreams* streams);

}  // namespace vt
