#include "vtdb_output.h"

#include <cinttypes>
#include <cstring>
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

std::string StoredPath(const RDB_RECORD& r) { return std::string(r.szFilePath, strnlen(r.szFilePath, sizeof r.szFilePath)); }

std::string RecordJson(const RDB_RECORD& r) {
  std::ostringstream o;
  o << "{" << JsonPathFields("szFilePath", StoredPath(r)) << ", \"nKind\": " << r.nKind << ", \"tStart\": " << r.tStart
    << ", \"tEnd\": " << r.tEnd << ", \"qwSize\": " << r.qwSize << "}";
  return o.str();
}

// Length of the valid UTF-8 sequence at s[i], 0 when the byte there does not begin one.
size_t Utf8Sequence(const std::string& s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  uint32_t cp = 0;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not valid.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool AllUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8Sequence(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t n = Utf8Sequence(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(text, i, n);
      i += n;
      continue;
    }
    ++i;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
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

std::string JsonPathFields(const char* name, const std::string& text) {
  // Appended piece by piece: gcc 12 at -O3 takes "literal" + string&& for an overlapping copy.
  std::string out = "\"";
  out += name;
  out += "\": ";
  out += JsonString(text);
  if (AllUtf8(text)) return out;
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  out += ", \"";
  out += name;
  out += "Bytes\": \"";
  out += hex;
  out += '"';
  return out;
}

std::string TextLine(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

std::string TimeText(time32 t) { return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S"); }

void DumpText(std::ostream& o, const RdbIndex& index) {
  o << "header " << HeaderFields(index.header, "=", "") << "\n";
  for (const auto& y : index.years) {
    o << "  year " << NodeFields(y.node, "=", "") << "\n";
    for (const auto& m : y.months) {
      o << "    month " << NodeFields(m.node, "=", "") << "\n";
      for (const auto& d : m.days) {
        o << "      day " << NodeFields(d.node, "=", "") << "\n";
        for (const auto& r : d.records)
          o << "        record nKind=" << r.nKind << " tStart=" << r.tStart << " tEnd=" << r.tEnd
            << " qwSize=" << r.qwSize << " szFilePath=" << TextLine(StoredPath(r)) << "\n";
      }
    }
  }
}

void DumpJson(std::ostream& o, const RdbIndex& index) {
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
}

void ListText(std::ostream& o, const CRecordDB& db) {
  for (const RdbDayRef& d : db.ListDays()) {
    o << RdbDayText(d.nYear, d.nMonth, d.nDay) << "\n";
    for (const auto& r : d.pDay->records)
      o << "  " << RdbRecordText(r) << "\t" << TimeText(r.tEnd) << "\t" << r.nKind << "\t" << r.qwSize << "\t"
        << TextLine(db.ResolvePath(r)) << "\n";
  }
}

void ListJson(std::ostream& o, const CRecordDB& db) {
  o << "[";
  bool firstDay = true;
  for (const RdbDayRef& d : db.ListDays()) {
    o << (firstDay ? "" : ", ") << "{\"day\": " << JsonString(RdbDayText(d.nYear, d.nMonth, d.nDay))
      << ", \"records\": [";
    firstDay = false;
    for (size_t i = 0; i < d.pDay->records.size(); ++i) {
      const auto& r = d.pDay->records[i];
      o << (i ? ", " : "") << "{\"time\": " << JsonString(RdbRecordText(r)) << ", \"end\": " << JsonString(TimeText(r.tEnd))
        << ", " << JsonPathFields("szFilePath", StoredPath(r)) << ", " << JsonPathFields("file", db.ResolvePath(r))
        << ", \"nKind\": " << r.nKind << ", \"tStart\": " << r.tStart << ", \"tEnd\": " << r.tEnd
        << ", \"qwSize\": " << r.qwSize << "}";
    }
    o << "]}";
  }
  o << "]\n";
}

}  // namespace vt::vtdb
