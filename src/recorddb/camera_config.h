// Camera channels of the recorder's configuration (vantor.ini) and of a saved database
// (recorddb.ini), the player's preferences stored there, and the stored password text.
#pragma once

#include <functional>
#include <string>

namespace vt {

constexpr int kMaxChannels = 16;
constexpr int kMinStoragePathLength = 3;  // shorter values mean "channel not in use"
constexpr const char* kSavedCameraFile = "recorddb.ini";

// The camera selector as the camera lists see it.
class ICameraList {
 public:
  virtual ~ICameraList() = default;
  virtual void ResetCameras() = 0;
  // channelIndex 0-15; label "C%d:%s"; storage folder (native path).
  virtual void AddCamera(int channelIndex, const std::string& label, const std::string& folder) = 0;
  virtual void SelectCamera(int index) = 0;
};

// Text of a string id (localized look-up); an empty function means the built-in texts.
using TextLookup = std::function<std::string(int id)>;

// Camera names that are not valid UTF-8 are shown decoded from the legacy code page
// (platform/codepage.h); the files keep their bytes.
// Lists the channels of the recorder configuration: all 16, or only channel 1 when the remote
// viewer is installed. Selects entry 0.
void LoadMainCameras(const std::string& iniPath, bool remoteViewer, ICameraList* list);
// Lists the channels of root + "/recorddb.ini". A storage value that would leave the root
// (a ".." component, a drive or network path, no leading separator) skips its channel.
void LoadCamerasFromFolder(const std::string& root, ICameraList* list);
// Writes one channel's pair of entries into root + "/recorddb.ini", the name copied from the
// recorder configuration recorderIni.
bool WriteCameraEntry(const std::string& root, const std::string& recorderIni, int channelIndex,
                      const TextLookup& text = {});

// Why a camera's storage folder cannot be used, for the status bar and vtdb: a folder that is not
// an absolute Linux path ("D:\rec\ch01", "rel\cam2" as a Windows recorder stores them), which
// would otherwise name folders below the working folder. Empty when it can be used.
std::string StorageFolderProblem(const std::string& folder);

// Decodes MaskData ("B-N1-...-Nk"). False (and an empty password) when the text has no dash
// or a token is not a decimal number.
bool DecodeMaskData(const std::string& text, std::string* password);

class CPlayerSettings {
 public:
  // programFolder is accepted and not used; dataFolder gives the default storage folder.
  void Load(const std::string& iniPath, const std::string& programFolder, const std::string& dataFolder);
  // False without writing in read-only review mode.
  bool SaveAutoPlay() const;

  int m_bAutoPlay = 1;
  std::string m_strIniPath;
  std::string m_strStoragePath;
  int m_bHasMask = 0;  // a password is required to start
  std::string m_strPassword;
};

}  // namespace vt
