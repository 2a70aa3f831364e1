// Text and JSON renderings of an index and of the record tree for vtdb. They write straight to
// the stream, record by record, so the memory they need does not grow with the output.
#pragma once

#include <ostream>
#include <string>

#include "recorddb/record_db.h"

namespace vt::vtdb {

// A JSON string of text: valid UTF-8 passes, control characters are escaped, and each byte
// that is not part of valid UTF-8 becomes U+FFFD (see JsonPathFields for the exact bytes).
std::string JsonString(const std::string& text);
// `"name": "..."`, followed by `, "nameBytes": "<hex>"` with the exact bytes when text is not
// valid UTF-8, so that any path can be recovered from the JSON.
std::string JsonPathFields(const char* name, const std::string& text);
// One line of text output: newlines, tabs and other control characters escaped (\n, \t, \xHH).
std::string TextLine(const std::string& text);
// Local "YYYY-MM-DD HH:MM:SS" of t.
std::string TimeText(time32 t);

// The whole index: every node with all its fields.
void DumpText(std::ostream& o, const RdbIndex& index);
void DumpJson(std::ostream& o, const RdbIndex& index);
// What the record tree shows, with each record's end, kind, size and path.
void ListText(std::ostream& o, const CRecordDB& db);
void ListJson(std::ostream& o, const CRecordDB& db);

}  // namespace vt::vtdb
