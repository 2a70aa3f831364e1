#include "app/product_stamp.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "res/stamp_layout.h"
#include "temp_dir.h"

namespace vt {
namespace {

std::string Block(const std::string& code, uint32_t word = 0x11223344) {
  std::string b = ProductStampMagic();
  for (int i = 0; i < 4; ++i) b += static_cast<char>(word >> (8 * i));
  b += code.substr(0, 20);
  b.resize(res::kStampSize, '\0');
  return b;
}

struct ReadCase {
  const char* name;
  std::string bytes;
  bool found;
  std::string code;
  uint32_t word;
};

TEST(ProductStampTest, ReadFindsTheFirstCompleteBlockBeforeTheLastByte) {
  const std::string code = "VT2221000000080514AB";
  const std::string magic = ProductStampMagic();
  const ReadCase cases[] = {
      {"block with one byte after it", Block(code) + "x", true, code, 0x11223344},
      {"block ending at the last byte", Block(code), false, "", 0},
      {"block ending at the last byte after padding", std::string(100, 'T') + Block(code), false, "", 0},
      {"first of two blocks", "MZ" + Block("VT11") + Block("VT22") + "!", true, "VT11", 0x11223344},
      {"partial magic before the block", magic.substr(0, 27) + Block(code, 7) + "\n", true, code, 7},
      {"shorter code stops at its NUL", Block("VT3") + "zz", true, "VT3", 0x11223344},
      {"magic only", magic + std::string(30, 'a'), true, std::string(20, 'a'), 0x61616161},
      {"no magic", std::string(4096, 'T'), false, "", 0},
      {"53 bytes or less", Block(code).substr(0, 52) + "x", false, "", 0},
      {"empty file", "", false, "", 0},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    test::WriteFile(dir / "exe", c.bytes);
    CProductStamp s;
    EXPECT_EQ(s.Read(dir / "exe"), c.found ? 1 : 0) << c.name;
    EXPECT_EQ(s.GetProductCode(), c.code) << c.name;
    EXPECT_EQ(s.GetStampWord(), c.word) << c.name;
  }
  CProductStamp s;
  EXPECT_EQ(s.Read(dir / "missing"), 0);
  EXPECT_EQ(s.Read(dir.path()), 0) << "a folder";
}

TEST(ProductStampTest, BlocksAcrossChunkBoundariesOfALargeFile) {
  test::TempDir dir;
  const std::string code = "VT2221000000080514AB";
  const size_t chunk = size_t{1} << 20;
  for (size_t at : {chunk - 60, chunk - 53, chunk - 30, chunk - 1, chunk, 3 * chunk + 5}) {
    std::string bytes(at, 'T');
    bytes += Block(code) + std::string(10, 'T');
    test::WriteFile(dir / "big", bytes);
    CProductStamp s;
    ASSERT_EQ(s.Read(dir / "big"), 1) << at;
    EXPECT_EQ(s.GetProductCode(), code) << at;
  }
}

TEST(ProductStampTest, FailedReadKeepsTheFields) {
  test::TempDir dir;
  test::WriteFile(dir / "a", Block("VT2221000000080514AB") + "x");
  test::WriteFile(dir / "b", "nothing here at all, just text that is longer than a stamp block.");
  CProductStamp s;
  ASSERT_EQ(s.Read(dir / "a"), 1);
  EXPECT_EQ(s.Read(dir / "b"), 0);
  EXPECT_EQ(s.GetProductCode(), "VT2221000000080514AB");
}

struct CodeCase {
  const char* code;  // nullptr: nothing read
  int edition;
  const char* major;
  const char* minor;
  const char* date;  // nullptr: GetBuildDate fails
};

TEST(ProductStampTest, FieldsOfTheCode) {
  const CodeCase cases[] = {
      {nullptr, 0, "", "", nullptr},
      {"VT2221000000080514AB", 2, "2", "1", "2008/05/14"},
      {"VT2121000000991231AB", 1, "2", "1", "2099/12/31"},
      {"VT2321000000080514AB", 3, "2", "1", "2008/05/14"},
      {"VT2X21000000080514AB", 0, "2", "1", "2008/05/14"},
      {"VT2921000000080514A", 9, "2", "1", nullptr},  // 19 characters: no date
      {"VT2", 0, "", "", nullptr},
      {"VT27", 7, "", "", nullptr},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    CProductStamp s;
    if (c.code) {
      test::WriteFile(dir / "exe", Block(c.code) + "x");
      ASSERT_EQ(s.Read(dir / "exe"), 1) << c.code;
    }
    const char* name = c.code ? c.code : "(empty)";
    EXPECT_EQ(s.GetEdition(), c.edition) << name;
    std::string major = "?", minor = "?";
    s.GetVersion(&major, &minor);
    EXPECT_EQ(major, c.major) << name;
    EXPECT_EQ(minor, c.minor) << name;
    std::string date = "unchanged";
    EXPECT_EQ(s.GetBuildDate(&date), c.date ? 1 : 0) << name;
    EXPECT_EQ(date, c.date ? c.date : "unchanged") << name;
  }
}

TEST(ProductStampTest, OwnExecutableCarriesExactlyOneStamp) {
  const std::string self = test::ReadFile("/proc/self/exe");
  const std::string magic = ProductStampMagic();
  size_t first = self.find(magic);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(self.find(magic, first + 1), std::string::npos) << "a second copy of the magic";
  CProductStamp s;
  ASSERT_EQ(s.Read("/proc/self/exe"), 1);
  EXPECT_EQ(s.GetProductCode(), VT_PRODUCT_CODE);
}

}  // namespace
}  // namespace vt
