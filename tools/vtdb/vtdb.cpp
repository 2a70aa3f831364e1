// vtdb: the record database from a shell. Lists cameras, dumps and lists indexes, rebuilds,
// deletes, saves and backs up records with the same operations the player uses.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/data_policy.h"
#include "platform/file_utils.h"
#include "platform/local_time.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "recorddb/camera_config.h"
#include "recorddb/rdb_texts.h"
#include "recorddb/record_db.h"
#include "recorddb/record_list.h"
#include "tool_args.h"
#include "vtdb_demo.h"
#include "vtdb_output.h"

namespace vt::vtdb {
namespace {

constexpr const char kUsage[] =
    "Usage: vtdb [--read-only] [--codepage NAME] COMMAND ARGUMENTS\n"
    "\n"
    "Record databases of the recorder: camera folders with day folders of record files and\n"
    "an index rdb.ndx.\n"
    "\n"
    "Commands:\n"
    "  cameras INI [--remote-viewer]   cameras of a recorder configuration (vantor.ini); with\n"
    "                                  --remote-viewer only channel 1\n"
    "  cameras --saved ROOT            cameras of a saved database (ROOT/recorddb.ini)\n"
    "                                  One line per camera: channel index, label, folder (tab-separated).\n"
    "  dump NDX [--json]               the whole index file with every field\n"
    "  list FOLDER [--json]            the days and records of a camera folder as the record tree\n"
    "                                  shows them, with end time, kind, size and file (--json: also\n"
    "                                  the stored szFilePath); an index that is missing or\n"
    "                                  unreadable is rebuilt and saved first\n"
    "  rebuild FOLDER                  rebuild the index from the folder and save it\n"
    "  delete FOLDER (--record T | --day D | --all)\n"
    "                                  delete the record at T, the day D, or all records, with\n"
    "                                  their files, then save the index; refused while another\n"
    "                                  process (the recorder) holds the index\n"
    "  save-to FOLDER (--record T | --day D) --channel N --dest ROOT --ini INI\n"
    "                                  copy the record at T or the day D of camera channel N (1-16)\n"
    "                                  to ROOT/cameraNN/YYYY-MM-DD (the day the records belong to)\n"
    "                                  and describe it in ROOT/recorddb.ini; FOLDER must be channel\n"
    "                                  N's folder in INI (or a saved database's cameraNN); a file\n"
    "                                  of the same name with other contents is never replaced\n"
    "  backup --ini INI --dest ROOT [--remote-viewer]\n"
    "                                  back up every camera of INI under ROOT with its own index\n"
    "                                  save-to and backup print what they copied where, and fail\n"
    "                                  (exit 1) when a file or an index could not be written\n"
    "  demo DIR                        create a sample recorder data folder in DIR (new, empty or\n"
    "                                  made by an earlier vtdb demo): DIR/vantor.ini and cameraNN\n"
    "  --help                          this text\n"
    "\n"
    "Options for every command:\n"
    "  --read-only                     review mode for evidence copies: nothing in the data is\n"
    "                                  written, renamed or deleted (an index that has to be rebuilt\n"
    "                                  is rebuilt in memory only; empty files stay); delete,\n"
    "                                  rebuild and demo refuse; list, dump, cameras, save-to and\n"
    "                                  backup work and export into their destination, which must\n"
    "                                  lie outside the data folder and the camera folders\n"
    "  --codepage NAME                 code page of camera names that are not UTF-8 (iconv names:\n"
    "                                  WINDOWS-1252, WINDOWS-1250, GBK, BIG5, SHIFT_JIS...); the\n"
    "                                  default follows the language of the locale\n"
    "\n"
    "Stored record paths that do not exist (Windows paths such as D:\\rec\\ch01\\..., or a moved\n"
    "camera folder) are found under the camera folder by day folder and file name.\n"
    "A data folder this process cannot write is reported with a warning on stderr.\n"
    "\n"
    "Times T are \"YYYY-MM-DD HH:MM:SS\" in local time or seconds since 1970-01-01 UTC. A day D is\n"
    "a date YYYY-MM-DD, or a time T for the day of the record at T.\n"
    "Every index and copy is written to a temporary file and renamed into place; writers lock\n"
    "the camera folder, so two vtdb processes (or vtdb and the player) never undo each other.\n"
    "Errors go to stderr with exit status 1.\n";

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure(message); }

using Args = ToolArgs;

Args Parse(const std::vector<std::string>& in, const std::set<std::string>& valueOptions,
           const std::set<std::string>& flagOptions) {
  return ParseToolArgs(in, valueOptions, flagOptions);
}

void ExpectPositionals(const Args& a, size_t count, const char* what) {
  if (a.positional.size() != count) Fail(std::string("expected ") + what);
}

time32 ParseTime(const std::string& text) {
  if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
    if (text.size() > 10) Fail("time out of range: " + text);
    long long v = std::stoll(text);
    if (v <= 0 || v > 0x7FFFFFFFLL) Fail("time out of range: " + text);
    return static_cast<time32>(v);
  }
  int y, mo, d, h, mi, s, used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 ||
      static_cast<size_t>(used) != text.size())
    Fail("not a time (YYYY-MM-DD HH:MM:SS or seconds): " + text);
  time32 t = MakeLocalTime(y, mo, d, h, mi, s);
  LocalFields f;
  if (t == -1 || !SplitLocalTime(t, &f) || f.year != y || f.month != mo || f.day != d)
    Fail("not a valid date: " + text);
  return t;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void RequireFolder(const std::string& path) {
  if (!IsFolder(path)) Fail("not a folder: " + path);
}

