#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string_view>

#include "platform/atomic_file.h"

namespace vt {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  size_t e = s.size();
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// One line of the text: [begin, end) without its line ending, next = start of the following line.
struct Line {
  size_t begin = 0;
  size_t end = 0;
  size_t next = 0;
};

Line LineAt(const std::string& text, size_t pos) {
  Line l;
  l.begin = pos;
  size_t nl = text.find('\n', pos);
  if (nl == std::string::npos) {
    l.end = text.size();
    l.next = text.size();
  } else {
    l.end = nl;
    l.next = nl + 1;
  }
  if (l.end > l.begin && text[l.end - 1] == '\r') --l.end;
  return l;
}

size_t FirstLine(const std::string& text) {
  // A UTF-8 byte order mark is not part of the first line.
  return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

// Section name of a header line ("[name]", name trimmed, up to the last ']'), or false.
bool SectionName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.empty() || line[0] != '[') return false;
  line.remove_prefix(1);
  size_t close = line.rfind(']');
  if (close != std::string_view::npos) line = line.substr(0, close);
  *name = Trim(line);
  return true;
}

// Key and value of a "key=value" line, both trimmed; false for lines without '='.
bool KeyValue(std::string_view line, std::string_view* key, std::string_view* value) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return true;
}

// Where a key sits in the text. section/keyLine are npos when missing; lastLineEnd is the end
// (after its line ending) of the section's last non-blank line, where a new key goes.
struct Location {
  size_t section = std::string::npos;
  size_t keyLine = std::string::npos;
  Line key;
  size_t lastLineNext = std::string::npos;
};

Location Locate(const std::string& text, std::string_view section, std::string_view key) {
  Location loc;
  bool inSection = false;
  for (size_t pos = FirstLine(text); pos < text.size();) {
    Line l = LineAt(text, pos);
    std::string_view line(text.data() + l.begin, l.end - l.begin);
    std::string_view name;
    if (SectionName(line, &name)) {
      // Only the first section of that name counts.
      if (inSection) break;
      if (loc.section == std::string::npos && EqualNoCase(name, section)) {
        inSection = true;
        loc.section = l.begin;
        loc.lastLineNext = l.next;
      }
    } else if (inSection) {
      if (!Trim(line).empty()) loc.lastLineNext = l.next;
      std::string_view k, v;
      if (KeyValue(line, &k, &v) && EqualNoCase(k, key)) {
        loc.keyLine = l.begin;
        loc.key = l;
        return loc;
      }
    }
    pos = l.next;
  }
  return loc;
}

std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::string LineEnding(const std::string& text) {
  size_t nl = text.find('\n');
  if (nl == std::string::npos) return "\r\n";
  return (nl > 0 && text[nl - 1] == '\r') ? "\r\n" : "\n";
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out->clear();
  char buf[16384];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Replaces the file atomically (platform/atomic_file), so that a crash or a full disk never
// leaves a half-written configuration and a planted link never redirects the write.
bool ReplaceFileContents(const std::string& givenPath, const std::string& data) {
  // A linked configuration stays a link: the file it points to is replaced.
  std::string path = givenPath;
  if (char* real = ::realpath(givenPath.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  // A read-only configuration stays unchanged, as it would with an in-place write.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && ::access(path.c_str(), W_OK) != 0) return false;
  AtomicWriteOptions options;
  options.tempPath = path + ".vtnew";
  return WriteBytesAtomically(path, data.data(), data.size(), options).ok();
}

}  // namespace

std::string ProfileLookup(const std::string& text, const std::string& section, const std::string& key,
                          const std::string& def, bool* found) {
  Location loc = Locate(text, section, key);
  if (found) *found = loc.keyLine != std::string::npos;
  if (loc.keyLine == std::string::npos) return def.substr(0, kProfileValueMax);
  std::string_view line(text.data() + loc.key.begin, loc.key.end - loc.key.begin);
  std::string_view k, v;
  KeyValue(line, &k, &v);
  v = StripQuotes(v);
  return std::string(v.substr(0, kProfileValueMax));
}

std::string ProfileReplace(const std::string& text, const std::string& section, const std::string& key,
                           const std::string& rawValue) {
  // A line break inside the value would inject lines into the file: the value ends there.
  const std::string value = rawValue.substr(0, rawValue.find_first_of("\r\n"));
  Location loc = Locate(text, section, key);
  if (loc.keyLine != std::string::npos) {
    // Keep the key as the file spells it.
    std::string_view line(text.data() + loc.key.begin, loc.key.end - loc.key.begin);
    std::string_view k, v;
    KeyValue(line, &k, &v);
    std::string out = text.substr(0, loc.key.begin);
    out.append(k);
    out += '=';
    out += value;
    out.append(text, loc.key.end, std::string::npos);
    return out;
  }
  const std::string eol = LineEnding(text);
  const std::string entry = key + "=" + value + eol;
  if (loc.section != std::string::npos) {
    std::string out = text.substr(0, loc.lastLineNext);
    // The section's last line may be the file's last line without a line ending.
    if (!out.empty() && out.back() != '\n') out += eol;
    out += entry;
    out.append(text, loc.lastLineNext, std::string::npos);
    return out;
  }
  std::string out = text;
  if (!out.empty() && out.back() != '\n') out += eol;
  out += "[" + section + "]" + eol + entry;
  return out;
}

std::string GetProfileString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& def) {
  std::string text;
  if (!ReadWholeFile(file, &text)) return def.substr(0, kProfileValueMax);
  return ProfileLookup(text, section, key, def);
}

int GetProfileInt(const std::string& file, const std::string& section, const std::string& key, int def) {
  std::string text;
  if (!ReadWholeFile(file, &text)) return def;
  bool found = false;
  std::string v = ProfileLookup(text, section, key, "", &found);
  if (!found) return def;
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  uint32_t n = 0;  // wraps like the 32-bit conversion of the platform
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10u + static_cast<uint32_t>(v[i] - '0');
  if (negative) n = 0u - n;
  return static_cast<int>(n);
}

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::string text;
  if (!ReadWholeFile(file, &text)) {
    if (errno != ENOENT) return false;
    text.clear();
  }
  return ReplaceFileContents(file, ProfileReplace(text, section, key, value));
}

}  // namespace vt
