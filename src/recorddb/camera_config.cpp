#include "recorddb/camera_config.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/codepage.h"
#include "platform/data_policy.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "recorddb/rdb_texts.h"

namespace vt {

namespace {

std::string Section(const char* format, int channel) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, channel);
  return buf;
}

std::string StorageSection(int channel) { return Section("Storage_ch%02d", channel); }
std::string PreferenceSection(int channel) { return Section("Preference_ch%02d", channel); }

std::string Label(int channel, const std::string& name) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "C%d:", channel);
  return buf + name;
}

// A stored value of recorddb.ini stays under the root only in the family's form "\name...".
bool StaysUnderRoot(const std::string& native) {
  if (native.empty() || native[0] != '/') return false;
  if (native.size() > 1 && native[1] == '/') return false;  // network path
  if (native.find(':') != std::string::npos) return false;  // drive
  size_t pos = 0;
  while (pos <= native.size()) {
    size_t next = native.find('/', pos);
    if (next == std::string::npos) next = native.size();
    if (native.compare(pos, next - pos, "..") == 0 && next - pos == 2) return false;
    pos = next + 1;
  }
  return true;
}

// A storage folder named in a legacy code page: its bytes as stored when that folder exists (a
// disk mounted with the original names), else the decoded name when that one exists (a copy
// whose names were converted to UTF-8).
std::string StorageFolder(const std::string& stored) {
  const std::string native = NativePath(stored);
  if (IsValidUtf8(native)) return native;
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0) return native;
  const std::string decoded = DecodeLegacyText(native);
  return ::stat(decoded.c_str(), &st) == 0 ? decoded : native;
}

bool IsDecimal(const std::string& s) {
  if (s.empty() || s.size() > 20) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

uint32_t LowWord32(const std::string& digits) {
  uint64_t v = 0;
  for (char c : digits) v = v * 10 + static_cast<uint64_t>(c - '0');
  return static_cast<uint32_t>(v);
}

}  // namespace

void LoadMainCameras(const std::string& iniPath, bool remoteViewer, ICameraList* list) {
  if (!list) return;
  list->ResetCameras();
  const int count = remoteViewer ? 1 : kMaxChannels;
  for (int n = 1; n <= count; ++n) {
    const std::string stored = GetProfileString(iniPath, StorageSection(n), "sStoragePath", "");
    if (stored.size() < static_cast<size_t>(kMinStoragePathLength)) continue;
    const std::string def = FormatTextInt(RdbBuiltInText(kIdsCameraName), n);
    const std::string name = GetProfileString(iniPath, PreferenceSection(n), "sCameraName", def);
    list->AddCamera(n - 1, Label(n, DecodeLegacyText(name)), StorageFolder(stored));
  }
  list->SelectCamera(0);
}

void LoadCamerasFromFolder(const std::string& root, ICameraList* list) {
  if (!list) return;
  list->ResetCameras();
  const std::string ini = JoinPath(root, kSavedCameraFile);
  std::string base = root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  for (int n = 1; n <= kMaxChannels; ++n) {
    const std::string stored = GetProfileString(ini, StorageSection(n), "sStoragePath", "");
    if (stored.size() < static_cast<size_t>(kMinStoragePathLength)) continue;
    const std::string native = NativePath(stored);
    if (!StaysUnderRoot(native)) continue;
    const std::string name = GetProfileString(ini, PreferenceSection(n), "sCameraName", "");
    list->AddCamera(n - 1, Label(n, DecodeLegacyText(name)), base == "/" ? native : base + native);
  }
  list->SelectCamera(0);
}

bool WriteCameraEntry(const std::string& root, const std::string& recorderIni, int channelIndex,
                      const TextLookup& text) {
  const int n = channelIndex + 1;
  const std::string ini = JoinPath(root, kSavedCameraFile);
  char folder[32];
  std::snprintf(folder, sizeof folder, "\\camera%02d", n);
  bool ok = WriteProfileString(ini, StorageSection(n), "sStoragePath", folder);
  const std::string format = text ? text(kIdsCameraName) : RdbBuiltInText(kIdsCameraName);
  // The recorder's own bytes, not the decoded label: the file stays in the family's code page.
  const std::string name =
      GetProfileString(recorderIni, PreferenceSection(n), "sCameraName", FormatTextInt(format, n));
  ok = WriteProfileString(ini, PreferenceSection(n), "sCameraName", name) && ok;
  return ok;
}

std::string StorageFolderProblem(const std::string& folder) {
  if (!folder.empty() && folder[0] == '/') return {};
  return "camera unavailable: its storage folder " + folder + " is not an absolute Linux path";
}

bool DecodeMaskData(const std::string& text, std::string* password) {
  password->clear();
  if (text.empty()) return true;
  std::vector<std::string> tokens;
  size_t pos = 0;
  for (;;) {
    size_t dash = text.find('-', pos);
    tokens.push_back(text.substr(pos, dash == std::string::npos ? std::string::npos : dash - pos));
    if (dash == std::string::npos) break;
    pos = dash + 1;
  }
  if (tokens.size() < 2) return false;
  for (const auto& t : tokens)
    if (!IsDecimal(t)) return false;
  const uint32_t base = LowWord32(tokens[0]);
  std::string bytes;
  bytes.reserve((tokens.size() - 1) * 4);
  for (size_t i = 1; i < tokens.size(); ++i) {
    const uint32_t w = LowWord32(tokens[i]) - base;
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<char>((w >> (8 * b)) & 0xFF));
  }
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
  *password = bytes;
  return true;
}

void CPlayerSettings::Load(const std::string& iniPath, const std::string& /*programFolder*/,
                           const std::string& dataFolder) {
  m_strIniPath = iniPath;
  m_bHasMask = GetProfileInt(iniPath, "Preference", "fHasMask", 0);
  DecodeMaskData(GetProfileString(iniPath, "Preference", "MaskData", ""), &m_strPassword);
  const std::string stored = GetProfileString(iniPath, "Storage_ch01", "sStoragePath", "");
  m_strStoragePath = stored.empty() ? JoinPath(dataFolder, "records") : StorageFolder(stored);
  m_bAutoPlay = GetProfileInt(iniPath, "Preference", "fAutoPlay", 1);
}

bool CPlayerSettings::SaveAutoPlay() const {
  if (IsReadOnlyData()) return false;
  char value[16];
  std::snprintf(value, sizeof value, "%d", m_bAutoPlay);
  return WriteProfileString(m_strIniPath, "Preference", "fAutoPlay", value);
}

}  // namespace vt
