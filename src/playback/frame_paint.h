// Turns the engine's newest frame into the picture painted in the video rectangle: nearest-
// neighbour scaling straight from the decoder's format, so that only shown pixels are converted.
#pragma once

#include <cstdint>

#include "playback/media_engine.h"

namespace vt {

// Writes dstWidth x dstHeight pixels as 0xFFRRGGBB words, top row first, rows dstStride words
// apart. False (nothing written) for an unknown format, an empty frame or a frame whose planes
// do not fit its data.
bool ScaleFrameToRgb32(const VideoFrame& frame, uint32_t* dst, int dstWidth, int dstHeight, int dstStride);

}  // namespace vt
