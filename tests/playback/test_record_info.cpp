#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "playback/avi_header.h"
#include "playback/record_info.h"
#include "playback/riff_reader.h"
#include "playback/vant_writer.h"

namespace vt {
namespace {

// A small stand-in for the AVI form in front of the trailer (odd size, so padding matters).
std::string AviForm() {
  std::string s = "RIFF";
  const uint32_t size = 4 + 8 + 5;
  s.append(reinterpret_cast<const char*>(&size), 4);
  s += "AVI LIST";
  const uint32_t inner = 5;
  s.append(reinterpret_cast<const char*>(&inner), 4);
  s += "hdrl!";
  s.push_back('\0');
  return s;
}

struct Result {
  uint32_t w1 = 99, w2 = 99;
  std::unique_ptr<CEventList> events;
  std::optional<std::string> title;  // set when the caption callback ran
};

Result ReadBytes(const std::string& bytes) {
  Result r;
  CRiffReader file;
  file.OpenMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  EXPECT_EQ(0, ReadRecordInfo(file, &r.w1, &r.w2, &r.events, [&](const char* a, const char* b) {
              r.title = ComposeWindowTitle("T", a, b);
            }));
  return r;
}

VantTrailer Typical() {
  VantTrailer t;
  t.w1 = 7;
  t.w2 = 8;
  t.events = {{0, 1000, 1010}, {0, 1060, 1090}};
  t.textA = "Camera 3";
  t.textB = "Lobby";
  return t;
}

TEST(RecordInfo, ReadsTypicalTrailer) {
  Result r = ReadBytes(AviForm() + BuildVantForm(Typical()));
  EXPECT_EQ(7u, r.w1);
  EXPECT_EQ(8u, r.w2);
  ASSERT_TRUE(r.events);
  ASSERT_EQ(2u, r.events->GetCount());
  uint32_t i = 0;
  const EVENT_RECORD* e = r.events->GetNext(&i);
  EXPECT_EQ(1000, e->tStart);
  EXPECT_EQ(1010, e->tEnd);
  e = r.events->GetNext(&i);
  EXPECT_EQ(1060, e->tStart);
  EXPECT_EQ(nullptr, r.events->GetNext(&i));
  EXPECT_EQ(2u, i);
  EXPECT_EQ("T (Camera 3 - Lobby)", r.title.value_or("<none>"));
}

// Malformed and partial trailers: what survives of the events and whether the caption changes.
TEST(RecordInfo, PartialAndMalformedTrailers) {
  struct Case {
    const char* name;
    std::function<std::string()> bytes;
    bool hasList;
    uint32_t count;
    const char* title;  // nullptr: caption unchanged
  };
  const Case cases[] = {
      {"no VANT form", [] { return AviForm(); }, false, 0, nullptr},
      {"empty file", [] { return std::string(); }, false, 0, nullptr},
      {"VANT without LENG",
       [] {
         auto t = Typical();
         t.bLeng = false;
         return AviForm() + BuildVantForm(t);
       },
       false, 0, nullptr},
      {"W3 = 0 skips a stored EVEN but reads CAME",
       [] {
         auto t = Typical();
         t.w3 = 0;
         return AviForm() + BuildVantForm(t);
       },
       false, 0, "T (Camera 3 - Lobby)"},
      {"EVEN count 0",
       [] {
         auto t = Typical();
         t.events.clear();
         t.w3 = 1;
         return AviForm() + BuildVantForm(t);
       },
       true, 0, "T (Camera 3 - Lobby)"},
      {"count larger than the list holds",
       [] {
         auto t = Typical();
         t.evenCount = 3;
         return AviForm() + BuildVantForm(t);
       },
       true, 0, "T (Camera 3 - Lobby)"},
      {"count whose byte size passes 32 bits",
       [] {
         auto t = Typical();
         t.evenCount = 0x15555556u;
         return AviForm() + BuildVantForm(t);
       },
       true, 0, "T (Camera 3 - Lobby)"},
      {"W3 set but no EVEN list: caption unchanged",
       [] {
         auto t = Typical();
         t.w3 = 1;
         t.bEven = false;
         return AviForm() + BuildVantForm(t);
       },
       false, 0, nullptr},
      {"missing CAME gives two empty texts",
       [] {
         auto t = Typical();
         t.bCame = false;
         return AviForm() + BuildVantForm(t);
       },
       true, 2, "T ( - )"},
      {"trailer cut inside the EVEN list",
       [] {
         std::string s = AviForm() + BuildVantForm(Typical());
         // form header, LENG list, EVEN header and count, then one of the two records
         return s.substr(0, AviForm().size() + 12 + 24 + 12 + 4 + 12);
       },
       true, 0, "T ( - )"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Result r = ReadBytes(c.bytes());
    EXPECT_EQ(c.hasList, r.events != nullptr);
    if (r.events) {
      EXPECT_EQ(c.count, r.events->GetCount());
    }
    if (c.title)
      EXPECT_EQ(c.title, r.title.value_or("<none>"));
    else
      EXPECT_FALSE(r.title.has_value()) << *r.title;
  }
}

TEST(RecordInfo, ListsAreFoundOnlyInStoredOrder) {
  // CAME stored before LENG: the search for CAME continues after LENG and misses it.
  VantTrailer came = Typical();
  came.bLeng = came.bEven = false;
  VantTrailer rest = Typical();
  rest.bCame = false;
  std::string a = BuildVantForm(came), b = BuildVantForm(rest);
  // One form holding CAME, then LENG and EVEN.
  std::string body = "VANT" + a.substr(12) + b.substr(12);
  std::string form = "RIFF";
  const uint32_t size = static_cast<uint32_t>(body.size());
  form.append(reinterpret_cast<const char*>(&size), 4);
  Result r = ReadBytes(AviForm() + form + body);
  ASSERT_TRUE(r.events);
  EXPECT_EQ(2u, r.events->GetCount());
  EXPECT_EQ("T ( - )", r.title.value_or("<none>"));
}

TEST(RecordInfo, CameraTextsFillTheirFields) {
  VantTrailer t = Typical();
  t.textA = std::string(64, 'A');  // no terminator inside the field
  t.textB = "";
  Result r = ReadBytes(AviForm() + BuildVantForm(t));
  EXPECT_EQ("T (" + std::string(64, 'A') + " - )", r.title.value_or("<none>"));
}

TEST(RecordInfo, NullOutputsAndMissingFile) {
  std::string path = (std::filesystem::temp_directory_path() / "vt_record_info_test.avi").string();
  {
    std::ofstream f(path, std::ios::binary);
    f << AviForm();
  }
  ASSERT_TRUE(AppendVantTrailer(path, Typical()));
  std::optional<std::string> title;
  // Without the events output the EVEN list is not looked for, and CAME is still found.
  EXPECT_EQ(0, ReadRecordInfo(path, nullptr, nullptr, nullptr,
                              [&](const char* a, const char* b) { title = ComposeWindowTitle("T", a, b); }));
  EXPECT_EQ("T (Camera 3 - Lobby)", title.value_or("<none>"));
  std::unique_ptr<CEventList> events;
  uint32_t w1 = 5;
  EXPECT_EQ(0, ReadRecordInfo(path, &w1, nullptr, &events, nullptr));
  ASSERT_TRUE(events);
  EXPECT_EQ(2u, events->GetCount());
  EXPECT_EQ(7u, w1);
  std::filesystem::remove(path);
  title.reset();
  EXPECT_EQ(0, ReadRecordInfo(path, &w1, nullptr, &events, [&](const char*, const char*) { title.emplace(1, 'x'); }));
  EXPECT_EQ(0u, w1);
  EXPECT_FALSE(events);
  EXPECT_FALSE(title);
}

TEST(WindowTitle, GivenTextsIncludingEmptyOnes) {
  EXPECT_EQ("P (a - b)", ComposeWindowTitle("P", "a", "b"));
  EXPECT_EQ("P (a)", ComposeWindowTitle("P", "a", nullptr));
  EXPECT_EQ("P (b)", ComposeWindowTitle("P", nullptr, "b"));
  EXPECT_EQ("P", ComposeWindowTitle("P", nullptr, nullptr));
  EXPECT_EQ("P ( - )", ComposeWindowTitle("P", "", ""));
  EXPECT_EQ("P ()", ComposeWindowTitle("P", "", nullptr));
}

TEST(RiffReader, ReadsStopAtTheChunkEnd) {
  std::string bytes = AviForm() + BuildVantForm(Typical());
  CRiffReader file;
  file.OpenMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  RiffChunk form;
  form.fccType = MakeFourCC('V', 'A', 'N', 'T');
  ASSERT_TRUE(file.Descend(&form, nullptr, CRiffReader::kFindRiff));
  RiffChunk leng;
  leng.fccType = MakeFourCC('L', 'E', 'N', 'G');
  ASSERT_TRUE(file.Descend(&leng, &form, CRiffReader::kFindList));
  char buf[64];
  EXPECT_EQ(12u, file.Read(buf, sizeof buf));
  EXPECT_EQ(0u, file.Read(buf, sizeof buf));
  file.Ascend(leng);
  RiffChunk none;
  none.fccType = MakeFourCC('L', 'E', 'N', 'G');
  EXPECT_FALSE(file.Descend(&none, &form, CRiffReader::kFindList));
}

// The start of an AVI file that the demuxer would refuse is recognised before playing it.
TEST(AviHeader, DamagedHeadersAreRecognised) {
  auto head = [](const char* form, const char* list, uint32_t listSize, const char* listType, const char* chunk,
                 uint32_t chunkSize) {
    std::string h("RIFF\0\0\0\0", 8);
    h += form;
    auto put = [&](uint32_t v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    h += list;
    put(listSize);
    h += listType;
    h += chunk;
    put(chunkSize);
    return h;
  };
  const struct {
    const char* name;
    std::string bytes;
    uint64_t fileSize;
    bool damaged;
  } cases[] = {
      {"good", head("AVI ", "LIST", 200, "hdrl", "avih", 56), 1000, false},
      {"not RIFF", "This is a note, not a video.\n", 30, false},
      {"RIFF WAVE", head("WAVE", "fmt ", 16, "\1\0\1\0", "data", 8), 100, false},
      {"empty", "", 0, false},
      {"cut short", head("AVI ", "LIST", 200, "hdrl", "avih", 56).substr(0, 20), 20, true},
      {"junk first", head("AVI ", "JUNK", 200, "hdrl", "avih", 56), 1000, true},
      {"movi first", head("AVI ", "LIST", 200, "movi", "00dc", 56), 1000, true},
      {"bogus avih size", head("AVI ", "LIST", 48, "hdrl", "avih", 0xEEEEEEEEu), 104, true},
      {"small avih", head("AVI ", "LIST", 200, "hdrl", "avih", 40), 1000, true},
      {"list past the end", head("AVI ", "LIST", 2000, "hdrl", "avih", 56), 1000, true},
  };
  for (const auto& c : cases) {
    const auto* p = reinterpret_cast<const uint8_t*>(c.bytes.data());
    EXPECT_EQ(c.damaged, AviHeaderIsDamaged(p, c.bytes.size(), c.fileSize)) << c.name;
  }
  EXPECT_FALSE(AviFileHeaderIsDamaged("/nonexistent/clip.avi"));
}

}  // namespace
}  // namespace vt
