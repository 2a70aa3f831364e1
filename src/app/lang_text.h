// Localized texts: message texts by key from the language file beside the program (section
// "Vantor"), or by id from the built-in string table. Every look-up overwrites one shared
// buffer and returns it as UTF-8; callers copy what they keep. GUI thread only.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

inline constexpr const char* kLangSection = "Vantor";

// Language name from a POSIX locale name ("fr_FR.UTF-8" -> "French"); "English" for anything
// not in the table, including Chinese other than Taiwan and mainland China.
std::string LanguageNameFromLocale(const std::string& locale);
// The locale in effect for messages: the first non-empty of LC_ALL, LC_MESSAGES, LANG.
std::string SystemMessageLocale();

class CLangText {
 public:
  CLangText();
  virtual ~CLangText();

  // Language from the system locale; the file is programFolder + "/" + name + "ini".
  void Init(const std::string& programFolder);
  // The same with the language name given.
  void InitLanguage(const std::string& programFolder, const std::string& languageName);

  // With the file present: the key's value in section "Vantor", or " " when the file lacks it.
  // Without the file: the built-in string id, or " ". At most 259 characters as stored. A
  // language file is read in its language's code page unless it is valid UTF-8.
  const char* GetTextByKey(const char* key, uint32_t id);
  // Always the built-in string id (never the file), or " ". At most 259 characters.
  const char* GetTextById(uint32_t id);

  bool IsFilePresent() const { return m_bFilePresent != 0; }
  const std::string& GetFilePath() const { return m_strFilePath; }
  const std::string& GetCodePage() const { return m_strCodePage; }

  // Characters of a text as stored (with its terminator); decoded into UTF-8 a character may
  // take up to four bytes.
  static constexpr size_t kTextChars = 260;

 private:
  // Cuts the stored text to kTextChars - 1 characters and decodes it into the buffer.
  const char* SetText(const std::string& stored);

  char m_szText[kTextChars * 4];
  int m_bFilePresent = 0;
  std::string m_strFilePath;
  std::string m_strCodePage;
};

}  // namespace vt
