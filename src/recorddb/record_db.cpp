#include "recorddb/record_db.h"
#include "recorddb/record_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "platform/heap.h"
#include "platform/local_time.h"
#include "platform/paths.h"

namespace vt {

namespace {

constexpr const char* kIndexName = "rdb.ndx";

uint16_t YearKey(const RDB_NODE& n) { return static_cast<uint16_t>(n.wKey & 0xFFFF); }
uint8_t SmallKey(const RDB_NODE& n) { return static_cast<uint8_t>(n.wKey & 0xFF); }

RDB_NODE NewNode(uint32_t key) {
  RDB_NODE n{};
  n.wKey = key;
  return n;
}

// Adds one record to a node's totals and span.
template <typename Node>
void Account(Node* n, const RDB_RECORD& r) {
  n->qwSize += r.qwSize;
  n->tStart = n->tStart == 0 ? r.tStart : std::min(n->tStart, r.tStart);
  n->tEnd = std::max(n->tEnd, r.tEnd);
}

// Span of a parent from its non-empty children; false when all are empty.
template <typename Child>
bool SpanOf(const std::vector<Child>& children, time32* start, time32* end) {
  bool any = false;
  for (const auto& c : children) {
    if (c.node.tStart == 0) continue;
    if (!any) {
      *start = c.node.tStart;
      *end = c.node.tEnd;
      any = true;
    } else {
      *start = std::min(*start, c.node.tStart);
      *end = std::max(*end, c.node.tEnd);
    }
  }
  return any;
}

template <typename Node, typename Child>
void RecomputeSpan(Node* n, std::vector<Child>* children) {
  time32 s = 0, e = 0;
  if (SpanOf(*children, &s, &e)) {
    n->tStart = s;
    n->tEnd = e;
  } else {
    children->clear();
    children->shrink_to_fit();
    n->nCount = 0;
    n->nCapacity = 0;
    n->tStart = 0;
    n->tEnd = 0;
  }
}

// Half-open: a node's tEnd is the end of its last record, which that record does not cover.
bool Covers(time32 start, time32 end, time32 t) { return start != 0 && start <= t && t < end; }

// --- Reading -------------------------------------------------------------------------------

// Sequential bytes with a known remainder, so counts can be checked before anything is allocated.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual bool Read(void* dst, size_t n) = 0;
  size_t Remaining() const { return m_remaining; }

 protected:
  size_t m_remaining = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : m_p(static_cast<const uint8_t*>(data)) { m_remaining = size; }
  bool Read(void* dst, size_t n) override {
    if (n > m_remaining) return false;
    if (n) std::memcpy(dst, m_p, n);
    m_p += n;
    m_remaining -= n;
    return true;
  }

 private:
  const uint8_t* m_p;
};

// Buffered reads for the small node arrays, direct reads for record arrays.
class FileSource : public ByteSource {
 public:
  FileSource(int fd, size_t size) : m_fd(fd) { m_remaining = size; }
  bool Read(void* dst, size_t n) override {
    if (n > m_remaining) return false;
    auto* out = static_cast<uint8_t*>(dst);
    size_t have = m_end - m_pos;
    if (n <= have) {
      std::memcpy(out, m_buf + m_pos, n);
      m_pos += n;
      m_remaining -= n;
      return true;
    }
    std::memcpy(out, m_buf + m_pos, have);
    m_pos = m_end = 0;
    out += have;
    size_t want = n - have;
    if (want >= sizeof(m_buf) / 2) {
      if (!ReadFully(out, want)) return false;
    } else {
      size_t fill = std::min(sizeof(m_buf), m_remaining - have);
      if (!ReadFully(m_buf, fill)) return false;
      m_end = fill;
      std::memcpy(out, m_buf, want);
      m_pos = want;
    }
    m_remaining -= n;
    return true;
  }

 private:
  bool ReadFully(uint8_t* dst, size_t n) {
    while (n > 0) {
      ssize_t got = ::read(m_fd, dst, n);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      dst += got;
      n -= static_cast<size_t>(got);
    }
    return true;
  }