// Review mode was asked for; a folder that cannot be written is worth a warning.
void WarnIfNotWritable(const std::string& folder) {
  if (IsReadOnlyData()) return;
  const std::string reason = DataWriteBlockedReason(folder);
  if (!reason.empty()) std::cerr << "vtdb: warning: " << reason << "; nothing is written there\n";
}

// The data under review (the recorder's data folder and the camera folders) cannot take an export.
void RefuseDestinationInData(const std::string& ini, const std::vector<std::string>& cameraFolders,
                             const std::string& dest) {
  if (!IsReadOnlyData()) return;
  std::string folder;
  if (SplitPath(ini, &folder, nullptr)) ProtectDataFolder(folder);
  for (const auto& f : cameraFolders) ProtectDataFolder(f);
  if (IsInProtectedData(dest)) Fail("--dest " + dest + " lies inside the data under review; refused with --read-only");
}

void RefuseInReviewMode(const char* command) {
  if (IsReadOnlyData()) Fail(std::string(command) + " changes the data and is refused with --read-only");
}

// Camera list and selector for the commands.
struct CameraTable : ICameraList, ICameraQuery {
  std::vector<CameraEntry> rows;
  void ResetCameras() override { rows.clear(); }
  void AddCamera(int channelIndex, const std::string& label, const std::string& folder) override {
    rows.push_back({channelIndex, label, folder});
  }
  void SelectCamera(int) override {}
  std::vector<CameraEntry> GetCameras() const override { return rows; }
  int GetCurrentCamera() const override { return -1; }
};

// Counts the progress steps of an operation.
struct ProgressCounter : IMessageTarget {
  int steps = 0;
  int format = 0;
  bool Post(uint32_t, WPARAM, LPARAM) override { return true; }
  LRESULT Send(uint32_t msg, WPARAM w, LPARAM l) override {
    if (msg != kMsgProgress) return 0;
    if (w == kProgressFormat) format = static_cast<int>(l);
    if (w == kProgressBegin) steps = 0;
    if (w == kProgressStep) ++steps;
    return 0;
  }
  std::string Text(int id) const { return FormatTextInt(RdbBuiltInText(id), steps); }
};

