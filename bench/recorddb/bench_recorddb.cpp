// The record database against plain system work on the same data, at each size given
// (default 10 000, 100 000 and 1 000 000 record files, about 274 a day):
//  (a) CRecordDB::Load in a fresh process vs read() of the file into fresh memory in a fresh
//      process: the program as shipped, page faults included (goal: within 3x);
//  (b) Rebuild of the folder tree vs `find FOLDER -name '*.avi' -printf '%s\n'` (goal: 2x);
//  (c) Save (folder lock, temporary, fsync, rename, folder fsync) vs write() + fsync() (goal: 3x);
//  (d) finding every record's file when the index holds Windows paths ("D:\rec\ch01\day\name",
//      a camera copied from a Windows recorder) vs the same index with the files' own paths
//      (goal: 2x);
//  (e) deleting a day whose folder has gone (every file missing) vs one stat() of each of its
//      files, the least such a delete must do (goal: 3x);
//  (f) peak memory of `vtdb list FOLDER` and `vtdb dump NDX --json` (output to /dev/null) vs
//      that of a process that reads the index file into memory (goal: 2x): the text is
//      streamed, so memory follows the index, not the size of the text.
// The trees are made in /tmp and removed. Exit status 1 when a goal is missed.
// Usage: bench_recorddb [records...]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_process.h"
#include "bench_report.h"
#include "platform/local_time.h"
#include "recorddb/record_db.h"

