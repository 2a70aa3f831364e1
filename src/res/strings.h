// The program's built-in string table: every text the program shows when no language file
// supplies it. Ids are those of the recorder family's resources; menu commands have a prompt
// string of their own id ("prompt\n tooltip").
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt::res {

// Document template (menu, icon, accelerators and this document string).
inline constexpr uint32_t kIdrMainFrame = 128;

// Command prompts share the command's id.
inline constexpr uint32_t kIdSpeed1_16 = 32771;  // 32771-32779: x 1/16 ... x 16
inline constexpr uint32_t kIdSpeed16 = 32779;
inline constexpr uint32_t kIdOpenRecordDb = 32781;
inline constexpr uint32_t kIdReturnMainDb = 32782;
inline constexpr uint32_t kIdDeleteRecord = 32783;
inline constexpr uint32_t kIdDeleteAll = 32784;
inline constexpr uint32_t kIdSaveRecordTo = 32785;
inline constexpr uint32_t kIdBackupDb = 32786;
inline constexpr uint32_t kIdUpdateDb = 32787;
inline constexpr uint32_t kIdRebuildDb = 32788;
inline constexpr uint32_t kIdPlay = 32791;
inline constexpr uint32_t kIdPause = 32792;
inline constexpr uint32_t kIdStop = 32793;
inline constexpr uint32_t kIdForward = 32794;
inline constexpr uint32_t kIdBackward = 32795;
inline constexpr uint32_t kIdSnapshot = 32796;
inline constexpr uint32_t kIdZoom = 32797;
inline constexpr uint32_t kIdMute = 32798;
inline constexpr uint32_t kIdPrevFrame = 32799;
inline constexpr uint32_t kIdNextFrame = 32800;
inline constexpr uint32_t kIdAutoPlay = 32801;
inline constexpr uint32_t kIdAppAbout = 57664;
inline constexpr uint32_t kIdAppExit = 57665;
inline constexpr uint32_t kIdHelp = 57670;
inline constexpr uint32_t kIdViewToolBar = 59392;
inline constexpr uint32_t kIdViewStatusBar = 59393;

// Status bar.
inline constexpr uint32_t kIdsReady = 57345;
inline constexpr uint32_t kIdsIndicatorCaps = 59137;
inline constexpr uint32_t kIdsIndicatorNum = 59138;
inline constexpr uint32_t kIdsIndicatorScrl = 59139;
inline constexpr uint32_t kIdsVideoSizeSample = 59424;

// Messages (the language file may replace these by key, see CLangText).
inline constexpr uint32_t kIdsMsgPwIncorrect = 59394;
inline constexpr uint32_t kIdsMsgDeleteAllRecord = 59395;
inline constexpr uint32_t kIdsMsgRebuildConfirm = 59396;  // %d: camera number
inline constexpr uint32_t kIdsMsgCloseVantKelvane = 59397;
inline constexpr uint32_t kIdsMsgCloseVantRemote = 59398;
inline constexpr uint32_t kIdsMsgVideoOnly = 59399;
inline constexpr uint32_t kIdsMsgFailReadAudioVolume = 59400;
inline constexpr uint32_t kIdsSelectFolder = 59402;
inline constexpr uint32_t kIdsSpeedNotSupported = 59403;
inline constexpr uint32_t kIdsMsgNoPdfReader = 59416;

// Button bar prompts.
inline constexpr uint32_t kIdsButtonPlay = 59404;
inline constexpr uint32_t kIdsButtonPause = 59405;
inline constexpr uint32_t kIdsButtonStop = 59406;
inline constexpr uint32_t kIdsButtonBackward = 59407;
inline constexpr uint32_t kIdsButtonForward = 59408;
inline constexpr uint32_t kIdsButtonZoom = 59409;
inline constexpr uint32_t kIdsButtonSpeed = 59411;
inline constexpr uint32_t kIdsButtonSnapshot = 59412;

// Titles by edition and the About box.
inline constexpr uint32_t kIdsAboutTitlePro = 59417;       // edition 2
inline constexpr uint32_t kIdsAboutTitleStandard = 59418;  // edition 1
inline constexpr uint32_t kIdsAboutTitleOther = 59419;
inline constexpr uint32_t kIdsTitlePro = 59420;
inline constexpr uint32_t kIdsTitleStandard = 59421;
inline constexpr uint32_t kIdsTitleLite = 59422;
inline constexpr uint32_t kIdsVersion = 59423;

// Record database progress and names.
inline constexpr uint32_t kIdsSaveProgress = 59426;     // %d%%
inline constexpr uint32_t kIdsRebuildProgress = 59427;  // %d scanned files
inline constexpr uint32_t kIdsBackupProgress = 59428;   // %d files saved
inline constexpr uint32_t kIdsCameraName = 59429;       // %02d camera number
inline constexpr uint32_t kIdsDeleteProgress = 59430;   // %d files deleted
inline constexpr uint32_t kIdsBackupTitle = 59431;      // %d camera number

struct ResString {
  uint32_t id;
  const char* text;
};

// Text of id, or nullptr when the table has no such id. The text lives as long as the program.
const char* LoadResString(uint32_t id);

// The whole table in ascending id order (for tools and tests).
const ResString* ResStringTable(size_t* count);

}  // namespace vt::res
