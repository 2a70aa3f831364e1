// Text and JSON renderings of an index and of the record tree for vtdb.
#pragma once

#include <string>

#include "recorddb/record_db.h"

namespace vt::vtdb {

std::string JsonString(const std::string& text);
// Local "YYYY-MM-DD HH:MM:SS" of t.
std::string TimeText(time32 t);

// The whole index: every node with all its fields.
std::string DumpText(const RdbIndex& index);
std::string DumpJson(const RdbIndex& index);
// What the record tree shows, with each record's end, kind, size and path.
std::string ListText(const CRecordDB& db);
std::string ListJson(const CRecordDB& db);

}  // namespace vt::vtdb