namespace {

using vt::bench::Clock;
using vt::bench::Ms;

constexpr int kRecordsPerDay = 274;  // a recording every five minutes or so
constexpr double kLoadGoal = 3, kRebuildGoal = 2, kSaveGoal = 3, kWindowsPathGoal = 2, kMissingDayGoal = 3,
                 kOutputMemoryGoal = 2;

// Finds the file of every record, as vtdb list and the player do; the number found.
size_t FindEveryFile(const vt::CRecordDB& db) {
  size_t found = 0;
  for (const auto& d : db.ListDays())
    for (const auto& r : d.pDay->records) found += db.ResolvePath(r).empty() ? 0 : 1;
  return found;
}

// The index of db with every path in the form a Windows recorder stores.
std::string WindowsFormIndex(const vt::CRecordDB& db) {
  vt::RdbIndex copy = *db.GetIndex();
  for (auto& y : copy.years)
    for (auto& m : y.months)
      for (auto& d : m.days)
        for (auto& r : d.records) {
          std::string p = r.szFilePath;
          const size_t name = p.find_last_of('/'), day = p.find_last_of('/', name - 1);
          const std::string stored = "D:\\rec\\ch01\\" + p.substr(day + 1, name - day - 1) + "\\" + p.substr(name + 1);
          std::snprintf(r.szFilePath, sizeof r.szFilePath, "%s", stored.c_str());
        }
  return vt::CRecordDB::Serialize(copy);
}

bool MakeTree(const std::string& cam, int records) {
  const int days = std::max(1, records / kRecordsPerDay);
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

// Child: one Load of the camera folder's index, as the program does it. Prints "ms records".
int ChildLoad(const std::string& cam) {
  const auto t0 = Clock::now();
  vt::CRecordDB db;
  db.SetFolder(cam);
  if (!db.Load()) return 1;
  const double ms = Ms(Clock::now() - t0);
  size_t n = 0;
  for (const auto& d : db.ListDays()) n += d.pDay->records.size();
  std::printf("%.3f %zu\n", ms, n);
  return 0;
}

// Child: the file into memory fresh from the system, as the least a load must do. Prints "ms".
int ChildRead(const std::string& file) {
  const auto t0 = Clock::now();
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return 1;
  const size_t bytes = static_cast<size_t>(st.st_size);
  char* mem = static_cast<char*>(std::malloc(bytes));
  size_t done = 0;
  while (mem && done < bytes) {
    const ssize_t n = ::read(fd, mem + done, bytes - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  const double ms = Ms(Clock::now() - t0);
  const bool ok = mem && done == bytes;
  if (ok && bytes) {
    volatile char last = mem[bytes - 1];  // the bytes are used, so the read stays
    (void)last;
  }
  std::free(mem);
  if (!ok) return 1;
  std::printf("%.3f\n", ms);
  return 0;
}

double ChildMs(const std::vector<std::string>& args, size_t expectRecords, bool* ok) {
  const std::string out = vt::bench::RunSelf(args);
  double ms = -1;
  size_t n = 0;
  const int fields = std::sscanf(out.c_str(), "%lf %zu", &ms, &n);
  if (fields < 1 || (expectRecords && n != expectRecords)) *ok = false;
  return ms;
}

// Runs argv with stdout to /dev/null; its peak resident memory in KiB, or -1 when it failed.
// Called in a fresh child of its own (--child-peak), not in the benchmark's large process.
long PeakKbOf(const std::vector<std::string>& argv) {
  struct rusage usage {};
  return vt::bench::RunProgram(argv, "", false, &usage) ? usage.ru_maxrss : -1;
}

bool BenchSize(const std::string& root, int records, vt::bench::CGoals* goals) {
  const std::string cam = root + "/cam" + std::to_string(records);
  std::printf("\n== %d record files in %d day folders\n", records, std::max(1, records / kRecordsPerDay));
  std::fflush(stdout);
  if (!MakeTree(cam, records)) {
    std::fprintf(stderr, "cannot make the tree under %s\n", cam.c_str());
    return false;
  }
  bool ok = true;
  const int rounds = records >= 1000000 ? 3 : 5;
  vt::CRecordDB db;
  db.SetFolder(cam);

  // (b) both walk the warm tree; one untimed run each warms the caches.
  const std::string find = "find '" + cam + "' -name '*.avi' -printf '%s\\n' >/dev/null";
  db.Rebuild();
  ok = std::system(find.c_str()) == 0 && ok;
  const vt::bench::Rounds rebuild = vt::bench::Alternate(
      rounds, 1, [&] { db.Rebuild(); }, [&] { ok = std::system(find.c_str()) == 0 && ok; });
  size_t listed = 0;
  for (const auto& d : db.ListDays()) listed += d.pDay->records.size();
  if (listed != static_cast<size_t>(records)) {
    std::fprintf(stderr, "rebuild listed %zu records\n", listed);
    ok = false;
  }

  // (c) the index as the program writes it, and the same bytes plainly.
  if (!db.Save()) ok = false;
  const std::string plain = root + "/plain.bin";
  struct stat st {};
  ::stat(db.GetIndexPath().c_str(), &st);
  const size_t bytes = static_cast<size_t>(st.st_size);
  const std::vector<char> data(bytes, 'x');
  const vt::bench::Rounds save = vt::bench::Alternate(
      rounds, 1, [&] { ok = db.Save() && ok; },
      [&] {
        ::unlink(plain.c_str());
        const int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ok = fd >= 0 && ::write(fd, data.data(), bytes) == static_cast<ssize_t>(bytes) && ::fsync(fd) == 0 && ok;
        if (fd >= 0) ::close(fd);
      });
  ::unlink(plain.c_str());

  // (d) a fresh finder each call, as a fresh vtdb list has.
  vt::CRecordDB windows, direct;
  const std::string windowsBytes = WindowsFormIndex(db), directBytes = vt::CRecordDB::Serialize(*db.GetIndex());
  windows.LoadFromBytes(windowsBytes.data(), windowsBytes.size());
  direct.LoadFromBytes(directBytes.data(), directBytes.size());
  size_t foundWindows = 0, foundDirect = 0;
  const vt::bench::Rounds paths = vt::bench::Alternate(
      rounds, 1,
      [&] {
        windows.SetFolder(cam);
        foundWindows = FindEveryFile(windows);
      },
      [&] {
        direct.SetFolder(cam);
        foundDirect = FindEveryFile(direct);
      });
  if (foundWindows != static_cast<size_t>(records) || foundDirect != static_cast<size_t>(records)) {
    std::fprintf(stderr, "found %zu and %zu of %d files\n", foundWindows, foundDirect, records);
    ok = false;
  }

  // (e) the first day's folder moved away: each round deletes that day from a fresh copy.
  const vt::RdbDayRef first = db.ListDays().front();
  const vt::time32 dayTime = first.pDay->records.front().tStart;
  const std::string dayFolder = vt::CRecordDB::DayFolderName(cam, first.nYear, first.nMonth, first.nDay);
  std::filesystem::rename(dayFolder, root + "/moved-day");
  const vt::bench::Rounds missing = vt::bench::AlternateTimed(
      rounds,
      [&] {
        vt::CRecordDB copy;
        copy.SetFolder(cam);
        copy.LoadFromBytes(directBytes.data(), directBytes.size());
        const auto t0 = Clock::now();
        ok = copy.RemoveDay(dayTime, true) && ok;
        return Ms(Clock::now() - t0);
      },
      [&] {
        // The least a delete of the day must do: look at each file once.
        const auto t0 = Clock::now();
        struct stat gone {};
        for (const auto& r : first.pDay->records) ok = ::stat(r.szFilePath, &gone) != 0 && ok;
        return Ms(Clock::now() - t0);
      });
  std::filesystem::rename(root + "/moved-day", dayFolder);

  // (a) each in a process of its own; the file is in the page cache for both.
  const vt::bench::Rounds load = vt::bench::AlternateTimed(
      rounds + 2, [&] { return ChildMs({"--child-load", cam}, static_cast<size_t>(records), &ok); },
      [&] { return ChildMs({"--child-read", db.GetIndexPath()}, 0, &ok); });

  // (f) once each: peak memory is a property of the process, not a timing.
  auto peakKb = [](const std::vector<std::string>& args) {
    std::vector<std::string> full = {"--child-peak"};
    full.insert(full.end(), args.begin(), args.end());
    const std::string out = vt::bench::RunSelf(full);
    return out.empty() ? -1 : std::atol(out.c_str());
  };
  const long listKb = peakKb({VTDB_PATH, "list", cam});
  const long dumpKb = peakKb({VTDB_PATH, "dump", db.GetIndexPath(), "--json"});
  // The child that measures runs this program again as the reference.
  const long readKb = peakKb({"/proc/self/exe", "--child-read", db.GetIndexPath()});
  if (listKb < 0 || dumpKb < 0 || readKb <= 0) {
    std::fprintf(stderr, "vtdb list/dump or the reading child failed\n");
    ok = false;
  }

  std::printf("index: %zu bytes\n", bytes);
  vt::bench::PrintRounds("(a) Load / read() (fresh process)", load);
  vt::bench::PrintRounds("(b) Rebuild / find", rebuild);
  vt::bench::PrintRounds("(c) Save / write()+fsync()", save);
  vt::bench::PrintRounds("(d) Windows paths / own paths", paths);
  vt::bench::PrintRounds("(e) day gone: delete / stat() each", missing);
  std::printf("(f) peak memory: vtdb list %.1f MB, vtdb dump --json %.1f MB, read() of the index %.1f MB\n",
              listKb / 1024.0, dumpKb / 1024.0, readKb / 1024.0);
  const std::string n = " at " + std::to_string(records);
  goals->AtMost("(a) Load / read()" + n, load.Ratio().median, kLoadGoal);
  goals->AtMost("(b) Rebuild / find" + n, rebuild.Ratio().median, kRebuildGoal);
  goals->AtMost("(c) Save / write()+fsync()" + n, save.Ratio().median, kSaveGoal);
  goals->AtMost("(d) Windows paths / own paths" + n, paths.Ratio().median, kWindowsPathGoal);
  goals->AtMost("(e) day gone: delete / stat() each" + n, missing.Ratio().median, kMissingDayGoal);
  goals->AtMost("(f) vtdb list memory / read() of the index" + n, static_cast<double>(listKb) / readKb,
                kOutputMemoryGoal);
  goals->AtMost("(f) vtdb dump --json memory / read() of the index" + n, static_cast<double>(dumpKb) / readKb,
                kOutputMemoryGoal);
  std::error_code ec;
  std::filesystem::remove_all(cam, ec);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  if (argc == 3 && std::string(argv[1]) == "--child-load") return ChildLoad(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--child-read") return ChildRead(argv[2]);
  if (argc >= 3 && std::string(argv[1]) == "--child-peak") {
    const long kb = PeakKbOf(std::vector<std::string>(argv + 2, argv + argc));
    if (kb < 0) return 1;
    std::printf("%ld\n", kb);
    return 0;
  }
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  char tmpl[] = "/tmp/vtbench-rdb-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string root = tmpl;
  std::printf("record database under %s; ours/ref ratios, medians of alternating rounds\n", root.c_str());
  vt::bench::CGoals goals;
  bool ok = true;
  for (int records : sizes) ok = records > 0 && BenchSize(root, records, &goals) && ok;
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  if (!ok) {
    std::fprintf(stderr, "a measurement failed\n");
    return 1;
  }
  return goals.Finish();
}
