// A small JSON document model for the export manifest: parsing with limits (depth, size) and
// compact writing helpers. Integers keep 64 bits; other numbers are doubles.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vt {

class JsonValue {
 public:
  enum Type { kNull, kBool, kInt, kDouble, kString, kArray, kObject };

  JsonValue() = default;
  Type type() const { return m_type; }
  bool IsObject() const { return m_type == kObject; }
  bool IsArray() const { return m_type == kArray; }
  bool IsString() const { return m_type == kString; }
  bool IsInt() const { return m_type == kInt; }
  bool IsBool() const { return m_type == kBool; }

  const std::string& Str() const { return m_str; }
  int64_t Int() const { return m_int; }
  double Double() const { return m_type == kInt ? static_cast<double>(m_int) : m_double; }
  bool Bool() const { return m_bool; }
  const std::vector<JsonValue>& Items() const { return m_items; }
  // Member of an object, or a null value when absent (or when this is not an object).
  const JsonValue& operator[](const std::string& key) const;
  bool Has(const std::string& key) const;

  static JsonValue MakeNull() { return {}; }
  static JsonValue MakeBool(bool b);
  static JsonValue MakeInt(int64_t v);
  static JsonValue MakeDouble(double v);
  static JsonValue MakeString(std::string s);
  static JsonValue MakeArray();
  static JsonValue MakeObject();
  void Push(JsonValue v) { m_items.push_back(std::move(v)); }
  // Members keep the order in which they were set (a key set again replaces its value).
  void Set(const std::string& key, JsonValue v);

  // Indented text, members in their order; strings are written as given (UTF-8) with the JSON
  // escapes, control characters as \u00XX.
  std::string Write() const;

 private:
  void WriteTo(std::string* out, int indent) const;
  friend class JsonParser;

  Type m_type = kNull;
  bool m_bool = false;
  int64_t m_int = 0;
  double m_double = 0;
  std::string m_str;
  std::vector<JsonValue> m_items;                 // array items, or object values
  std::vector<std::string> m_keys;                // object keys, parallel to m_items
};

constexpr int kJsonMaxDepth = 64;

// Parses one JSON text (RFC 8259; surrounding white space allowed). False with a reason and the
// byte offset in *error for malformed text, nesting deeper than kJsonMaxDepth, invalid UTF-8
// escapes or duplicate object keys.
bool ParseJson(const std::string& text, JsonValue* out, std::string* error);

}  // namespace vt
