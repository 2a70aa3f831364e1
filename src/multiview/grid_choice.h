// Which camera each tile shows, as remembered between runs: a list of channel numbers, one per
// tile ("1,2,0,4": channels 1-16, 0 for an empty tile), and how a grid fills new tiles.
#pragma once

#include <string>
#include <vector>

namespace vt {

// Channel indexes (0-15, -1 empty) of tiles tiles from the remembered text; tiles the text does
// not name, and numbers that are not channels, are -1.
std::vector<int> ParseTileChannels(const std::string& text, int tiles);
std::string FormatTileChannels(const std::vector<int>& channels);
// The channels resized to tiles tiles: the tiles kept stay as they are, new ones take the
// cameras of available (channel indexes in list order) that no tile shows yet, then stay empty.
std::vector<int> FillTileChannels(std::vector<int> channels, int tiles, const std::vector<int>& available);

}  // namespace vt