// FOLDER must be channel's camera: its storage folder in INI, or the camera folder of that
// channel in a saved database (ROOT/cameraNN). Else the export would be labelled as another camera.
void RequireChannelOf(const std::string& folder, int channel, const std::string& ini) {
  const std::string savedName = CameraFolderName(channel - 1);
  std::string name;
  std::string trimmed = AbsolutePath(folder);
  if (SplitPath(trimmed, nullptr, &name) && name == savedName) return;
  CameraTable table;
  LoadMainCameras(ini, false, &table);
  struct stat a {}, b {};
  for (const auto& row : table.rows) {
    if (row.nChannel != channel - 1) continue;
    if (::stat(row.strFolder.c_str(), &a) == 0 && ::stat(folder.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
      return;
    Fail("--channel " + std::to_string(channel) + " does not match " + folder + ": " + ini + " stores channel " +
         std::to_string(channel) + " in " + row.strFolder);
  }
  Fail("--channel " + std::to_string(channel) + " does not match " + folder + ": " + ini + " has no channel " +
       std::to_string(channel) + " and the folder is not named " + savedName);
}

// Why Save did not write the index.
std::string SaveFailure(const CRecordDB& db) {
  const std::string index = db.GetIndexPath();
  switch (db.LastSaveStatus()) {
    case CRecordDB::SaveStatus::kHeld:
      return index + " is held by another process (the recorder?) and was not replaced; the new index is in " +
             index + "1";
    case CRecordDB::SaveStatus::kChangedOnDisk: return index + " was changed by another process meanwhile";
    case CRecordDB::SaveStatus::kBusy: return index + " is being written by another process";
    case CRecordDB::SaveStatus::kReadOnly: return "nothing is written with --read-only";
    default: return "cannot write " + index;
  }
}

// Takes a camera folder for a change: its lock alone, and its index loaded (or rebuilt in
// memory when it is missing or unreadable).
void BeginChange(CRecordDB* db, const std::string& folder, bool load = true) {
  RequireFolder(folder);
  db->SetFolder(folder);
  if (!db->BeginChange(load)) Fail(folder + " is locked by another process");
}

// A camera folder whose index another process (the recorder) holds: vtdb cannot write the index
// and cannot tell that process, so it changes nothing there.
void RefuseHeldIndex(const CRecordDB& db) {
  if (IsFileHeld(db.GetIndexPath()))
    Fail(db.GetIndexPath() + " is held by another process (the recorder?); nothing was changed");
}

void SaveChange(CRecordDB* db) {
  if (!db->Save()) Fail(SaveFailure(*db));
  db->EndChange();
}

// Prints what the export did; fails (exit 1) when it was refused or anything is missing from it.
void ReportExport(bool ok, const CopyReport& report, bool backup) {
  if (!report.strRefused.empty()) Fail(report.strRefused);
  std::cout << CopyReportText(report, backup) << "\n";
  if (report.nFailed > 0)
    Fail(std::to_string(report.nFailed) + " file(s) could not be copied, first: " + report.strFirstFailed + " (" +
         report.strFirstReason + ")");
  if (!ok || report.nIndexFailed > 0) Fail("the exported database is incomplete: a database file could not be written");
  if (report.nCamerasSkipped > 0) Fail(std::to_string(report.nCamerasSkipped) + " camera(s) could not be opened");
}

// T of --day: a plain date YYYY-MM-DD names that day of the index (its first record); else a
// time, whose day is the day of the record at T.
time32 DayTime(CRecordDB* db, const std::string& text) {
  int y = 0, mo = 0, d = 0, used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3 && static_cast<size_t>(used) == text.size()) {
    for (const RdbDayRef& ref : db->ListDays())
      if (ref.nYear == y && ref.nMonth == mo && ref.nDay == d) return ref.pDay->records.front().tStart;
    Fail("no day " + text);
  }
  const time32 t = ParseTime(text);
  if (!db->FindDay(t, nullptr, nullptr, nullptr, nullptr)) Fail("no day at " + text);
  return t;
}

int Cameras(const std::vector<std::string>& in) {
  Args a = Parse(in, {"saved"}, {"remote-viewer"});
  CameraTable table;
  if (a.Has("saved")) {
    ExpectPositionals(a, 0, "cameras --saved ROOT");
    const std::string root = a.Value("saved");
    if (!IsFile(JoinPath(root, kSavedCameraFile))) Fail("no " + std::string(kSavedCameraFile) + " in " + root);
    LoadCamerasFromFolder(root, &table);
  } else {
    ExpectPositionals(a, 1, "cameras INI");
    if (!IsFile(a.positional[0])) Fail("cannot read " + a.positional[0]);
    LoadMainCameras(a.positional[0], a.Has("remote-viewer"), &table);
  }
  for (const auto& c : table.rows) {
    std::cout << c.nChannel << "\t" << c.strLabel << "\t" << c.strFolder;
    if (const std::string problem = StorageFolderProblem(c.strFolder); !problem.empty()) std::cout << "\t" << problem;
    std::cout << "\n";
  }
  return 0;
}

int Dump(const std::vector<std::string>& in) {
  Args a = Parse(in, {}, {"json"});
  ExpectPositionals(a, 1, "dump NDX");
  CRecordDB db;
  if (!db.LoadFromFile(a.positional[0])) {
    if (!IsFile(a.positional[0])) Fail("cannot read " + a.positional[0]);
    Fail(a.positional[0] + " is not a readable record index (or another process holds it)");
  }
  if (a.Has("json"))
    DumpJson(std::cout, *db.GetIndex());
  else
    DumpText(std::cout, *db.GetIndex());
  return 0;
}

int List(const std::vector<std::string>& in) {
  Args a = Parse(in, {}, {"json"});
  ExpectPositionals(a, 1, "list FOLDER");
  RequireFolder(a.positional[0]);
  WarnIfNotWritable(a.positional[0]);
  CRecordDB db;
  if (!db.Open(a.positional[0])) Fail("cannot open " + a.positional[0]);
  if (db.HasUnsavedChanges() && !IsReadOnlyData())
    std::cerr << "vtdb: warning: listed from a rebuild of the folder; " << SaveFailure(db) << "\n";
  if (a.Has("json"))
    ListJson(std::cout, db);
  else
    ListText(std::cout, db);
  return 0;
}

int Rebuild(const std::vector<std::string>& in) {
  Args a = Parse(in, {}, {});
  ExpectPositionals(a, 1, "rebuild FOLDER");
  RefuseInReviewMode("rebuild");
  RequireFolder(a.positional[0]);
  WarnIfNotWritable(a.positional[0]);
  CRecordDB db;
  ProgressCounter progress;
  db.SetProgressTarget(&progress);
  BeginChange(&db, a.positional[0], false);
  RefuseHeldIndex(db);
  if (db.Rebuild() != 1) Fail("rebuild failed");
  SaveChange(&db);
  std::cout << progress.Text(kIdsRebuildProgress) << "\n";
  return 0;
}

int Delete(const std::vector<std::string>& in) {
  Args a = Parse(in, {"record", "day"}, {"all"});
  ExpectPositionals(a, 1, "delete FOLDER (--record T | --day T | --all)");
  if (a.Has("record") + a.Has("day") + a.Has("all") != 1) Fail("give exactly one of --record, --day, --all");
  RefuseInReviewMode("delete");
  WarnIfNotWritable(a.positional[0]);
  const time32 t = a.Has("record") ? ParseTime(a.Value("record")) : 0;
  CRecordDB db;
  ProgressCounter progress;
  db.SetProgressTarget(&progress);
  BeginChange(&db, a.positional[0]);
  RefuseHeldIndex(db);
  if (a.Has("record")) {
    const RDB_RECORD* r = db.FindRecordAt(t);
    if (!r) Fail("no record at " + a.Value("record"));
    const std::string file = db.ResolvePath(*r);
    db.RemoveRecord(t, true);
    if (!file.empty() && FileExists(file))
      std::cout << "removed 1 record from the index; its file " << file << " is held by another process and was kept\n";
    else if (file.empty())
      std::cout << "removed 1 record from the index; it had no file in the camera folder\n";
    else
      std::cout << "deleted 1 record\n";
  } else if (a.Has("day")) {
    db.RemoveDay(DayTime(&db, a.Value("day")), true);
    std::cout << progress.Text(kIdsDeleteProgress) << "\n";
  } else {
    db.ClearAll(true);
    std::cout << "deleted all records\n";
  }
  SaveChange(&db);
  return 0;
}

int SaveTo(const std::vector<std::string>& in) {
  Args a = Parse(in, {"record", "day", "channel", "dest", "ini"}, {});
  ExpectPositionals(a, 1, "save-to FOLDER (--record T | --day D) --channel N --dest ROOT --ini INI");
  const std::string folder = AbsolutePath(a.positional[0]);
  if (a.Has("record") == a.Has("day")) Fail("give exactly one of --record, --day");
  const bool day = a.Has("day");
  const std::string channelText = a.Value("channel");
  if (channelText.empty() || channelText.size() > 2 || channelText.find_first_not_of("0123456789") != std::string::npos)
    Fail("--channel takes a channel number 1-16");
  const int channel = std::atoi(channelText.c_str());
  if (channel < 1 || channel > kMaxChannels) Fail("--channel takes a channel number 1-16");
  const std::string dest = AbsolutePath(a.Value("dest")), ini = a.Value("ini");
  if (!IsFile(ini)) Fail("cannot read " + ini);
  RequireFolder(folder);
  RequireChannelOf(folder, channel, ini);
  RefuseDestinationInData(ini, {folder}, dest);
  CRecordDB probe;
  if (!probe.Open(folder)) Fail("cannot open " + folder);
  const time32 t = day ? DayTime(&probe, a.Value("day")) : ParseTime(a.Value("record"));
  if (!day && !probe.FindRecordAt(t)) Fail("no record at " + a.Value("record"));

  ProgressCounter progress;
  CRecordList list;
  RecordListContext ctx;
  ctx.strIniPath = ini;
  ctx.pMainWnd = &progress;
  ctx.pickFolder = [&dest](std::string& path, bool, const std::string&) {
    path = dest;
    return true;
  };
  list.SetContext(ctx);
  if (list.OpenCamera(folder, nullptr) != 1 || !list.LastOpenSucceeded()) Fail("cannot open " + folder);
  CopyReport report;
  const bool ok = list.SaveRecordsTo(t, day, channel - 1, &report);
  ReportExport(ok, report, false);
  return 0;
}

int Backup(const std::vector<std::string>& in) {
  Args a = Parse(in, {"ini", "dest"}, {"remote-viewer"});
  ExpectPositionals(a, 0, "backup --ini INI --dest ROOT");
  const std::string ini = a.Value("ini"), dest = AbsolutePath(a.Value("dest"));
  if (!IsFile(ini)) Fail("cannot read " + ini);
  CameraTable cameras;
  LoadMainCameras(ini, a.Has("remote-viewer"), &cameras);
  if (cameras.rows.empty()) Fail("no cameras in " + ini);
  std::vector<std::string> folders;
  for (const auto& c : cameras.rows) folders.push_back(c.strFolder);
  RefuseDestinationInData(ini, folders, dest);
  ProgressCounter progress;
  CRecordList list;
  RecordListContext ctx;
  ctx.strIniPath = ini;
  ctx.pMainWnd = &progress;
  ctx.pCameras = &cameras;
  list.SetContext(ctx);
  CopyReport report;
  const bool ok = list.Backup(dest, &report);
  ReportExport(ok, report, true);
  return 0;
}

int Demo(const std::vector<std::string>& in) {
  Args a = Parse(in, {}, {});
  ExpectPositionals(a, 1, "demo DIR");
  RefuseInReviewMode("demo");
  std::string error, summary;
  if (!MakeDemo(a.positional[0], &error, &summary)) Fail(error);
  std::cout << summary;
  return 0;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool readOnly = false;
  TakeCommonToolOptions(&args, &readOnly);
  if (readOnly) SetReadOnlyData(true);
  if (args.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  const std::string cmd = args[0];
  args.erase(args.begin());
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (cmd == "cameras") return Cameras(args);
  if (cmd == "dump") return Dump(args);
  if (cmd == "list") return List(args);
  if (cmd == "rebuild") return Rebuild(args);
  if (cmd == "delete") return Delete(args);
  if (cmd == "save-to") return SaveTo(args);
  if (cmd == "backup") return Backup(args);
  if (cmd == "demo") return Demo(args);
  Fail("unknown command " + cmd + " (see vtdb --help)");
}

}  // namespace
}  // namespace vt::vtdb

int main(int argc, char** argv) {
  // A file-size limit makes writes fail (reported) instead of killing the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::ios::sync_with_stdio(false);
  try {
    return vt::vtdb::Run(argc, argv);
  } catch (const vt::vtdb::Failure& e) {
    std::cerr << "vtdb: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vtdb: " << e.what() << "\n";
    return 1;
  }
}
