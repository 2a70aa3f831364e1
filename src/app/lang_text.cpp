#include "app/lang_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "res/strings.h"

namespace vt {
namespace {

constexpr const char* kBlank = " ";

bool CanOpenExistingFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  ::close(fd);
  return ok;
}

}  // namespace

std::string LanguageNameFromLocale(const std::string& locale) {
  // language[_territory][.codeset][@modifier]
  const std::string name = locale.substr(0, locale.find_first_of(".@"));
  const size_t underscore = name.find('_');
  const std::string language = name.substr(0, underscore);
  const std::string territory = underscore == std::string::npos ? "" : name.substr(underscore + 1);
  if (language == "zh") {
    if (territory == "TW") return "TChinese";
    if (territory == "CN") return "SChinese";
    return "English";
  }
  static const struct {
    const char* language;
    const char* name;
  } kNames[] = {{"fr", "French"},   {"de", "German"},    {"ja", "Japanese"},   {"es", "Spanish"},
                {"it", "Italian"},  {"pl", "Polish"},    {"tr", "Turkish"},    {"el", "Greek"},
                {"pt", "Portuguese"}, {"hu", "Hungarian"}, {"sk", "Slovak"}};
  for (const auto& n : kNames)
    if (language == n.language) return n.name;
  return "English";
}

std::string SystemMessageLocale() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "C";
}

CLangText::CLangText() { m_szText[0] = '\0'; }

CLangText::~CLangText() = default;

void CLangText::Init(const std::string& programFolder) {
  InitLanguage(programFolder, LanguageNameFromLocale(SystemMessageLocale()));
}

void CLangText::InitLanguage(const std::string& programFolder, const std::string& languageName) {
  m_strFilePath = programFolder + "/" + languageName + "ini";
  m_bFilePresent = CanOpenExistingFile(m_strFilePath) ? 1 : 0;
  m_strCodePage = DefaultCodePageForLanguage(languageName);
}

const char* CLangText::SetText(const std::string& stored) {
  size_t cut = std::min<size_t>(stored.size(), kTextChars - 1);
  // A UTF-8 text is cut between characters, not inside one.
  if (cut < stored.size() && IsValidUtf8(stored)) {
    while (cut > 0 && (static_cast<unsigned char>(stored[cut]) & 0xC0) == 0x80) --cut;
  }
  const std::string text = DecodeLegacyText(stored.substr(0, cut), m_strCodePage);
  const size_t n = std::min<size_t>(text.size(), sizeof m_szText - 1);
  std::memcpy(m_szText, text.data(), n);
  m_szText[n] = '\0';
  return m_szText;
}

const char* CLangText::GetTextByKey(const char* key, uint32_t id) {
  if (m_bFilePresent) return SetText(GetProfileString(m_strFilePath, kLangSection, key ? key : "", kBlank));
  return GetTextById(id);
}

const char* CLangText::GetTextById(uint32_t id) {
  const char* text = res::LoadResString(id);
  return SetText(text ? text : kBlank);
}

}  // namespace vt
