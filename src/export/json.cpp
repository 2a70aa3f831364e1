#include "export/json.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vt {

const JsonValue& JsonValue::operator[](const std::string& key) const {
  static const JsonValue kNullValue;
  if (m_type != kObject) return kNullValue;
  for (size_t i = 0; i < m_keys.size(); ++i)
    if (m_keys[i] == key) return m_items[i];
  return kNullValue;
}

bool JsonValue::Has(const std::string& key) const {
  if (m_type != kObject) return false;
  for (const std::string& k : m_keys)
    if (k == key) return true;
  return false;
}

JsonValue JsonValue::MakeBool(bool b) {
  JsonValue v;
  v.m_type = kBool;
  v.m_bool = b;
  return v;
}

JsonValue JsonValue::MakeInt(int64_t i) {
  JsonValue v;
  v.m_type = kInt;
  v.m_int = i;
  return v;
}

JsonValue JsonValue::MakeDouble(double d) {
  JsonValue v;
  v.m_type = kDouble;
  v.m_double = d;
  return v;
}

JsonValue JsonValue::MakeString(std::string s) {
  JsonValue v;
  v.m_type = kString;
  v.m_str = std::move(s);
  return v;
}

JsonValue JsonValue::MakeArray() {
  JsonValue v;
  v.m_type = kArray;
  return v;
}

JsonValue JsonValue::MakeObject() {
  JsonValue v;
  v.m_type = kObject;
  return v;
}

void JsonValue::Set(const std::string& key, JsonValue v) {
  for (size_t i = 0; i < m_keys.size(); ++i) {
    if (m_keys[i] == key) {
      m_items[i] = std::move(v);
      return;
    }
  }
  m_keys.push_back(key);
  m_items.push_back(std::move(v));
}

namespace {

void WriteString(std::string* out, const std::string& s) {
  out->push_back('"');
  for (unsigned char c : s) {
    switch (c) {
      case '"': out->append("\\\""); break;
      case '\\': out->append("\\\\"); break;
      case '\n': out->append("\\n"); break;
      case '\r': out->append("\\r"); break;
      case '\t': out->append("\\t"); break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out->append(buf);
        } else {
          out->push_back(static_cast<char>(c));
        }
    }
  }
  out->push_back('"');
}

}  // namespace

void JsonValue::WriteTo(std::string* out, int indent) const {
  const std::string pad(static_cast<size_t>(indent + 2), ' ');
  switch (m_type) {
    case kNull: out->append("null"); return;
    case kBool: out->append(m_bool ? "true" : "false"); return;
    case kInt: out->append(std::to_string(m_int)); return;
    case kDouble: {
      // Independent of the locale's decimal point.
      char buf[32];
      const auto r = std::to_chars(buf, buf + sizeof buf, std::isfinite(m_double) ? m_double : 0.0);
      const std::string text(buf, r.ptr);
      out->append(text);
      // A double stays a double when read back ("-0" would come back as the integer 0).
      if (text.find_first_of(".eE") == std::string::npos) out->append(".0");
      return;
    }
    case kString: WriteString(out, m_str); return;
    case kArray:
    case kObject: {
      const bool object = m_type == kObject;
      if (m_items.empty()) {
        out->append(object ? "{}" : "[]");
        return;
      }
      out->append(object ? "{\n" : "[\n");
      for (size_t i = 0; i < m_items.size(); ++i) {
        out->append(pad);
        if (object) {
          WriteString(out, m_keys[i]);
          out->append(": ");
        }
        m_items[i].WriteTo(out, indent + 2);
        out->append(i + 1 < m_items.size() ? ",\n" : "\n");
      }
      out->append(static_cast<size_t>(indent), ' ');
      out->push_back(object ? '}' : ']');
      return;
    }
  }
}

