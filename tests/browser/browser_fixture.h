// Shared pieces of the left-pane tests: message capture and a record database made in memory.
#pragma once

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/message_window.h"
#include "common/message_log.h"
#include "platform/local_time.h"
#include "recorddb/record_db.h"

namespace vt::test {

// The main window's message target for the length of a test.
class MainWindowStandIn : public MessageLog {
 public:
  MainWindowStandIn() { SetMainWndTarget(this); }
  ~MainWindowStandIn() override { SetMainWndTarget(nullptr); }
};

inline RDB_RECORD MakeRecord(time32 start, int seconds, int kind) {
  RDB_RECORD r{};
  std::snprintf(r.szFilePath, sizeof r.szFilePath, "/rec/%d.avi", static_cast<int>(start));
  r.nKind = kind;
  r.tStart = start;
  r.tEnd = start + seconds;
  r.qwSize = 1000;
  return r;
}

// Replaces db's hierarchy by the given records (folder: a scratch folder for the index that
// the record list writes back when it goes).
inline void FillDatabase(CRecordDB& db, const std::string& folder, const std::vector<RDB_RECORD>& records) {
  db.SetFolder(folder);
  db.NewEmpty();
  RDB_CURSOR cursor;
  for (const auto& r : records) db.AddRecord(&cursor, r);
}

}  // namespace vt::test