  int m_fd;
  uint8_t m_buf[64 * 1024];
  size_t m_pos = 0;
  size_t m_end = 0;
};

template <typename Node>
bool CountsFit(const Node& n, size_t entrySize, const ByteSource& src) {
  if (n.nCount > n.nCapacity) return false;
  if (n.nCapacity == 0) return true;
  return static_cast<uint64_t>(n.nCount) * entrySize <= src.Remaining();
}

template <typename Child>
bool ReadNodes(ByteSource* src, uint32_t count, std::vector<Child>* out) {
  out->resize(count);
  for (auto& c : *out) {
    if (!src->Read(&c.node, sizeof(RDB_NODE))) return false;
    c.node.pChildren = 0;
  }
  return true;
}

bool ReadRecords(ByteSource* src, RdbDay* day) {
  const RDB_NODE& n = day->node;
  if (!CountsFit(n, sizeof(RDB_RECORD), *src)) return false;
  if (n.nCapacity == 0 || n.nCount == 0) return true;
  day->records.resize(n.nCount);
  if (!src->Read(day->records.data(), n.nCount * sizeof(RDB_RECORD))) return false;
  // Paths stay in their stored form (backslashes of the recorder family included), so a save
  // writes them back unchanged; ResolvePath reads either form.
  for (auto& r : day->records) r.szFilePath[kRdbPathSize - 1] = '\0';
  return true;
}

bool ParseIndex(ByteSource* src, RdbIndex* index) {
  RDB_HEADER& h = index->header;
  if (!src->Read(&h, sizeof h)) return false;
  if (h.dwVersion != kRdbVersion) return false;
  h.pChildren = 0;
  if (!CountsFit(h, sizeof(RDB_NODE), *src)) return false;
  if (h.nCapacity == 0) return true;
  if (!ReadNodes(src, h.nCount, &index->years)) return false;
  for (auto& y : index->years) {
    if (!CountsFit(y.node, sizeof(RDB_NODE), *src)) return false;
    if (y.node.nCapacity == 0) continue;
    if (!ReadNodes(src, y.node.nCount, &y.months)) return false;
    for (auto& m : y.months) {
      if (!CountsFit(m.node, sizeof(RDB_NODE), *src)) return false;
      if (m.node.nCapacity == 0) continue;
      if (!ReadNodes(src, m.node.nCount, &m.days)) return false;
      for (auto& d : m.days) {
        if (!ReadRecords(src, &d)) return false;
      }
    }
  }
  return true;
}

// --- Writing -------------------------------------------------------------------------------

class Sink {
 public:
  virtual ~Sink() = default;
  virtual bool Write(const void* p, size_t n) = 0;
};

// Small pieces gathered in a buffer, large arrays passed straight through.
class BufferedSink {
 public:
  explicit BufferedSink(Sink* out) : m_out(out) {}
  bool Put(const void* p, size_t n) {
    if (!m_ok) return false;
    // Large arrays go straight out, after whatever is buffered, so the order is kept.
    if (m_used + n > sizeof(m_buf) || n >= sizeof(m_buf) / 2) Flush();
    if (n >= sizeof(m_buf) / 2) {
      m_ok = m_ok && m_out->Write(p, n);
    } else {
      std::memcpy(m_buf + m_used, p, n);
      m_used += n;
    }
    return m_ok;
  }
  bool Flush() {
    if (m_ok && m_used) m_ok = m_out->Write(m_buf, m_used);
    m_used = 0;
    return m_ok;
  }

 private:
  Sink* m_out;
  uint8_t m_buf[64 * 1024];
  size_t m_used = 0;
  bool m_ok = true;
};

template <typename Child>
void PutNodes(BufferedSink* s, const std::vector<Child>& children) {
  for (const auto& c : children) {
    RDB_NODE n = c.node;
    n.pChildren = 0;
    s->Put(&n, sizeof n);
  }
}

// Records exactly as held: their paths keep the form they were read or built in.
void PutRecords(BufferedSink* s, const RdbRecordArray& records) {
  s->Put(records.data(), records.size() * sizeof(RDB_RECORD));
}

// Header, then each node's complete child array before the children's own arrays.
bool WriteIndex(const RdbIndex& index, Sink* out) {
  BufferedSink s(out);
  RDB_HEADER h = index.header;
  h.pChildren = 0;
  s.Put(&h, sizeof h);
  if (h.nCapacity == 0) return s.Flush();
  PutNodes(&s, index.years);
  for (const auto& y : index.years) {
    if (y.node.nCapacity == 0) continue;
    PutNodes(&s, y.months);
    for (const auto& m : y.months) {
      if (m.node.nCapacity == 0) continue;
      PutNodes(&s, m.days);
      for (const auto& d : m.days) {
        if (d.node.nCapacity == 0 || d.records.empty()) continue;
        PutRecords(&s, d.records);
      }
    }
  }
  return s.Flush();
}

class StringSink : public Sink {
 public:
  std::string data;
  bool Write(const void* p, size_t n) override {
    data.append(static_cast<const char*>(p), n);
    return true;
  }
};

class FdSink : public Sink {
 public:
  explicit FdSink(int fd) : m_fd(fd) {}
  bool Write(const void* p, size_t n) override {
    auto* c = static_cast<const uint8_t*>(p);
    while (n > 0) {
      ssize_t w = ::write(m_fd, c, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      c += w;
      n -= static_cast<size_t>(w);
    }
    return true;
  }

 private:
  int m_fd;
};

// Keeps nCount of every node equal to the size of its container.
template <typename Node>
void SetCount(Node* n, size_t size) {
  n->nCount = static_cast<uint32_t>(size);
}

}  // namespace

std::string RdbDayText(int year, int month, int day) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}