std::string JsonValue::Write() const {
  std::string out;
  WriteTo(&out, 0);
  out.push_back('\n');
  return out;
}

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : m_text(text) {}

  bool Parse(JsonValue* out, std::string* error) {
    SkipSpace();
    bool ok = Value(out, 0);
    if (ok) {
      SkipSpace();
      if (m_pos != m_text.size()) ok = Fail("text after the value");
    }
    if (!ok && error) *error = m_error + " at byte " + std::to_string(m_pos);
    return ok;
  }

 private:
  bool Fail(const char* why) {
    if (m_error.empty()) m_error = why;
    return false;
  }

  void SkipSpace() {
    while (m_pos < m_text.size() &&
           (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
      ++m_pos;
  }

  bool Literal(const char* word) {
    const size_t n = std::strlen(word);
    if (m_text.compare(m_pos, n, word) != 0) return Fail("unknown literal");
    m_pos += n;
    return true;
  }

  bool Value(JsonValue* out, int depth) {
    if (depth > kJsonMaxDepth) return Fail("nested too deeply");
    if (m_pos >= m_text.size()) return Fail("unexpected end");
    switch (m_text[m_pos]) {
      case '{': return Object(out, depth);
      case '[': return Array(out, depth);
      case '"':
        out->m_type = JsonValue::kString;
        return String(&out->m_str);
      case 't':
        *out = JsonValue::MakeBool(true);
        return Literal("true");
      case 'f':
        *out = JsonValue::MakeBool(false);
        return Literal("false");
      case 'n':
        *out = JsonValue();
        return Literal("null");
      default: return Number(out);
    }
  }

  bool Object(JsonValue* out, int depth) {
    *out = JsonValue::MakeObject();
    ++m_pos;
    SkipSpace();
    if (m_pos < m_text.size() && m_text[m_pos] == '}') {
      ++m_pos;
      return true;
    }
    for (;;) {
      SkipSpace();
      if (m_pos >= m_text.size() || m_text[m_pos] != '"') return Fail("expected a member name");
      std::string key;
      if (!String(&key)) return false;
      if (out->Has(key)) return Fail("duplicate member name");
      SkipSpace();
      if (m_pos >= m_text.size() || m_text[m_pos] != ':') return Fail("expected ':'");
      ++m_pos;
      SkipSpace();
      JsonValue v;
      if (!Value(&v, depth + 1)) return false;
      out->m_keys.push_back(std::move(key));
      out->m_items.push_back(std::move(v));
      SkipSpace();
      if (m_pos >= m_text.size()) return Fail("unexpected end");
      if (m_text[m_pos] == ',') {
        ++m_pos;
        continue;
      }
      if (m_text[m_pos] == '}') {
        ++m_pos;
        return true;
      }
      return Fail("expected ',' or '}'");
    }
  }

  bool Array(JsonValue* out, int depth) {
    *out = JsonValue::MakeArray();
    ++m_pos;
    SkipSpace();
    if (m_pos < m_text.size() && m_text[m_pos] == ']') {
      ++m_pos;
      return true;
    }
    for (;;) {
      SkipSpace();
      JsonValue v;
      if (!Value(&v, depth + 1)) return false;
      out->m_items.push_back(std::move(v));
      SkipSpace();
      if (m_pos >= m_text.size()) return Fail("unexpected end");
      if (m_text[m_pos] == ',') {
        ++m_pos;
        continue;
      }
      if (m_text[m_pos] == ']') {
        ++m_pos;
        return true;
      }
      return Fail("expected ',' or ']'");
    }
  }

  bool Hex4(uint32_t* v) {
    if (m_pos + 4 > m_text.size()) return Fail("short \\u escape");
    *v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = m_text[m_pos++];
      *v <<= 4;
      if (c >= '0' && c <= '9') *v |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') *v |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') *v |= static_cast<uint32_t>(c - 'A' + 10);
      else return Fail("bad \\u escape");
    }
    return true;
  }

  static void AppendUtf8(std::string* s, uint32_t cp) {
    if (cp < 0x80) {
      s->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      s->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      s->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      s->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      s->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      s->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      s->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      s->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      s->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      s->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  bool String(std::string* out) {
    ++m_pos;  // opening quote
    out->clear();
    for (;;) {
      if (m_pos >= m_text.size()) return Fail("unterminated string");
      const unsigned char c = static_cast<unsigned char>(m_text[m_pos++]);
      if (c == '"') return true;
      if (c < 0x20) return Fail("control character in string");
      if (c != '\\') {
        out->push_back(static_cast<char>(c));
        continue;
      }
      if (m_pos >= m_text.size()) return Fail("unterminated string");
      const char e = m_text[m_pos++];
      switch (e) {
        case '"': out->push_back('"'); break;
        case '\\': out->push_back('\\'); break;
        case '/': out->push_back('/'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 't': out->push_back('\t'); break;
        case 'u': {
          uint32_t cp = 0;
          if (!Hex4(&cp)) return false;
          if (cp >= 0xDC00 && cp <= 0xDFFF) return Fail("lone low surrogate");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t lo = 0;
            if (m_pos + 2 > m_text.size() || m_text[m_pos] != '\\' || m_text[m_pos + 1] != 'u')
              return Fail("lone high surrogate");
            m_pos += 2;
            if (!Hex4(&lo)) return false;
            if (lo < 0xDC00 || lo > 0xDFFF) return Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: return Fail("bad escape");
      }
    }
  }

  bool Number(JsonValue* out) {
    const size_t start = m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '-') ++m_pos;
    if (m_pos >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) return Fail("bad value");
    if (m_text[m_pos] == '0' && m_pos + 1 < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos + 1])))
      return Fail("leading zero");
    while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    bool integral = true;
    if (m_pos < m_text.size() && m_text[m_pos] == '.') {
      integral = false;
      ++m_pos;
      if (m_pos >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) return Fail("bad number");
      while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    }
    if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
      integral = false;
      ++m_pos;
      if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) ++m_pos;
      if (m_pos >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) return Fail("bad number");
      while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    }
    const char* first = m_text.data() + start;
    const char* last = m_text.data() + m_pos;
    if (integral) {
      int64_t v = 0;
      if (std::from_chars(first, last, v).ec == std::errc()) {
        *out = JsonValue::MakeInt(v);
        return true;
      }
    }
    double d = 0;
    if (std::from_chars(first, last, d).ec != std::errc()) return Fail("number out of range");
    *out = JsonValue::MakeDouble(d);
    return true;
  }

  const std::string& m_text;
  size_t m_pos = 0;
  std::string m_error;
};

bool ParseJson(const std::string& text, JsonValue* out, std::string* error) {
  JsonValue v;
  JsonParser p(text);
  if (!p.Parse(&v, error)) return false;
  if (out) *out = std::move(v);
  return true;
}

}  // namespace vt
