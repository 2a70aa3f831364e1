// SHA-256 against the standard test vectors, the JSON reader on malformed text, the manifest's
// round trip, and verification of an export and its sources after single-byte changes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/scoped_tz.h"
#include "common/temp_dir.h"
#include "export/json.h"
#include "export/manifest.h"
#include "export/sha256.h"

namespace vt {
namespace {

TEST(Sha256, StandardVectors) {
  EXPECT_EQ(Sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Sha256Hex(two.data(), two.size()), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // One million 'a', fed in uneven pieces.
  CSha256 h;
  const std::string a(999, 'a');
  size_t fed = 0;
  for (size_t n = 1; fed < 1000000; n = n % 997 + 1) {
    const size_t take = std::min(n, 1000000 - fed);
    h.Update(a.data(), take);
    fed += take;
  }
  EXPECT_EQ(h.FinalHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // The object starts over after FinalHex.
  h.Update("abc", 3);
  EXPECT_EQ(h.FinalHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, FilesOfEverySizeAroundTheBlock) {
  test::TempDir dir;
  for (size_t size : {size_t{0}, size_t{1}, size_t{(1 << 20) - 1}, size_t{1 << 20}, size_t{(1 << 20) + 7}}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + (i >> 9));
    const std::string path = dir / "f.bin";
    std::ofstream(path, std::ios::binary) << bytes;
    std::string hex, error;
    uint64_t got = 0, progress = 0;
    ASSERT_TRUE(Sha256File(path, &hex, &got, &error, [&](uint64_t n) { progress = n; }));
    EXPECT_EQ(hex, Sha256Hex(bytes.data(), bytes.size())) << size;
    EXPECT_EQ(got, size);
    EXPECT_EQ(progress, size);
  }
  std::string hex, error;
  EXPECT_FALSE(Sha256File(dir / "missing", &hex, nullptr, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(Sha256File(dir.path(), &hex, nullptr, &error));  // a folder
  std::atomic<bool> cancel{true};
  std::ofstream(dir / "g", std::ios::binary) << "x";
  EXPECT_FALSE(Sha256File(dir / "g", &hex, nullptr, &error, {}, &cancel));
}

TEST(Json, ReadsWhatItWrites) {
  JsonValue v = JsonValue::MakeObject();
  v.Set("text", JsonValue::MakeString("quote \" slash \\ tab \t nl \n ctl \x01 utf8 \xc3\xa9"));
  v.Set("big", JsonValue::MakeInt(INT64_MAX));
  v.Set("neg", JsonValue::MakeInt(-5));
  v.Set("half", JsonValue::MakeDouble(0.5));
  JsonValue a = JsonValue::MakeArray();
  a.Push(JsonValue::MakeBool(true));
  a.Push(JsonValue());
  a.Push(JsonValue::MakeArray());
  v.Set("list", std::move(a));
  JsonValue back;
  std::string error;
  ASSERT_TRUE(ParseJson(v.Write(), &back, &error)) << error;
  EXPECT_EQ(back["text"].Str(), v["text"].Str());
  EXPECT_EQ(back["big"].Int(), INT64_MAX);
  EXPECT_EQ(back["neg"].Int(), -5);
  EXPECT_EQ(back["half"].Double(), 0.5);
  ASSERT_EQ(back["list"].Items().size(), 3u);
  EXPECT_TRUE(back["list"].Items()[0].Bool());
  EXPECT_EQ(back["list"].Items()[1].type(), JsonValue::kNull);
  EXPECT_EQ(back.Write(), v.Write());
  // Escapes of other writers: \/, \u with a surrogate pair.
  ASSERT_TRUE(ParseJson(R"({"s": "a\/b \u00e9 \ud83d\ude00"})", &back, &error));
  EXPECT_EQ(back["s"].Str(), "a/b \xc3\xa9 \xf0\x9f\x98\x80");
}

TEST(Json, RefusesMalformedText) {
  const std::string deep = std::string(kJsonMaxDepth + 2, '[') + std::string(kJsonMaxDepth + 2, ']');
  const std::string cases[] = {
      "",          "{",          "{\"a\":1,}",    "[1,]",        "{\"a\" 1}",     "{\"a\":1}x",
      "[01]",      "[1.]",       "[1e]",          "[-]",         "\"abc",         "\"a\x01\"",
      "\"\\x\"",   "\"\\u12\"",  "\"\\ud800\"",   "\"\\udc00\"", "\"\\ud800\\u0041\"",
      "{\"a\":1,\"a\":2}",       "tru",           "nul",         "[1e999999]",    deep,
  };
  for (const std::string& text : cases) {
    JsonValue v;
    std::string error;
    EXPECT_FALSE(ParseJson(text, &v, &error)) << text;
    EXPECT_NE(error.find("at byte"), std::string::npos) << text;
  }
  JsonValue v;
  EXPECT_TRUE(ParseJson(std::string(kJsonMaxDepth, '[') + std::string(kJsonMaxDepth, ']'), &v, nullptr));
}

ExportManifest SampleManifest() {
  ExportManifest m;
  m.programName = "Vantor 2 Player for Linux";
  m.programVersion = "2.1.0";
  m.exportedAt = WallFromTime32(1700000000) + 1234567;
  m.dataFolder = "/data";
  m.channel = 3;
  m.cameraLabel = "C3:Gate \xc3\xa9";
  m.cameraFolder = "camera03";
  m.requested = {WallFromTime32(1210407630), WallFromTime32(1210407690)};
  m.frameCount = 1500;
  m.firstFrame = WallFromTime32(1210407628);
  m.lastFrame = WallFromTime32(1210407689) + 9'600'000;
  m.timestampOrigin = m.firstFrame;
  m.audio = true;
  m.gaps = {{WallFromTime32(1210407650), WallFromTime32(1210407655)}};
  ManifestSource ok;
  ok.path = "camera03/2008-05-10/011020281020500.avi";
  ok.indexPath = "D:\\rec\\camera03\\2008-05-10\\011020281020500.avi";
  ok.recordStart = WallFromTime32(1210407628);
  ok.recordEnd = WallFromTime32(1210407650);
  ok.used = {m.firstFrame, ok.recordEnd};
  ok.hashed = true;
  ok.size = 123456789012;
  ok.sha256 = std::string(64, 'a');
  ok.frames = 550;
  ManifestSource missing = ok;
  missing.path = "camera03/2008-05-10/011020551021300.avi";
  missing.status = SourceStatus::kMissing;
  missing.message = "No such file";
  missing.hashed = false;
  missing.frames = 0;
  m.sources = {ok, missing};
  m.outputFile = "out.mkv";
  m.outputSize = 4242;
  m.outputSha256 = std::string(64, 'b');
  return m;
}

TEST(Manifest, RoundTrip) {
  test::ScopedTz tz("CET-1CEST,M3.5.0,M10.5.0/3");
  const ExportManifest m = SampleManifest();
  ExportManifest back;
  std::string error;
  ASSERT_TRUE(ManifestFromJson(ManifestToJson(m), &back, &error)) << error;
  EXPECT_EQ(ManifestToJson(back), ManifestToJson(m));
  EXPECT_EQ(back.sources[0].size, 123456789012u);
  EXPECT_EQ(back.sources[1].status, SourceStatus::kMissing);
  EXPECT_FALSE(back.sources[1].hashed);
  EXPECT_EQ(back.lastFrame, m.lastFrame);
  EXPECT_EQ(back.gaps, m.gaps);
  // Times carry their zone: read in another zone they are the same instants.
  test::ScopedTz other("EST5EDT,M3.2.0,M11.1.0");
  ASSERT_TRUE(ManifestFromJson(ManifestToJson(m), &back, &error));
  EXPECT_EQ(back.requested, m.requested);
}

TEST(Manifest, RefusesWhatIsNotOne) {
  test::ScopedTz tz("CET-1CEST,M3.5.0,M10.5.0/3");
  const std::string good = ManifestToJson(SampleManifest());
  auto with = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    const size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
  };
  const std::string cases[] = {
      "[]",
      with("\"formatVersion\": 1", "\"formatVersion\": 2"),
      with("vantor-export-manifest", "something-else"),
      with("\"kind\": \"clip\"", "\"kind\": \"movie\""),
      with("\"channel\": 3", "\"channel\": 17"),
      with("\"file\": \"out.mkv\"", "\"file\": \"../out.mkv\""),
      with(std::string(64, 'b'), std::string(63, 'b')),
      with("\"status\": \"missing\"", "\"status\": \"lost\""),
      with("\"frameCount\": 1500", "\"frameCount\": \"1500\""),
      with("2008-05-10T10:20:30.000+02:00", "2008-05-10 10:20:30"),
  };
  for (const std::string& text : cases) {
    ExportManifest m;
    std::string error;
    EXPECT_FALSE(ManifestFromJson(text, &m, &error)) << text.substr(0, 200);
    EXPECT_FALSE(error.empty());
  }
}

// An export folder with a fake export and two source files hashed into a manifest.
class VerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(data_ / "camera01/2008-05-10");
    Write(data_ / "camera01/2008-05-10/a.avi", "first recording");
    Write(data_ / "camera01/2008-05-10/b.avi", "second recording");
    Write(out_ / "clip.mkv", "the exported clip");
    m_ = SampleManifest();
    m_.dataFolder = data_.path();
    m_.sources.resize(2);
    m_.sources[1] = m_.sources[0];
    m_.sources[0].path = "camera01/2008-05-10/a.avi";
    m_.sources[1].path = PathRelativeTo(data_.path(), data_ / "camera01/2008-05-10/b.avi");
    for (ManifestSource& s : m_.sources)
      ASSERT_TRUE(Sha256File(data_ / s.path, &s.sha256, &s.size, nullptr));
    m_.outputFile = "clip.mkv";
    ASSERT_TRUE(Sha256File(out_ / "clip.mkv", &m_.outputSha256, &m_.outputSize, nullptr));
    Write(manifest_, ManifestToJson(m_));
  }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static void FlipByte(const std::string& path, size_t at) {
    std::string s = test::ReadFile(path);
    s[at] = static_cast<char>(s[at] ^ 0x01);
    Write(path, s);
  }
  VerifyReport Verify(const std::string& dataFolder = "") {
    VerifyReport r;
    std::string error;
    EXPECT_TRUE(VerifyManifest(manifest_, dataFolder, &r, &error)) << error;
    return r;
  }

  test::TempDir data_{"vtdata"};
  test::TempDir out_{"vtout"};
  std::string manifest_ = out_ / "clip.mkv.manifest.json";
  ExportManifest m_;
};

TEST_F(VerifyTest, AllMatch) {
  EXPECT_EQ(m_.sources[1].path, "camera01/2008-05-10/b.avi");
  const VerifyReport r = Verify();
  EXPECT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 3u);
  for (const VerifyEntry& e : r.entries) EXPECT_EQ(e.status, VerifyStatus::kMatch) << e.path;
  EXPECT_TRUE(r.entries[0].isExport);
  EXPECT_EQ(r.manifestSha256, Sha256Hex(test::ReadFile(manifest_).data(), test::ReadFile(manifest_).size()));
}

TEST_F(VerifyTest, OneChangedByteAnywhereIsFound) {
  struct Case {
    std::string file;
    size_t entry;
  };
  for (const Case& c : {Case{out_ / "clip.mkv", 0}, Case{data_ / "camera01/2008-05-10/a.avi", 1},
                        Case{data_ / "camera01/2008-05-10/b.avi", 2}}) {
    const std::string before = test::ReadFile(c.file);
    FlipByte(c.file, before.size() / 2);
    const VerifyReport r = Verify();
    EXPECT_FALSE(r.ok) << c.file;
    for (size_t i = 0; i < r.entries.size(); ++i)
      EXPECT_EQ(r.entries[i].status, i == c.entry ? VerifyStatus::kChanged : VerifyStatus::kMatch) << c.file;
    Write(c.file, before);
  }
  // Same length, or one byte appended: both seen.
  Write(data_ / "camera01/2008-05-10/a.avi", "first recording!");
  const VerifyReport r = Verify();
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.entries[1].detail.find("size"), std::string::npos);
}

TEST_F(VerifyTest, MissingSourcesAreNotAvailableButAMissingExportFails) {
  std::filesystem::remove(data_ / "camera01/2008-05-10/b.avi");
  VerifyReport r = Verify();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.entries[2].status, VerifyStatus::kNotAvailable);
  // The data copied elsewhere: --data-folder points there.
  test::TempDir copy("vtcopy");
  std::filesystem::copy(data_.path(), copy.path(), std::filesystem::copy_options::recursive);
  Write(copy / "camera01/2008-05-10/b.avi", "second recording");
  r = Verify(copy.path());
  EXPECT_TRUE(r.ok);
  for (const VerifyEntry& e : r.entries) EXPECT_EQ(e.status, VerifyStatus::kMatch) << e.path;
  std::filesystem::remove(out_ / "clip.mkv");
  r = Verify();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.entries[0].status, VerifyStatus::kNotAvailable);
}

TEST_F(VerifyTest, UnreadableManifests) {
  VerifyReport r;
  std::string error;
  EXPECT_FALSE(VerifyManifest(out_ / "none.json", "", &r, &error));
  Write(manifest_, "{\"format\": \"vantor-export-manifest\"");
  EXPECT_FALSE(VerifyManifest(manifest_, "", &r, &error));
  EXPECT_NE(error.find("JSON"), std::string::npos);
}

TEST(ManifestPaths, RelativeToTheDataFolder) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "data/camera01");
  std::filesystem::create_directory_symlink(dir / "data", dir / "link");
  EXPECT_EQ(PathRelativeTo(dir / "data", dir / "data/camera01/x.avi"), "camera01/x.avi");
  EXPECT_EQ(PathRelativeTo(dir / "link", dir / "data/camera01/x.avi"), "camera01/x.avi");
  EXPECT_EQ(PathRelativeTo(dir / "data/", dir / "link/camera01"), "camera01");
  const std::string outside = PathRelativeTo(dir / "data", dir / "database/x.avi");
  EXPECT_EQ(outside.front(), '/');
  EXPECT_NE(outside.find("database/x.avi"), std::string::npos);
}

}  // namespace
}  // namespace vt
