// The Matroska tag replacement on files built byte by byte: the muxer's Tags element at the end
// of the segment is replaced and the segment size follows; anything else is left untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "common/temp_dir.h"
#include "export/avi_streams.h"
#include "export/mkv_file.h"

namespace vt {
namespace {

std::string Vint(uint64_t v, int len) {
  std::string s;
  const uint64_t x = v | (uint64_t{1} << (7 * len));
  for (int i = len - 1; i >= 0; --i) s.push_back(static_cast<char>((x >> (8 * i)) & 0xFF));
  return s;
}
std::string Id(uint32_t id) {
  std::string s;
  for (int i = id > 0xFFFFFF ? 3 : id > 0xFFFF ? 2 : id > 0xFF ? 1 : 0; i >= 0; --i)
    s.push_back(static_cast<char>((id >> (8 * i)) & 0xFF));
  return s;
}
std::string El(uint32_t id, const std::string& data, int sizeLen = 1) { return Id(id) + Vint(data.size(), sizeLen) + data; }
std::string U64(uint64_t v) {
  std::string s;
  for (int i = 7; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

// EBML header, then a segment (8-byte size) with Info, a cluster and the given trailing elements.
std::string File(const std::string& trailing) {
  const std::string info = El(0x1549A966, El(0x2AD7B1, std::string("\x0f\x42\x40", 3)) +
                                              El(0x4461, U64(uint64_t{1234567890123456789})) + El(0x5741, "muxer"));
  const std::string cluster = El(0x1F43B675, El(0xE7, std::string(1, '\0')) + El(0xA3, std::string(300, 'v')), 2);
  const std::string body = info + cluster + trailing;
  return El(0x1A45DFA3, El(0x4282, "matroska")) + Id(0x18538067) + Vint(body.size(), 8) + body;
}
std::string MuxerTags() {
  return El(0x1254C367, El(0x7373, El(0x67C8, El(0x45A3, "TITLE") + El(0x4487, "\"C1:Front\\ door\""))));
}

class MkvFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    const std::string path = dir_ / "f.mkv";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
  }
  bool Replace(const std::string& path, const MatroskaTags& tags, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const bool ok = ReplaceTrailingTags(fd, tags, error);
    ::close(fd);
    return ok;
  }
  test::TempDir dir_;
};

TEST_F(MkvFileTest, ReplacesTheMuxersTags) {
  const std::string path = Write(File(MuxerTags()));
  MatroskaSummary s;
  std::string error;
  ASSERT_TRUE(ReadMatroskaSummary(path, &s, &error)) << error;
  EXPECT_EQ(s.tags, (MatroskaTags{{"TITLE", "\"C1:Front\\ door\""}}));
  EXPECT_EQ(s.timestampScaleNs, 1000000u);
  EXPECT_EQ(s.writingApp, "muxer");
  ASSERT_TRUE(s.hasDate);
  EXPECT_EQ(s.dateUtc, 978307200LL * kTicksPerSecond + 1234567890123456789LL / 100);
  const MatroskaTags mine = {{"TITLE", "C1:Front door"}, {"COMMENT", std::string(200, 'c')}, {"EMPTY", ""}};
  ASSERT_TRUE(Replace(path, mine, &error)) << error;
  ASSERT_TRUE(ReadMatroskaSummary(path, &s, &error)) << error;
  EXPECT_EQ(s.tags, mine);
  // The segment size was corrected: the file ends exactly with the segment.
  const std::string bytes = test::ReadFile(path);
  uint64_t segSize = 0;
  const size_t segAt = El(0x1A45DFA3, El(0x4282, "matroska")).size() + 4;
  for (int i = 1; i < 8; ++i) segSize = (segSize << 8) | static_cast<uint8_t>(bytes[segAt + static_cast<size_t>(i)]);
  EXPECT_EQ(segAt + 8 + segSize, bytes.size());
  // Shorter tags than before shrink the file.
  ASSERT_TRUE(Replace(path, {{"A", "b"}}, &error));
  ASSERT_TRUE(ReadMatroskaSummary(path, &s, &error));
  EXPECT_EQ(s.tags, (MatroskaTags{{"A", "b"}}));
}

TEST_F(MkvFileTest, LeavesOtherFilesAlone) {
  const std::string cases[] = {
      std::string("RIFF....AVI "),                     // not Matroska
      File(MuxerTags() + El(0xEC, "void")),            // tags not last
      File("").substr(0, 40),                          // cut short
      File(""),                                        // no tags at all
  };
  for (const std::string& bytes : cases) {
    const std::string path = Write(bytes);
    std::string error;
    EXPECT_FALSE(Replace(path, {{"TITLE", "x"}}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(test::ReadFile(path), bytes);
  }
  MatroskaSummary s;
  std::string error;
  EXPECT_FALSE(ReadMatroskaSummary(Write(cases[0]), &s, &error));
  EXPECT_FALSE(ReadMatroskaSummary(Write(cases[2]), &s, &error));
}

// AVI headers built chunk by chunk: the stream types are counted, junk between lists is skipped.
std::string Riff(const char* id, const std::string& data) {
  std::string s(id, 4);
  const uint32_t n = static_cast<uint32_t>(data.size());
  s.append(reinterpret_cast<const char*>(&n), 4);
  s += data;
  if (data.size() & 1) s.push_back('\0');
  return s;
}
std::string StreamList(const char* type) { return Riff("LIST", "strl" + Riff("strh", std::string(type, 4) + std::string(52, '\0')) + Riff("strf", std::string(40, '\0'))); }

TEST_F(MkvFileTest, AviStreamsFromTheHeader) {
  struct Case {
    std::string bytes;
    bool ok;
    int video, audio;
  };
  const std::string avih = Riff("avih", std::string(56, '\0'));
  const Case cases[] = {
      {Riff("RIFF", "AVI " + Riff("LIST", "hdrl" + avih + StreamList("vids") + StreamList("auds"))), true, 1, 1},
      {Riff("RIFF", "AVI " + Riff("LIST", "hdrl" + avih + Riff("JUNK", "xyz") + StreamList("vids"))), true, 1, 0},
      {Riff("RIFF", "AVI " + Riff("LIST", "hdrl" + avih)), true, 0, 0},
      {Riff("RIFF", "WAVE" + Riff("fmt ", std::string(16, '\0'))), false, 0, 0},
      {std::string("RIFF\xff\xff\xff\x7f" "AVI LIST", 16), false, 0, 0},  // cut short
  };
  for (const Case& c : cases) {
    AviStreams s{9, 9};
    EXPECT_EQ(ReadAviStreams(Write(c.bytes), &s), c.ok);
    if (c.ok) {
      EXPECT_EQ(s.video, c.video);
      EXPECT_EQ(s.audio, c.audio);
    }
  }
}

}  // namespace
}  // namespace vt
