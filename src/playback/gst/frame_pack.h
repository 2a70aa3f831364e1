// Frames of the GStreamer engine in the engine interface's forms: a VideoFrame copied out of a
// mapped GStreamer frame, and the packed bitmap a capture hands over.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "playback/media_engine.h"

namespace vt {

// The engine interface's FOURCC of a GStreamer format; 0 for a format it does not use.
uint32_t FourCCOf(GstVideoFormat f);
// The mapped frame as a VideoFrame: planes copied with their strides; pts in 100 ns or -1.
void CopyVideoFrame(GstVideoFrame* vf, GstClockTime pts, VideoFrame* frame);
// The sample's picture as a VideoFrame (with the buffer's pts); null when it cannot be mapped.
std::shared_ptr<const VideoFrame> SampleToFrame(GstSample* sample);
// The same without a copy where the planes lie in one mapped block: the frame keeps the buffer
// mapped, and so out of its pool, for as long as it lives. For the frame on screen, not for
// frames kept in numbers (a decoder whose pool runs dry stops).
std::shared_ptr<const VideoFrame> ShareSampleFrame(GstSample* sample);
// The frame as a packed bitmap: planar 4:2:0 with 4-byte aligned luma and chroma rows (chroma
// order of the format), packed 4:2:2 top-down, or 32-bit bottom-up BI_RGB. YUV frames whose
// size the chroma does not divide are handed over as RGB, so every edge pixel keeps its colour.
// Empty for an unknown format or planes that do not fit the data.
std::vector<uint8_t> PackBitmap(const VideoFrame& frame);

}  // namespace vt
