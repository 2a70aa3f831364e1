// Temporary folders and small file helpers of the platform tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/temp_dir.h"

namespace vt::test {

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace vt::test
