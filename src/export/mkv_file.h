// What the export needs of a Matroska file beyond the muxer: its date and tags read back, and
// the muxer's Tags element (the last one of the segment) replaced by ours, whose strings are
// stored as they are rather than in the muxer's serialised form ("C1:Front\ door").
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "export/export_time.h"

namespace vt {

using MatroskaTags = std::vector<std::pair<std::string, std::string>>;

struct MatroskaSummary {
  bool hasDate = false;
  WallTime dateUtc = 0;            // Info/DateUTC
  uint64_t timestampScaleNs = 0;   // Info/TimestampScale
  double durationTicks = 0;        // Info/Duration in ticks of the timestamp scale
  std::string writingApp;
  MatroskaTags tags;               // SimpleTag name and string, in file order
};

// Reads the EBML header, the segment's Info and its Tags. False with a reason for a file that is
// not Matroska or is cut short.
bool ReadMatroskaSummary(const std::string& path, MatroskaSummary* out, std::string* error);

// Replaces the segment's last element, which must be a Tags element, with one Tag (target: the
// whole file) holding tags, and corrects the segment's size. fd is open for reading and writing.
bool ReplaceTrailingTags(int fd, const MatroskaTags& tags, std::string* error);

}  // namespace vt
