// The product identity stamp carried inside the program's own executable file: a 32-bit word
// and a 20-character product code whose fourth character is the edition digit.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

class CProductStamp {
 public:
  // 1 when a stamp was found in the file and its word and code stored, else 0 (fields unchanged).
  // The file is scanned in bounded chunks; the first stamp wins, and a stamp block that ends
  // exactly at the file's last byte is not found.
  int Read(const std::string& filePath);
  // 0 without a code or when the fourth character is not a digit, else that digit.
  int GetEdition() const;
  // Characters 4 and 5 of the code as one-character strings (empty without them).
  void GetVersion(std::string* major, std::string* minor) const;
  // "20YY/MM/DD" from characters 12-17 and 1, only for a 20-character code; else 0, text unchanged.
  int GetBuildDate(std::string* text) const;

  uint32_t GetStampWord() const { return m_dwStamp; }
  const std::string& GetProductCode() const { return m_strCode; }

 private:
  uint32_t m_dwStamp = 0;
  std::string m_strCode;
};

// The stamp's magic text, assembled at run time so that no second copy of it sits in the data
// of the executable being read (the first copy in the file wins).
std::string ProductStampMagic();

}  // namespace vt