std::string RdbRecordText(const RDB_RECORD& record) { return FormatLocalTime(record.tStart, "%H:%M:%S"); }

void SendProgress(IMessageTarget* target, uint32_t code, LPARAM value) {
  if (target) target->Send(kMsgProgress, code, value);
}

CRecordDB::CRecordDB() = default;
CRecordDB::~CRecordDB() = default;

std::string CRecordDB::ResolvePath(const RDB_RECORD& record) const {
  return m_finder.Find(std::string(record.szFilePath, strnlen(record.szFilePath, sizeof record.szFilePath)));
}

void CRecordDB::SetFolder(const std::string& folder) {
  // Absolute, so that a rebuild never stores paths relative to the working folder.
  m_strFolder = folder.empty() ? folder : AbsolutePath(folder);
  m_strIndexPath = folder.empty() ? std::string() : JoinPath(m_strFolder, kIndexName);
  m_finder.SetCameraFolder(m_strFolder);
}

std::unique_ptr<RdbIndex> CRecordDB::MakeEmptyIndex() {
  auto index = std::make_unique<RdbIndex>();
  index->header.dwVersion = kRdbVersion;
  index->header.tCreated = index->header.tUpdated = Now32();
  return index;
}

size_t CRecordDB::RecordBytes(const RdbIndex* index) {
  size_t n = 0;
  if (index)
    for (const auto& y : index->years)
      for (const auto& m : y.months)
        for (const auto& d : m.days) n += d.records.capacity();
  return n * sizeof(RDB_RECORD);
}

void CRecordDB::ReleaseHierarchy(std::unique_ptr<RdbIndex> old) {
  const size_t bytes = RecordBytes(old.get());
  old.reset();
  ReturnFreedMemory(bytes);
}

void CRecordDB::Install(std::unique_ptr<RdbIndex> next) {
  std::unique_ptr<RdbIndex> old = std::move(m_pHeader);
  m_pHeader = std::move(next);
  ReleaseHierarchy(std::move(old));
}

bool CRecordDB::NewEmpty() {
  Install(MakeEmptyIndex());
  return true;
}

bool CRecordDB::IsEmpty() const { return !m_pHeader || m_pHeader->header.tStart >= m_pHeader->header.tEnd; }

bool CRecordDB::LoadFromBytes(const void* data, size_t size) {
  auto index = std::make_unique<RdbIndex>();
  MemorySource src(data, size);
  if (!ParseIndex(&src, index.get())) return false;
  Install(std::move(index));
  m_bUnsaved = false;
  return true;
}

CRecordDB::FileStamp CRecordDB::StampOf(const std::string& path) {
  FileStamp f;
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return f;
  f.bExists = true;
  f.dev = st.st_dev;
  f.ino = st.st_ino;
  f.size = static_cast<uint64_t>(st.st_size);
  f.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return f;
}

bool CRecordDB::Load() {
  if (InChange()) return LoadLocked();
  CFolderLock lock;
  if (!lock.Lock(m_strFolder, CFolderLock::Mode::kShared)) return false;
  return LoadLocked();
}

