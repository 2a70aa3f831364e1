#include "skin/skin_files.h"

#include <utility>

#include "platform/paths.h"
#include "skin/dib.h"

namespace vt {

const char* const kButtonFiles[kButtonCount] = {"btn/play.bmp",    "btn/pause.bmp",   "btn/stop.bmp",
                                                 "btn/backward.bmp", "btn/forward.bmp", "btn/snap.bmp",
                                                 "btn/zoom.bmp",     "btn/speed.bmp"};
const char* const kButtonBarBackground[kBackgroundPieces] = {"bg/Cleft.bmp", "bg/CMid.bmp", "bg/CRight.bmp"};
const char* const kInfoBarBackground[kBackgroundPieces] = {"bg/Ileft.bmp", "bg/IMid.bmp", "bg/IRight.bmp"};
const char* const kSeekElementFiles[kSeekElements] = {"btn/thumb.bmp", "btn/prev.bmp", "btn/next.bmp"};
const char* const kSeekBarBackground[kSeekBackgroundPieces] = {"bg/Sleft.bmp", "bg/SMid.bmp", "bg/SMid1.bmp",
                                                               "bg/SRight.bmp"};
const char* const kVideoFrameFiles[kVideoFramePieces] = {"bg/VUpLeft.bmp", "bg/VUpMid.bmp", "bg/VUpRight.bmp",
                                                         "bg/VLeft.bmp", "bg/VRight.bmp"};

const int kButtonIds[kButtonCount] = {1, 2, 3, 4, 5, 6, 7, 8};
std::string g_buttonTexts[kButtonCount] = {"Play", "Pause",    "Stop", "Backward",
                                           "Forward", "Snapshot", "Zoom", "Speed"};
const int kButtonTextIds[kButtonCount] = {59404, 59405, 59406, 59407, 59408, 59412, 59409, 59411};

std::string SkinPath(const std::string& skinFolder, const char* name) {
  return ResolvePathCase(JoinPath(skinFolder, name));
}

std::string FirstUnloadableSkinFile(const std::string& skinFolder) {
  const std::pair<const char* const*, int> lists[] = {
      {kVideoFrameFiles, kVideoFramePieces},        {kInfoBarBackground, kBackgroundPieces},
      {kSeekBarBackground, kSeekBackgroundPieces},  {kSeekElementFiles, kSeekElements},
      {kButtonBarBackground, kBackgroundPieces},    {kButtonFiles, kButtonCount},
  };
  for (const auto& [files, count] : lists) {
    for (int i = 0; i < count; ++i) {
      const std::string path = SkinPath(skinFolder, files[i]);
      CDib dib;
      if (!dib.Load(path)) return path;
    }
  }
  return {};
}

std::string SkinFailureText(const std::string& path) {
  return "The Player's skin picture " + path +
         " cannot be loaded: it is missing or not an uncompressed bitmap of 8, 16, 24 or 32 bits. Records cannot be "
         "played until it is replaced.";
}

}  // namespace vt
