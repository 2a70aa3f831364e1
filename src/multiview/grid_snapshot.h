// Snapshots of the side-by-side grid: the whole grid as one picture (for the Snapshot dialog,
// whose caption gives the common time), or every tile's own picture saved into a folder.
#pragma once

#include <string>
#include <vector>

#include "multiview/camera_grid.h"
#include "snapshot/frame_converter.h"
#include "snapshot/snapshot_settings.h"

namespace vt {

// Every tile's frame in its cell of the grid picture (shape kept, black around), the camera's
// label at the bottom left of the cell, "no recording" on the dark ones. 24-bit bottom-up; empty
// when the grid has no tiles.
PackedDib ComposeGridPicture(CCameraGrid& grid);

struct TileSnapshotResult {
  std::vector<std::string> written;  // file names in the folder
  std::vector<std::string> failed;   // labels of the tiles whose picture could not be saved
};
// Saves the picture of every tile that shows one as a JPEG into folder, named by the common
// time and the channel (existing files are never replaced), with the date and time of the
// common time as caption in the settings' font and colour.
TileSnapshotResult SaveTileSnapshots(CCameraGrid& grid, const std::string& folder, const CSnapshotSettings& settings);

}  // namespace vt
