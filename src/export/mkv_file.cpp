#include "export/mkv_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vt {

namespace {

constexpr uint32_t kIdEbml = 0x1A45DFA3;
constexpr uint32_t kIdSegment = 0x18538067;
constexpr uint32_t kIdInfo = 0x1549A966;
constexpr uint32_t kIdTimestampScale = 0x2AD7B1;
constexpr uint32_t kIdDuration = 0x4489;
constexpr uint32_t kIdDateUtc = 0x4461;
constexpr uint32_t kIdWritingApp = 0x5741;
constexpr uint32_t kIdTags = 0x1254C367;
constexpr uint32_t kIdTag = 0x7373;
constexpr uint32_t kIdTargets = 0x63C0;
constexpr uint32_t kIdTargetTypeValue = 0x68CA;
constexpr uint32_t kIdSimpleTag = 0x67C8;
constexpr uint32_t kIdTagName = 0x45A3;
constexpr uint32_t kIdTagString = 0x4487;
constexpr uint64_t kTargetWholeFile = 50;
constexpr uint64_t kUnknownSize = ~uint64_t{0};
// Seconds from 1970-01-01 to 2001-01-01, the origin of DateUTC.
constexpr int64_t kMatroskaEpoch = 978307200;
// Elements read whole (Info, Tags) are small; anything larger is not what we expect.
constexpr uint64_t kMaxReadElement = 16u << 20;

struct Element {
  uint32_t id = 0;
  uint64_t pos = 0;       // of the ID
  uint64_t dataPos = 0;   // of the data
  uint64_t size = 0;      // of the data; kUnknownSize when not given
  int sizeLength = 0;     // bytes of the size field
};

bool ReadAt(int fd, uint64_t pos, void* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(pos + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool WriteAt(int fd, uint64_t pos, const void* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pwrite(fd, static_cast<const char*>(buf) + done, n - done, static_cast<off_t>(pos + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

int VintLength(uint8_t first) {
  for (int n = 1; n <= 8; ++n)
    if (first & (0x80 >> (n - 1))) return n;
  return 0;
}

// Element header at pos of a file of fileSize bytes.
bool ReadHeader(int fd, uint64_t pos, uint64_t fileSize, Element* e) {
  uint8_t b[12];
  const size_t avail = static_cast<size_t>(std::min<uint64_t>(sizeof b, fileSize - pos));
  if (pos >= fileSize || !ReadAt(fd, pos, b, avail)) return false;
  const int idLen = VintLength(b[0]);
  if (idLen == 0 || idLen > 4 || static_cast<size_t>(idLen) >= avail) return false;
  uint32_t id = 0;
  for (int i = 0; i < idLen; ++i) id = (id << 8) | b[i];
  const int sizeLen = VintLength(b[idLen]);
  if (sizeLen == 0 || static_cast<size_t>(idLen + sizeLen) > avail) return false;
  uint64_t size = b[idLen] & (0xFF >> sizeLen);
  bool allOnes = size == (0xFFu >> sizeLen);
  for (int i = 1; i < sizeLen; ++i) {
    size = (size << 8) | b[idLen + i];
    allOnes = allOnes && b[idLen + i] == 0xFF;
  }
  e->id = id;
  e->pos = pos;
  e->dataPos = pos + static_cast<uint64_t>(idLen + sizeLen);
  e->size = allOnes ? kUnknownSize : size;
  e->sizeLength = sizeLen;
  return true;
}

uint64_t ReadUnsigned(const uint8_t* p, uint64_t n) {
  uint64_t v = 0;
  for (uint64_t i = 0; i < n && i < 8; ++i) v = (v << 8) | p[i];
  return v;
}

// Children of an element held in memory: calls f(id, data, size) for each.
template <typename F>
bool ForChildren(const uint8_t* data, uint64_t size, F&& f) {
  uint64_t pos = 0;
  while (pos < size) {
    const int idLen = VintLength(data[pos]);
    if (idLen == 0 || idLen > 4 || pos + static_cast<uint64_t>(idLen) >= size) return false;
    uint32_t id = 0;
    for (int i = 0; i < idLen; ++i) id = (id << 8) | data[pos + static_cast<uint64_t>(i)];
    pos += static_cast<uint64_t>(idLen);
    const int sizeLen = VintLength(data[pos]);
    if (sizeLen == 0 || pos + static_cast<uint64_t>(sizeLen) > size) return false;
    uint64_t n = data[pos] & (0xFF >> sizeLen);
    for (int i = 1; i < sizeLen; ++i) n = (n << 8) | data[pos + static_cast<uint64_t>(i)];
    pos += static_cast<uint64_t>(sizeLen);
    if (n > size - pos) return false;
    f(id, data + pos, n);
    pos += n;
  }
  return true;
}

void PutId(std::string* out, uint32_t id) {
  int n = id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : id > 0xFF ? 2 : 1;
  for (int i = n - 1; i >= 0; --i) out->push_back(static_cast<char>((id >> (8 * i)) & 0xFF));
}

// Size as a vint of exactly len bytes (len 0: the shortest that holds it).
bool PutSize(std::string* out, uint64_t size, int len = 0) {
  if (len == 0) {
    len = 1;
    while (len < 8 && size >= (uint64_t{1} << (7 * len)) - 1) ++len;
  }
  if (len < 8 && size >= (uint64_t{1} << (7 * len)) - 1) return false;
  uint64_t v = size | (uint64_t{1} << (7 * len));
  for (int i = len - 1; i >= 0; --i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return true;
}

std::string Elem(uint32_t id, const std::string& data) {
  std::string out;
  PutId(&out, id);
  PutSize(&out, data.size());
  return out + data;
}

std::string UIntElem(uint32_t id, uint64_t v) {
  std::string d;
  int n = 1;
  while (n < 8 && (v >> (8 * n)) != 0) ++n;
  for (int i = n - 1; i >= 0; --i) d.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return Elem(id, d);
}

struct SegmentLayout {
  Element segment;
  std::vector<Element> children;  // level 1, in file order
  uint64_t fileSize = 0;
};

bool ReadLayout(int fd, SegmentLayout* out, std::string* error) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  out->fileSize = static_cast<uint64_t>(st.st_size);
  Element e;
  if (!ReadHeader(fd, 0, out->fileSize, &e) || e.id != kIdEbml || e.size == kUnknownSize) {
    *error = "not a Matroska file";
    return false;
  }
  if (!ReadHeader(fd, e.dataPos + e.size, out->fileSize, &out->segment) || out->segment.id != kIdSegment) {
    *error = "no segment";
    return false;
  }
  const uint64_t end = out->segment.size == kUnknownSize ? out->fileSize : out->segment.dataPos + out->segment.size;
  if (end > out->fileSize) {
    *error = "segment cut short";
    return false;
  }
  uint64_t pos = out->segment.dataPos;
  while (pos < end) {
    Element c;
    if (!ReadHeader(fd, pos, out->fileSize, &c) || c.size == kUnknownSize || c.size > end - c.dataPos) {
      *error = "damaged element at byte " + std::to_string(pos);
      return false;
    }
    out->children.push_back(c);
    pos = c.dataPos + c.size;
  }
  return true;
}

bool ReadData(int fd, const Element& e, std::vector<uint8_t>* data) {
  if (e.size > kMaxReadElement) return false;
  data->resize(static_cast<size_t>(e.size));
  return ReadAt(fd, e.dataPos, data->data(), data->size());
}

void ReadSimpleTags(const uint8_t* data, uint64_t size, MatroskaTags* tags) {
  ForChildren(data, size, [&](uint32_t id, const uint8_t* d, uint64_t n) {
    if (id != kIdSimpleTag) return;
    std::string name, value;
    ForChildren(d, n, [&](uint32_t cid, const uint8_t* cd, uint64_t cn) {
      if (cid == kIdTagName) name.assign(reinterpret_cast<const char*>(cd), static_cast<size_t>(cn));
      if (cid == kIdTagString) value.assign(reinterpret_cast<const char*>(cd), static_cast<size_t>(cn));
    });
    tags->emplace_back(name, value);
    ReadSimpleTags(d, n, tags);  // nested tags follow their parent
  });
}

}  // namespace

bool ReadMatroskaSummary(const std::string& path, MatroskaSummary* out, std::string* error) {
  std::string why;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  SegmentLayout layout;
  MatroskaSummary s;
  bool ok = ReadLayout(fd, &layout, &why);
  for (const Element& c : layout.children) {
    if (!ok) break;
    if (c.id != kIdInfo && c.id != kIdTags) continue;
    std::vector<uint8_t> data;
    if (!ReadData(fd, c, &data)) {
      ok = false;
      why = "cannot read element at byte " + std::to_string(c.pos);
      break;
    }
    if (c.id == kIdInfo) {
      ForChildren(data.data(), data.size(), [&](uint32_t id, const uint8_t* d, uint64_t n) {
        if (id == kIdTimestampScale) s.timestampScaleNs = ReadUnsigned(d, n);
        if (id == kIdWritingApp) s.writingApp.assign(reinterpret_cast<const char*>(d), static_cast<size_t>(n));
        if (id == kIdDateUtc && n == 8) {
          const auto ns = static_cast<int64_t>(ReadUnsigned(d, n));
          s.hasDate = true;
          s.dateUtc = kMatroskaEpoch * kTicksPerSecond + ns / 100;
        }
        if (id == kIdDuration && (n == 4 || n == 8)) {
          const uint64_t bits = ReadUnsigned(d, n);
          if (n == 4) {
            const auto b32 = static_cast<uint32_t>(bits);
            float f;
            std::memcpy(&f, &b32, 4);
            s.durationTicks = f;
          } else {
            double f;
            std::memcpy(&f, &bits, 8);
            s.durationTicks = f;
          }
        }
      });
    } else {
      ForChildren(data.data(), data.size(), [&](uint32_t id, const uint8_t* d, uint64_t n) {
        if (id == kIdTag) ReadSimpleTags(d, n, &s.tags);
      });
    }
  }
  ::close(fd);
  if (!ok) {
    if (error) *error = why;
    return false;
  }
  *out = std::move(s);
  return true;
}

bool ReplaceTrailingTags(int fd, const MatroskaTags& tags, std::string* error) {
  SegmentLayout layout;
  std::string why;
  auto fail = [&](const std::string& w) {
    if (error) *error = w;
    return false;
  };
  if (!ReadLayout(fd, &layout, &why)) return fail(why);
  if (layout.children.empty() || layout.children.back().id != kIdTags) return fail("the segment does not end with tags");
  const Element& old = layout.children.back();
  if (old.dataPos + old.size != layout.fileSize) return fail("data after the segment");
  std::string tag = Elem(kIdTargets, UIntElem(kIdTargetTypeValue, kTargetWholeFile));
  for (const auto& [name, value] : tags) tag += Elem(kIdSimpleTag, Elem(kIdTagName, name) + Elem(kIdTagString, value));
  const std::string element = Elem(kIdTags, Elem(kIdTag, tag));
  if (!WriteAt(fd, old.pos, element.data(), element.size())) return fail(std::strerror(errno));
  const uint64_t end = old.pos + element.size();
  if (::ftruncate(fd, static_cast<off_t>(end)) != 0) return fail(std::strerror(errno));
  if (layout.segment.size != kUnknownSize) {
    std::string sizeField;
    if (!PutSize(&sizeField, end - layout.segment.dataPos, layout.segment.sizeLength))
      return fail("the segment's size field is too short");
    const uint64_t at = layout.segment.dataPos - static_cast<uint64_t>(layout.segment.sizeLength);
    if (!WriteAt(fd, at, sizeField.data(), sizeField.size())) return fail(std::strerror(errno));
  }
  return true;
}

}  // namespace vt
