// Fixtures of the record database tests: temporary folders, time zones, records and index bytes.
#pragma once

#include <sys/stat.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/scoped_tz.h"
#include "common/temp_dir.h"
#include "platform/message.h"
#include "recorddb/record_db.h"

namespace vt::test {

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

constexpr const char* kTzBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

inline time32 Utc(int y, int mo, int d, int h, int mi, int s) {
  struct tm tm {};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return static_cast<time32>(::timegm(&tm));
}

inline RDB_RECORD Rec(time32 start, time32 end, uint64_t size = 1000, const std::string& path = "/nowhere/x.avi",
                      int kind = 0) {
  RDB_RECORD r{};
  std::snprintf(r.szFilePath, sizeof r.szFilePath, "%s", path.c_str());
  r.tStart = start;
  r.tEnd = end;
  r.qwSize = size;
  r.nKind = kind;
  return r;
}

inline uint32_t U32At(const std::string& bytes, size_t offset) {
  uint32_t v = 0;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

inline void PutU32(std::string* bytes, size_t offset, uint32_t v) { std::memcpy(bytes->data() + offset, &v, 4); }

// A tree that records what FillTree inserted.
struct FakeTree : IRecordTree {
  struct Day {
    std::string text;
    std::vector<std::pair<std::string, int>> records;
  };
  std::vector<Day> days;
  int clears = 0;
  void Clear() override {
    ++clears;
    days.clear();
  }
  RecordTreeItem InsertDay(const std::string& text) override {
    days.push_back({text, {}});
    return static_cast<RecordTreeItem>(days.size());
  }
  RecordTreeItem InsertRecord(RecordTreeItem day, const std::string& text, int kind) override {
    days[static_cast<size_t>(day) - 1].records.push_back({text, kind});
    return 0;
  }
};

// Records every message sent or posted.
struct FakeWindow : IMessageTarget {
  struct Msg {
    uint32_t msg;
    WPARAM w;
    LPARAM l;
  };
  std::vector<Msg> sent, posted;
  bool Post(uint32_t msg, WPARAM w, LPARAM l) override {
    posted.push_back({msg, w, l});
    return true;
  }
  LRESULT Send(uint32_t msg, WPARAM w, LPARAM l) override {
    sent.push_back({msg, w, l});
    return 0;
  }
  // "code:value" of every progress message, for compact comparisons.
  std::vector<std::string> Progress() const {
    std::vector<std::string> out;
    for (const auto& m : sent)
      if (m.msg == kMsgProgress) out.push_back(std::to_string(m.w) + ":" + std::to_string(m.l));
    return out;
  }
};

}  // namespace vt::test
