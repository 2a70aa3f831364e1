#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace vt {
namespace {

constexpr const char* kFallbackCodePage = "WINDOWS-1252";
constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::mutex g_mutex;
std::string g_codePage = kFallbackCodePage;

class Converter {
 public:
  explicit Converter(const std::string& from) : cd_(::iconv_open("UTF-8", from.c_str())) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Opening a converter costs about a millisecond; each thread keeps the ones it used.
Converter* CachedConverter(const std::string& from) {
  thread_local std::map<std::string, std::unique_ptr<Converter>> cache;
  auto it = cache.find(from);
  if (it == cache.end()) it = cache.emplace(from, std::make_unique<Converter>(from)).first;
  if (!it->second->ok()) return nullptr;
  ::iconv(it->second->get(), nullptr, nullptr, nullptr, nullptr);  // initial shift state
  return it->second.get();
}

}  // namespace

std::string DefaultCodePageForLanguage(const std::string& languageName) {
  static const struct {
    const char* language;
    const char* codePage;
  } kTable[] = {
      {"Polish", "WINDOWS-1250"}, {"Hungarian", "WINDOWS-1250"}, {"Slovak", "WINDOWS-1250"},
      {"Turkish", "WINDOWS-1254"}, {"Greek", "WINDOWS-1253"},    {"SChinese", "GBK"},
      {"TChinese", "BIG5"},        {"Japanese", "SHIFT_JIS"},
  };
  for (const auto& row : kTable)
    if (languageName == row.language) return row.codePage;
  return kFallbackCodePage;  // English, French, German, Spanish, Italian, Portuguese and others
}

bool IsKnownCodePage(const std::string& name) { return !name.empty() && Converter(name).ok(); }

bool SetLegacyCodePage(const std::string& name) {
  const std::string value = name.empty() ? kFallbackCodePage : name;
  if (!IsKnownCodePage(value)) return false;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_codePage = value;
  return true;
}

std::string GetLegacyCodePage() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_codePage;
}

bool IsValidUtf8(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    size_t len;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::string DecodeLegacyText(const std::string& text, const std::string& codePage) {
  if (IsValidUtf8(text)) return text;
  Converter* conv = CachedConverter(codePage.empty() ? GetLegacyCodePage() : codePage);
  if (!conv) return text;
  std::string out;
  out.reserve(text.size() * 2);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char buf[256];
  while (inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof buf;
    const size_t r = ::iconv(conv->get(), &in, &inLeft, &o, &oLeft);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // Undecodable or truncated sequence: one replacement character per byte skipped.
    out += kReplacement;
    ++in;
    --inLeft;
    ::iconv(conv->get(), nullptr, nullptr, nullptr, nullptr);
  }
  char* o = buf;
  size_t oLeft = sizeof buf;
  ::iconv(conv->get(), nullptr, nullptr, &o, &oLeft);
  out.append(buf, static_cast<size_t>(o - buf));
  return out;
}

}  // namespace vt
