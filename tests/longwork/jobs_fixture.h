// Cameras of generated record files for the long-work tests, and what a folder holds, to tell
// that a source was left untouched or an export is consistent.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "recorddb/rdb_fixture.h"
#include "recorddb/record_db.h"

namespace vt::test {

// Relative path -> content of every file below root ("" for a missing root).
inline std::map<std::string, std::string> FolderContents(const std::string& root) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  if (!std::filesystem::exists(root, ec)) return out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.is_regular_file()) out[std::filesystem::relative(e.path(), root).string()] = ReadFile(e.path().string());
  return out;
}

// Camera folder name/day/01hh0000hh30000.avi for each hour, each of bytes bytes.
inline std::string MakeCamera(const TempDir& dir, const std::string& name, const std::vector<int>& hours,
                              size_t bytes = 64, const std::string& day = "2008-05-10") {
  for (int h : hours) {
    char file[32];
    std::snprintf(file, sizeof file, "01%02d0000%02d30000.avi", h, h);
    std::string content = name + std::to_string(h) + ":";
    content.resize(bytes, static_cast<char>('a' + h % 26));
    WriteFile(dir / (name + "/" + day + "/" + file), content);
  }
  return dir / name;
}

// An exported camera folder is consistent when its index lists exactly the record files lying
// in it, each a complete copy of its source, and no partial copy is left. Returns the records.
inline std::vector<std::string> CheckExportedCamera(const std::string& exported, const std::string& source) {
  std::vector<std::string> listed;
  CRecordDB db;
  db.SetFolder(exported);
  EXPECT_TRUE(db.Load()) << exported;
  for (const auto& d : db.ListDays())
    for (const auto& r : d.pDay->records) {
      const std::string path = r.szFilePath;
      const std::string rel = std::filesystem::relative(path, exported).string();
      EXPECT_EQ(ReadFile(path), ReadFile(source + "/" + rel)) << rel;
      EXPECT_EQ(static_cast<uint64_t>(ReadFile(path).size()), r.qwSize) << rel;
      listed.push_back(rel);
    }
  std::vector<std::string> onDisk;
  for (const auto& [rel, content] : FolderContents(exported)) {
    EXPECT_EQ(rel.find(".part-"), std::string::npos) << rel;
    if (rel != "rdb.ndx") onDisk.push_back(rel);
  }
  EXPECT_EQ(listed, onDisk);
  return listed;
}

}  // namespace vt::test
