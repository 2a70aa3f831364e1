#include "export/avi_streams.h"

#include <cstdint>
#include <cstring>

#include "platform/win_types.h"
#include "playback/riff_reader.h"

namespace vt {

bool ReadAviStreams(const std::string& path, AviStreams* streams) {
  CRiffReader r;
  if (!r.Open(path)) return false;
  RiffChunk avi, hdrl;
  avi.fccType = MakeFourCC('A', 'V', 'I', ' ');
  hdrl.fccType = MakeFourCC('h', 'd', 'r', 'l');
  if (!r.Descend(&avi, nullptr, CRiffReader::kFindRiff) || !r.Descend(&hdrl, &avi, CRiffReader::kFindList))
    return false;
  AviStreams found;
  for (;;) {
    RiffChunk strl, strh;
    strl.fccType = MakeFourCC('s', 't', 'r', 'l');
    if (!r.Descend(&strl, &hdrl, CRiffReader::kFindList)) break;
    // The stream header is the list's first chunk; its first word is the stream type.
    uint32_t type = 0;
    if (r.Descend(&strh, &strl, 0) && strh.ckid == MakeFourCC('s', 't', 'r', 'h') && r.Read(&type, 4) == 4) {
      if (type == MakeFourCC('v', 'i', 'd', 's')) ++found.video;
      if (type == MakeFourCC('a', 'u', 'd', 's')) ++found.audio;
      r.Ascend(strh);
    }
    r.Ascend(strl);
  }
  *streams = found;
  return true;
}

}  // namespace vt
