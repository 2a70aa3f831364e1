#include "vtdb_output.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "platform/local_time.h"

namespace vt::vtdb {

namespace {

std::string Num(int64_t v) { return std::to_string(v); }
std::string Num(uint64_t v) { return std::to_string(v); }

std::string HeaderFields(const RDB_HEADER& h, const char* sep, const char* quote) {
  std::ostringstream o;
  auto f = [&](const char* name, const std::string& v, bool last = false) {
    o << quote << name << quote << sep << v << (last ? "" : (quote[0] ? ", " : " "));
  };
  f("dwVersion", Num(uint64_t{h.dwVersion}));
  f("tStart", Num(int64_t{h.tStart}));
  f("tEnd", Num(int64_t{h.tEnd}));
  f("qwSize", Num(h.qwSize));
  f("nCount", Num(uint64_t{h.nCount}));
  f("nCapacity", Num(uint64_t{h.nCapacity}));
  f("bModified", Num(uint64_t{h.bModified}));
  f("tCreated", Num(int64_t{h.tCreated}));
  f("tUpdated", Num(int64_t{h.tUpdated}), true);
  return o.str();
}

std::string NodeFields(const RDB_NODE& n, const char* sep, const char* quote) {
  std::ostringstream o;
  auto f = [&](const char* name, const std::string& v, bool last = false) {
    o << quote << name << quote << sep << v << (last ? "" : (quote[0] ? ", " : " "));
  };
  f("wKey", Num(uint64_t{n.wKey}));
  f("tStart", Num(int64_t{n.tStart}));
  f("tEnd", Num(int64_t{n.tEnd}));
  f("qwSize", Num(n.qwSize));
  f("nCount", Num(uint64_t{n.nCount}));
  f("nCapacity", Num(uint64_t{n.nCapacity}), true);
  return o.str();
}

std::string RecordJson(const RDB_RECORD& r) {
  std::ostringstream o;
  o << "{\"szFilePath\": " << JsonString(r.szFilePath) << ", \"nKind\": " << r.nKind << ", \"tStart\": " << r.tStart
    << ", \"tEnd\": " << r.tEnd << ", \"qwSize\": " << r.qwSize << "}";
  return o.str();
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string TimeText(time32 t) { return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S"); }

std::string DumpText(const RdbIndex& index) {
  std::ostringstream o;
  o << "header " << HeaderFields(index.header, "=", "") << "\n";
  for (const auto& y : index.years) {
    o << "  year " << NodeFields(y.node, "=", "") << "\n";
    for (const auto& m : y.months) {
      o << "    month " << NodeFields(m.node, "=", "") << "\n";
      for (const auto& d : m.days) {
        o << "      day " << NodeFields(d.node, "=", "") << "\n";
        for (const auto& r : d.records)
          o << "        record nKind=" << r.nKind << " tStart=" << r.tStart << " tEnd=" << r.tEnd
            << " qwSize=" << r.qwSize << " szFilePath=" << r.szFilePath << "\n";
      }
    }
  }
  return o.str();
}

std::string DumpJson(const RdbIndex& index) {
  std::ostringstream o;
  o << "{\"header\": {" << HeaderFields(index.header, ": ", "\"") << "}, \"years\": [";
  for (size_t yi = 0; yi < index.years.size(); ++yi) {
    const auto& y = index.years[yi];
    o << (yi ? ", " : "") << "{" << NodeFields(y.node, ": ", "\"") << ", \"months\": [";
    for (size_t mi = 0; mi < y.months.size(); ++mi) {
      const auto& m = y.months[mi];
      o << (mi ? ", " : "") << "{" << NodeFields(m.node, ": ", "\"") << ", \"days\": [";
      for (size_t di = 0; di < m.days.size(); ++di) {
        const auto& d = m.days[di];
        o << (di ? ", " : "") << "{" << NodeFields(d.node, ": ", "\"") << ", \"records\": [";
        for (size_t ri = 0; ri < d.records.size(); ++ri) o << (ri ? ", " : "") << RecordJson(d.records[ri]);
        o << "]}";
      }
      o << "]}";
    }
    o << "]}";
  }
  o << "]}\n";
  return o.str();
}

std::string ListText(const CRecordDB& db) {
  std::ostringstream o;
  for (const RdbDayRef& d : db.ListDays()) {
    o << RdbDayText(d.nYear, d.nMonth, d.nDay) << "\n";
    for (const auto& r : d.pDay->records)
      o << "  " << RdbRecordText(r) << "\t" << TimeText(r.tEnd) << "\t" << r.nKind << "\t" << r.qwSize << "\t"
        << db.ResolvePath(r) << "\n";
  }
  return o.str();
}

std::string ListJson(const CRecordDB& db) {
  std::ostringstream o;
  o << "[";
  bool firstDay = true;
  for (const RdbDayRef& d : db.ListDays()) {
    o << (firstDay ? "" : ", ") << "{\"day\": " << JsonString(RdbDayText(d.nYear, d.nMonth, d.nDay))
      << ", \"records\": [";
    firstDay = false;
    for (size_t i = 0; i < d.pDay->records.size(); ++i) {
      const auto& r = d.pDay->records[i];
      o << (i ? ", " : "") << "{\"time\": " << JsonString(RdbRecordText(r)) << ", \"end\": " << JsonString(TimeText(r.tEnd))
        << ", \"szFilePath\": " << JsonString(r.szFilePath) << ", \"file\": " << JsonString(db.ResolvePath(r))
        << ", \"nKind\": " << r.nKind << ", \"tStart\": " << r.tStart << ", \"tEnd\": " << r.tEnd
        << ", \"qwSize\": " << r.qwSize << "}";
    }
    o << "]}";
  }
  o << "]\n";
  return o.str();
}

}  // namespace vt::vtdb
