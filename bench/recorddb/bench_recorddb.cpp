// Times the record database against plain system work on the same data, in one run:
//  (a) CRecordDB::Load of the index vs one read() of the file into memory,
//  (b) Rebuild of the folder tree vs `find FOLDER -name '*.avi' -printf '%s\n'`,
//  (c) Save vs one write() and one fsync() of the same number of bytes.
// The tree (100 000 record files in 365 day folders by default) is made in /tmp and removed.
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/local_time.h"
#include "recorddb/record_db.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

long MinorFaults() {
  struct rusage ru {};
  ::getrusage(RUSAGE_SELF, &ru);
  return ru.ru_minflt;
}

long g_faults = 0;  // page faults per run of the last TimeMs

// Median milliseconds of reps runs of f.
double TimeMs(int reps, const std::function<void()>& f) {
  std::vector<double> ms;
  const long f0 = MinorFaults();
  for (int i = 0; i < reps; ++i) {
    auto t0 = Clock::now();
    f();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  g_faults = (MinorFaults() - f0) / reps;
  return Median(ms);
}

bool MakeTree(const std::string& cam, int records, int days) {
  const vt::time32 first = vt::MakeLocalTime(2008, 1, 1, 12, 0, 0);
  int made = 0;
  for (int d = 0; d < days; ++d) {
    vt::LocalFields day;
    vt::SplitLocalTime(first + d * 86400, &day);
    const std::string folder = vt::CRecordDB::DayFolderName(cam, day.year, day.month, day.day);
    std::filesystem::create_directories(folder);
    const int count = records / days + (d < records % days ? 1 : 0);
    const int spacing = 86000 / std::max(count, 1);
    for (int i = 0; i < count; ++i, ++made) {
      int s = i * spacing, e = s + spacing / 2;
      char name[64];
      std::snprintf(name, sizeof name, "/01%02d%02d%02d%02d%02d%02d%d.avi", s / 3600, s / 60 % 60, s % 60, e / 3600,
                    e / 60 % 60, e % 60, i & 1);
      int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) return false;
      bool ok = ::write(fd, name, 1 + static_cast<size_t>(i % 8)) > 0;
      ::close(fd);
      if (!ok) return false;
    }
  }
  return made == records;
}

void Report(const char* what, double ours, long ourFaults, const char* refName, double ref, long refFaults,
            double goal) {
  const double ratio = ours / std::max(ref, 1e-6);
  std::printf("%-24s %9.2f ms (%6ld faults)   %-22s %9.2f ms (%6ld faults)   ratio %5.2f  (goal <= %.0f) %s\n", what,
              ours, ourFaults, refName, ref, refFaults, ratio, goal, ratio <= goal ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int days = argc > 2 ? std::atoi(argv[2]) : 365;
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  // Steady-state allocator for every measured operation alike: freed memory is reused rather
  // than handed back to the system (the defaults would favour the single large read buffer,
  // whose size raises glibc's thresholds, over the index's many day arrays).
  ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
  char tmpl[] = "/tmp/vtbench-rdb-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string root = tmpl, cam = root + "/cam";
  int rc = 0;
  std::printf("record database: %d record files in %d day folders under %s\n", records, days, root.c_str());
  if (!MakeTree(cam, records, days)) {
    std::fprintf(stderr, "cannot make the tree\n");
    rc = 1;
  } else {
    vt::CRecordDB db;
    db.SetFolder(cam);
    // (b) both walk the warm tree; one untimed run each warms the caches.
    const std::string find = "find '" + cam + "' -name '*.avi' -printf '%s\\n' >/dev/null";
    db.Rebuild();
    if (std::system(find.c_str()) != 0) rc = 1;
    const double tRebuild = TimeMs(3, [&] { db.Rebuild(); });
    const long fRebuild = g_faults;
    const double tFind = TimeMs(3, [&] {
      if (std::system(find.c_str()) != 0) rc = 1;
    });
    const long fFind = g_faults;
    size_t listed = 0;
    for (const auto& d : db.ListDays()) listed += d.pDay->records.size();
    if (listed != static_cast<size_t>(records)) {
      std::fprintf(stderr, "rebuild listed %zu records\n", listed);
      rc = 1;
    }
    if (!db.Save()) rc = 1;
    struct stat st {};
    ::stat(db.GetIndexPath().c_str(), &st);
    const size_t bytes = static_cast<size_t>(st.st_size);
    std::printf("index: %zu bytes\n", bytes);

    // (a) one untimed run of each first.
    {
      vt::CRecordDB warm;
      warm.SetFolder(cam);
      warm.Load();
    }
    const double tLoad = TimeMs(7, [&] {
      vt::CRecordDB other;
      other.SetFolder(cam);
      if (!other.Load()) rc = 1;
    });
    const long fLoad = g_faults;
    const double tRead = TimeMs(7, [&] {
      std::vector<char> mem(bytes);
      int fd = ::open(db.GetIndexPath().c_str(), O_RDONLY);
      if (fd < 0 || ::read(fd, mem.data(), bytes) != static_cast<ssize_t>(bytes)) rc = 1;
      if (fd >= 0) ::close(fd);
    });
    const long fRead = g_faults;
    // The same read into memory fresh from the system, page faults included.
    const double tReadFresh = TimeMs(7, [&] {
      void* mem = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      int fd = ::open(db.GetIndexPath().c_str(), O_RDONLY);
      if (mem == MAP_FAILED || fd < 0 || ::read(fd, mem, bytes) != static_cast<ssize_t>(bytes)) rc = 1;
      if (fd >= 0) ::close(fd);
      if (mem != MAP_FAILED) ::munmap(mem, bytes);
    });
    const long fReadFresh = g_faults;

    // (c)
    const std::string plain = root + "/plain.bin";
    const std::vector<char> data(bytes, 'x');
    const double tSave = TimeMs(5, [&] {
      if (!db.Save()) rc = 1;
    });
    const long fSave = g_faults;
    const double tWrite = TimeMs(5, [&] {
      ::unlink(plain.c_str());
      int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || ::write(fd, data.data(), bytes) != static_cast<ssize_t>(bytes) || ::fsync(fd) != 0) rc = 1;
      if (fd >= 0) ::close(fd);
    });
    const long fWrite = g_faults;

    Report("(a) CRecordDB::Load", tLoad, fLoad, "read() of the file", tRead, fRead, 3);
    std::printf("read() into pages fresh from the system: %.2f ms (%ld faults) - page faults cost this much here\n",
                tReadFresh, fReadFresh);
    Report("(b) CRecordDB::Rebuild", tRebuild, fRebuild, "find (own process)", tFind, fFind, 2);
    Report("(c) CRecordDB::Save", tSave, fSave, "write() + fsync()", tWrite, fWrite, 3);
  }
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return rc;
}
