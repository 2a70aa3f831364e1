// Texts of the side-by-side window: the common time, the names of tile snapshots, and how the
// tiles kept up while playing.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "multiview/camera_grid.h"

namespace vt {

// "YYYY-MM-DD HH:MM:SS.mmm" of a common time (local).
std::string FormatGridTime(int64_t t);
// File name of one tile's snapshot: "YYYYMMDD-HHMMSS-C<channel>" of the common time and the
// channel (1-16), then ".jpg".
std::string TileSnapshotName(int64_t t, int channel);
// A name like name that no file in folder has: "-1", "-2"... before the extension when needed.
std::string UniqueFileName(const std::string& folder, const std::string& name);
// One line on how the tiles kept up: the worst drift in ms and frames, the tiles sought alone and
// those showing key frames only; empty before anything was measured.
std::string DriftSummary(std::span<const TileStats> stats, std::span<const int64_t> frameTimes);

}  // namespace vt