bool CRecordDB::LoadFromFile(const std::string& path) {
  const std::string own = m_strIndexPath;
  m_strIndexPath = path;
  const bool ok = LoadLocked();
  m_strIndexPath = own;
  if (ok) {
    // Not this folder's index: a change must load that first, and a save must not replace it.
    m_stamp = FileStamp{};
    m_bStale = true;
  }
  return ok;
}

bool CRecordDB::LoadLocked() {
  if (m_strIndexPath.empty()) return false;
  const int fd = OpenRegularShared(m_strIndexPath);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  auto index = std::make_unique<RdbIndex>();
  if (ok) {
    auto src = std::make_unique<FileSource>(fd, static_cast<size_t>(st.st_size));
    ok = ParseIndex(src.get(), index.get());
  }
  ::close(fd);
  if (!ok) return false;
  Install(std::move(index));
  m_bUnsaved = false;
  m_bStale = false;
  m_stamp = FileStamp{true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                      static_cast<uint64_t>(st.st_size),
                      static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  m_finder.Forget();
  return true;
}

std::string CRecordDB::Serialize(const RdbIndex& index) {
  StringSink sink;
  WriteIndex(index, &sink);
  return std::move(sink.data);
}

namespace {
WriteResult WriteIndexAtomically(const std::string& path, const RdbIndex& index) {
  AtomicWriteOptions options;
  // The recorder family's temporary name; an index another process holds is not replaced and
  // the finished temporary stays for it.
  options.tempPath = path + "1";
  options.refuseHeldTarget = true;
  options.keepTempWhenHeld = true;
  return WriteFileAtomically(
      path,
      [&](int fd) {
        FdSink sink(fd);
        return WriteIndex(index, &sink);
      },
      options);
}
}  // namespace

bool CRecordDB::WriteIndexFile(const std::string& path, const RdbIndex& index) {
  return WriteIndexAtomically(path, index).ok();
}

bool CRecordDB::Save() {
  if (!m_pHeader) return true;
  if (m_strIndexPath.empty()) {
    m_eLastSave = SaveStatus::kFailed;
    return false;
  }
  if (IsReadOnlyData()) {
    m_eLastSave = SaveStatus::kReadOnly;
    return false;
  }
  if (InChange()) return SaveLocked();
  CFolderLock lock;
  if (!lock.Lock(m_strFolder, CFolderLock::Mode::kExclusive)) {
    m_eLastSave = SaveStatus::kBusy;
    return false;
  }
  if (StampOf(m_strIndexPath) != m_stamp) {
    m_eLastSave = SaveStatus::kChangedOnDisk;
    return false;
  }
  return SaveLocked();
}

bool CRecordDB::SaveLocked() {
  m_pHeader->header.tUpdated = Now32();
  const WriteResult r = WriteIndexAtomically(m_strIndexPath, *m_pHeader);
  if (!r.ok()) {
    m_eLastSave = r.outcome == WriteOutcome::kTargetHeld ? SaveStatus::kHeld
                  : r.outcome == WriteOutcome::kBusy     ? SaveStatus::kBusy
                                                         : SaveStatus::kFailed;
    // A change that deleted files was not written; its mark stays for the next writer.
    return false;
  }
  m_pHeader->header.bModified = 0;
  m_bUnsaved = false;
  m_bChangeMarked = false;  // the save replaced the mark
  m_stamp = StampOf(m_strIndexPath);
  m_eLastSave = SaveStatus::kSaved;
  return true;
}

bool CRecordDB::HasLeftoverChange() const {
  struct stat st {};
  const std::string temp = m_strIndexPath + "1";
  // A temporary that a live writer holds is its business, not a leftover.
  return !m_strIndexPath.empty() && ::lstat(temp.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !IsFileHeld(temp);
}

void CRecordDB::MarkChangeStarted() {
  if (!InChange() || m_bChangeMarked || IsReadOnlyData()) return;
  // O_EXCL|O_NOFOLLOW: an existing temporary (a leftover, or a planted link) already marks.
  const int fd = ::open((m_strIndexPath + "1").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
    SyncParentFolder(m_strIndexPath);
  }
  m_bChangeMarked = true;
}

void CRecordDB::RepairAfterKilledChange() {
  if (!m_pHeader) return;
  // The index on disk may list records whose files the killed writer had already deleted.
  bool dropped = false;
  for (auto& y : m_pHeader->years)
    for (auto& m : y.months)
      for (auto& d : m.days) {
        const size_t before = d.records.size();
        d.records.erase(std::remove_if(d.records.begin(), d.records.end(),
                                       [this](const RDB_RECORD& r) { return ResolvePath(r).empty(); }),
                        d.records.end());
        dropped = dropped || d.records.size() != before;
      }
  if (dropped) {
    Recompute(m_pHeader.get());
    m_pHeader->header.bModified = 1;
    m_bUnsaved = true;
  }
  if (IsReadOnlyData()) return;
  // Saving replaces the leftover; with nothing dropped it is simply removed.
  if (dropped)
    SaveLocked();
  else
    ::unlink((m_strIndexPath + "1").c_str());
}

bool CRecordDB::BeginChange(bool reload) {
  if (m_nChangeDepth > 0) {
    ++m_nChangeDepth;
    return true;
  }
  m_bReloaded = false;
  if (!m_lock.Lock(m_strFolder, CFolderLock::Mode::kExclusive)) return false;
  m_nChangeDepth = 1;
  m_bChangeMarked = false;
  const bool leftover = HasLeftoverChange();
  if (reload && (!m_pHeader || m_bStale || leftover || StampOf(m_strIndexPath) != m_stamp)) {
    if (!LoadLocked()) {
      NewEmpty();
      Rebuild();
    }
    m_bReloaded = true;
  }
  if (leftover && reload) RepairAfterKilledChange();
  return true;
}

void CRecordDB::EndChange() {
  if (m_nChangeDepth == 0 || --m_nChangeDepth > 0) return;
  // Nothing was saved after files were deleted (the recorder writes the index): the mark goes.
  if (m_bChangeMarked) ::unlink((m_strIndexPath + "1").c_str());
  m_bChangeMarked = false;
  m_lock.Unlock();
}

bool CRecordDB::Open(const std::string& folder) {
  while (InChange()) EndChange();
  const std::string oldFolder = m_strFolder;
  const bool oldUnsaved = m_bUnsaved;
  const FileStamp oldStamp = m_stamp;
  std::unique_ptr<RdbIndex> aside = std::move(m_pHeader);
  SetFolder(folder);
  m_stamp = FileStamp{};
  m_bReloaded = false;
  bool ok = NewEmpty();
  CFolderLock lock;
  ok = ok && lock.Lock(m_strFolder, CFolderLock::Mode::kShared);
  bool loaded = ok && !HasLeftoverChange() && LoadLocked();
  if (ok && !loaded) {
    // Another reader may be rebuilding right now: wait for it, then look again.
    lock.Unlock();
    m_bStale = true;
    ok = BeginChange(true);
    if (ok) {
      // BeginChange loaded, repaired or rebuilt; a rebuilt index is saved.
      if (m_bUnsaved && !IsReadOnlyData()) SaveLocked();
      EndChange();
    }
  }
  if (!ok) {
    SetFolder(oldFolder);
    m_pHeader = std::move(aside);
    m_bUnsaved = oldUnsaved;
    m_stamp = oldStamp;
    return false;
  }
  ReleaseHierarchy(std::move(aside));
  return true;
}

bool CRecordDB::Reload(IRecordTree* tree) {
  while (InChange()) EndChange();
  const bool oldUnsaved = m_bUnsaved;
  const FileStamp oldStamp = m_stamp;
  std::unique_ptr<RdbIndex> aside = std::move(m_pHeader);
  bool ok = NewEmpty();
  CFolderLock lock;
  ok = ok && lock.Lock(m_strFolder, CFolderLock::Mode::kShared);
  if (ok && !LoadLocked()) {
    lock.Unlock();
    // The rebuild deletes empty files: it runs alone. Not saved here.
    ok = m_lock.Lock(m_strFolder, CFolderLock::Mode::kExclusive);
    if (ok) {
      ok = LoadLocked() || Rebuild() == 1;
      m_lock.Unlock();
    }
  }
  if (!ok) {
    m_pHeader = std::move(aside);
    m_bUnsaved = oldUnsaved;
    m_stamp = oldStamp;
    return false;
  }
  ReleaseHierarchy(std::move(aside));
  if (tree) FillTree(tree);
  return true;
}

bool CRecordDB::FindDay(time32 t, RdbYear** yearOut, RdbMonth** monthOut, RdbDay** dayOut, int* dayIndex) {
  if (!m_pHeader) return false;
  const RDB_HEADER& h = m_pHeader->header;
  if (h.tStart == 0 || t < h.tStart || t >= h.tEnd) return false;
  // A day whose records cover t wins over one whose span merely contains t; siblings are
  // searched on, so a record running past midnight never hides the next day.
  RdbYear* fy = nullptr;
  RdbMonth* fm = nullptr;
  RdbDay* fd = nullptr;
  int fi = -1;
  for (auto& y : m_pHeader->years) {
    if (!Covers(y.node.tStart, y.node.tEnd, t)) continue;
    for (auto& m : y.months) {
      if (!Covers(m.node.tStart, m.node.tEnd, t)) continue;
      for (size_t i = 0; i < m.days.size(); ++i) {
        RdbDay& d = m.days[i];
        if (!Covers(d.node.tStart, d.node.tEnd, t)) continue;
        bool hit = std::any_of(d.records.begin(), d.records.end(),
                               [t](const RDB_RECORD& r) { return r.tStart <= t && t < r.tEnd; });
        if (hit || !fd) {
          fy = &y;
          fm = &m;
          fd = &d;
          fi = static_cast<int>(i);
        }
        if (hit) goto found;
      }
    }
  }
found:
  if (!fd) return false;
  if (yearOut) *yearOut = fy;
  if (monthOut) *monthOut = fm;
  if (dayOut) *dayOut = fd;
  if (dayIndex) *dayIndex = fi;
  return true;
}

RDB_RECORD* CRecordDB::FindRecord(time32 t, RdbYear** year, RdbMonth** month, RdbDay** dayOut, int* recordIndex) {
  RdbYear* y = nullptr;
  RdbMonth* m = nullptr;
  RdbDay* d = nullptr;
  if (!FindDay(t, &y, &m, &d, nullptr)) return nullptr;
  for (size_t i = 0; i < d->records.size(); ++i) {
    RDB_RECORD& r = d->records[i];
    if (r.tStart <= t && t < r.tEnd) {
      if (year) *year = y;
      if (month) *month = m;
      if (dayOut) *dayOut = d;
      if (recordIndex) *recordIndex = static_cast<int>(i);
      return &r;
    }
  }
  return nullptr;
}

RDB_RECORD* CRecordDB::FindRecordAt(time32 t) {
  if (t == 0) return nullptr;
  return FindRecord(t, nullptr, nullptr, nullptr, nullptr);
}

int CRecordDB::FindOrAddYear(uint16_t key) {
  if (!m_pHeader) return -1;
  RDB_HEADER& h = m_pHeader->header;
  auto& years = m_pHeader->years;
  if (years.empty()) {
    years.push_back(RdbYear{NewNode(key), {}});
    h.nCount = 1;
    h.nCapacity = kYearFirstSlots;
    h.bModified = 1;
    return 0;
  }
  size_t at = 0;
  for (; at < years.size(); ++at) {
    if (YearKey(years[at].node) == key) return static_cast<int>(at);
    if (YearKey(years[at].node) > key) break;
  }
  if (years.size() >= h.nCapacity) h.nCapacity = static_cast<uint32_t>(years.size()) + kYearGrowSlots;
  years.insert(years.begin() + static_cast<std::ptrdiff_t>(at), RdbYear{NewNode(key), {}});
  SetCount(&h, years.size());
  h.bModified = 1;
  return static_cast<int>(at);
}

namespace {
// Months and days: one fixed allocation; a full array takes no new key.
template <typename Parent, typename Child>
int FindOrAddSmall(Parent* parent, std::vector<Child>* children, uint8_t key, uint32_t slots, RDB_HEADER* header) {
  RDB_NODE& p = parent->node;
  if (children->empty()) {
    children->push_back(Child{NewNode(key), {}});
    p.nCount = 1;
    p.nCapacity = slots;
    if (header) header->bModified = 1;
    return 0;
  }
  size_t at = 0;
  for (; at < children->size(); ++at) {
    if (SmallKey((*children)[at].node) == key) return static_cast<int>(at);
    if (SmallKey((*children)[at].node) > key) break;
  }
  if (children->size() >= p.nCapacity) {
    if (p.nCapacity >= slots) return -1;
    p.nCapacity = slots;
  }
  children->insert(children->begin() + static_cast<std::ptrdiff_t>(at), Child{NewNode(key), {}});
  SetCount(&p, children->size());
  if (header) header->bModified = 1;
  return static_cast<int>(at);
}
}  // namespace

int CRecordDB::FindOrAddMonth(RdbYear* year, uint8_t month, RDB_HEADER* header) {
  return FindOrAddSmall(year, &year->months, month, kMonthSlots, header);
}

int CRecordDB::FindOrAddDay(RdbMonth* month, uint8_t day, RDB_HEADER* header) {
  return FindOrAddSmall(month, &month->days, day, kDaySlots, header);
}

RDB_RECORD* CRecordDB::InsertRecordSlot(RdbDay* day, time32 start) {
  RDB_NODE& n = day->node;
  auto& recs = day->records;
  if (n.nCapacity == 0) {
    n.nCapacity = kRecordFirstSlots;
  } else if (recs.size() >= n.nCapacity) {
    n.nCapacity += kRecordGrowSlots;
  }
  // Records usually arrive in time order: look from the end.
  size_t at = recs.size();
  while (at > 0 && recs[at - 1].tStart > start) --at;
  RDB_RECORD slot{};
  slot.tStart = start;
  auto it = recs.insert(recs.begin() + static_cast<std::ptrdiff_t>(at), slot);
  SetCount(&n, recs.size());
  return &*it;
}

int CRecordDB::AddRecord(RDB_CURSOR* cursor, const RDB_RECORD& record) {
  if (!m_pHeader) return -1;
  if (FindRecordAt(record.tStart) != nullptr) return -1;
  if (record.tEnd <= record.tStart || record.qwSize == 0) {
    std::string path(record.szFilePath, strnlen(record.szFilePath, sizeof record.szFilePath));
    if (!IsReadOnlyData()) DeleteFileIfExists(path);
    return -1;
  }
  LocalFields lf;
  if (!SplitLocalTime(record.tStart, &lf)) return -1;
  RDB_CURSOR local;
  RDB_CURSOR& c = cursor ? *cursor : local;
  RDB_HEADER& h = m_pHeader->header;
  auto& years = m_pHeader->years;

  auto validYear = [&] { return c.nYear >= 0 && static_cast<size_t>(c.nYear) < years.size(); };
  if (!validYear() || YearKey(years[c.nYear].node) != static_cast<uint16_t>(lf.year)) {
    c.nYear = FindOrAddYear(static_cast<uint16_t>(lf.year));
    c.nMonth = c.nDay = -1;
    if (c.nYear < 0) return -1;
  }
  RdbYear& y = years[c.nYear];
  if (c.nMonth < 0 || static_cast<size_t>(c.nMonth) >= y.months.size() ||
      SmallKey(y.months[c.nMonth].node) != static_cast<uint8_t>(lf.month)) {
    c.nMonth = FindOrAddMonth(&y, static_cast<uint8_t>(lf.month), &h);
    c.nDay = -1;
    if (c.nMonth < 0) return -1;
  }
  RdbMonth& m = y.months[c.nMonth];
  if (c.nDay < 0 || static_cast<size_t>(c.nDay) >= m.days.size() ||
      SmallKey(m.days[c.nDay].node) != static_cast<uint8_t>(lf.day)) {
    c.nDay = FindOrAddDay(&m, static_cast<uint8_t>(lf.day), &h);
    if (c.nDay < 0) return -1;
  }
  RdbDay& d = m.days[c.nDay];
  if (d.records.capacity() < m_nReserveHint) d.records.reserve(m_nReserveHint);
  RDB_RECORD* slot = InsertRecordSlot(&d, record.tStart);
  std::memcpy(slot, &record, sizeof record);
  slot->szFilePath[kRdbPathSize - 1] = '\0';
  Account(&d.node, record);
  Account(&m.node, record);
  Account(&y.node, record);
  Account(&h, record);
  h.bModified = 1;
  m_bUnsaved = true;
  return 1;
}

namespace {
void RecomputeUpwards(RdbIndex* index, RdbYear* y, RdbMonth* m) {
  RecomputeSpan(&m->node, &m->days);
  RecomputeSpan(&y->node, &y->months);
  RecomputeSpan(&index->header, &index->years);
}
}  // namespace

bool CRecordDB::RemoveRecord(time32 t, bool deleteFile) {
  RdbYear* y = nullptr;
  RdbMonth* m = nullptr;
  RdbDay* d = nullptr;
  int i = -1;
  if (deleteFile && IsReadOnlyData()) return false;
  RDB_RECORD* r = FindRecord(t, &y, &m, &d, &i);
  if (!r) return false;
  if (deleteFile) {
    MarkChangeStarted();
    DeleteFileIfExists(ResolvePath(*r));
  }
  const uint64_t size = r->qwSize;
  d->node.qwSize -= size;
  m->node.qwSize -= size;
  y->node.qwSize -= size;
  m_pHeader->header.qwSize -= size;
  d->records.erase(d->records.begin() + i);
  SetCount(&d->node, d->records.size());
  if (!d->records.empty()) {
    d->node.tStart = d->records.front().tStart;
    d->node.tEnd = 0;
    for (const auto& rec : d->records) d->node.tEnd = std::max(d->node.tEnd, rec.tEnd);
  } else {
    d->records.clear();
    d->records.shrink_to_fit();
    d->node.nCount = d->node.nCapacity = 0;
    d->node.tStart = d->node.tEnd = 0;
  }
  RecomputeUpwards(m_pHeader.get(), y, m);
  m_pHeader->header.bModified = 1;
  m_bUnsaved = true;
  return true;
}

bool CRecordDB::RemoveDay(time32 t, bool deleteFiles) {
  RdbYear* y = nullptr;
  RdbMonth* m = nullptr;
  RdbDay* d = nullptr;
  int i = -1;
  if (deleteFiles && IsReadOnlyData()) return false;
  if (!FindDay(t, &y, &m, &d, &i)) return false;
  if (deleteFiles) {
    MarkChangeStarted();
    for (const auto& r : d->records) {
      const std::string path = ResolvePath(r);
      if (FileExists(path)) {
        ::unlink(path.c_str());
        SendProgress(m_pProgress, kProgressStep, 0);
      }
    }
  }
  const uint64_t size = d->node.qwSize;
  m->node.qwSize -= size;
  y->node.qwSize -= size;
  m_pHeader->header.qwSize -= size;
  m->days.erase(m->days.begin() + i);
  SetCount(&m->node, m->days.size());
  RecomputeUpwards(m_pHeader.get(), y, m);
  m_pHeader->header.bModified = 1;
  m_bUnsaved = true;
  return true;
}

std::vector<RdbDayRef> CRecordDB::ListDays() const {
  std::vector<RdbDayRef> out;
  if (!m_pHeader || m_pHeader->header.tStart == 0) return out;
  for (const auto& y : m_pHeader->years) {
    if (y.node.nCount == 0) continue;
    for (const auto& m : y.months) {
      if (m.node.nCount == 0) continue;
      for (const auto& d : m.days) {
        if (d.node.nCount == 0 || d.records.empty()) continue;
        out.push_back({YearKey(y.node), SmallKey(m.node), SmallKey(d.node), &d});
      }
    }
  }
  return out;
}

void CRecordDB::FillTree(IRecordTree* tree) const {
  if (!tree) return;
  tree->Clear();
  for (const RdbDayRef& ref : ListDays()) {
    RecordTreeItem item = tree->InsertDay(RdbDayText(ref.nYear, ref.nMonth, ref.nDay));
    for (const auto& r : ref.pDay->records) tree->InsertRecord(item, RdbRecordText(r), r.nKind);
  }
}

void CRecordDB::Recompute(RdbIndex* index) {
  RDB_HEADER& h = index->header;
  h.qwSize = 0;
  for (auto& y : index->years) {
    y.node.qwSize = 0;
    for (auto& m : y.months) {
      m.node.qwSize = 0;
      for (auto& d : m.days) {
        d.node.qwSize = 0;
        d.node.tStart = d.node.tEnd = 0;
        for (const auto& r : d.records) Account(&d.node, r);
        SetCount(&d.node, d.records.size());
        if (d.records.empty()) d.node.nCapacity = 0;
        m.node.qwSize += d.node.qwSize;
      }
      RecomputeSpan(&m.node, &m.days);
      SetCount(&m.node, m.days.size());
      y.node.qwSize += m.node.qwSize;
    }
    RecomputeSpan(&y.node, &y.months);
    SetCount(&y.node, y.months.size());
    h.qwSize += y.node.qwSize;
  }
  RecomputeSpan(&h, &index->years);
  SetCount(&h, index->years.size());
}

}  // namespace vt
