#include "res/strings.h"

#include <algorithm>
#include <iterator>

namespace vt::res {
namespace {

// Sorted by id.
constexpr ResString kTable[] = {
    {kIdrMainFrame, "Vantor Player\n\nVantPl\n\n\nVantPlayer.Document\nVantPl Document"},
    {32771, "Play at one sixteenth of the normal speed\n x 1/16"},
    {32772, "Play at one eighth of the normal speed\n x 1/8"},
    {32773, "Play at a quarter of the normal speed\n x 1/4"},
    {32774, "Play at half the normal speed\n x 1/2"},
    {32775, "Play at the normal speed\n x 1"},
    {32776, "Play at twice the normal speed\n x 2"},
    {32777, "Play at four times the normal speed\n x 4"},
    {32778, "Play at eight times the normal speed\n x 8"},
    {32779, "Play at sixteen times the normal speed\n x 16"},
    {kIdOpenRecordDb, "Open a saved record database instead of the recorder's own\n Open Record DB"},
    {kIdReturnMainDb, "Return to the recorder's main record database\n Return to Main Record DB"},
    {kIdDeleteRecord, "Delete the selected record or day with its files\n Delete Record"},
    {kIdDeleteAll, "Delete all records of the current camera\n Delete All Records"},
    {kIdSaveRecordTo, "Save the selected record or day to another folder\n Save Record to"},
    {kIdBackupDb, "Back up the whole record database of the current camera\n Backup Record DB"},
    {kIdUpdateDb, "Update the record database from the recorder\n Update Record DB"},
    {kIdRebuildDb, "Rebuild the record database from the record folders\n Rebuild Record DB"},
    {kIdPlay, "Start the playback\n Play"},
    {kIdPause, "Pause the playback\n Pause"},
    {kIdStop, "Stop the playback\n Stop"},
    {kIdForward, "Forward or go to next event\n Forward"},
    {kIdBackward, "Backward or go to previous event\n Backward"},
    {kIdSnapshot, "Take a video frame snapshot\n Snapshot"},
    {kIdZoom, "Zoom in/out the video frame\n Zoom"},
    {kIdMute, "Turn the sound off or on\n Mute"},
    {kIdPrevFrame, "Go back one video frame\n Previous Frame"},
    {kIdNextFrame, "Go forward one video frame\n Next Frame"},
    {kIdAutoPlay, "Start playing a record as soon as it is selected\n Auto-play"},
    {kIdsReady, "Ready"},
    {kIdAppAbout, "Display program information, version number and copyright\n About"},
    {kIdAppExit, "Quit the application\n Exit"},
    {kIdHelp, "Display the user manual\n Help"},
    {kIdsIndicatorCaps, "CAP"},
    {kIdsIndicatorNum, "NUM"},
    {kIdsIndicatorScrl, "SCRL"},
    {kIdViewToolBar, "Show or hide the toolbar\n Toggle ToolBar"},
    {kIdViewStatusBar, "Show or hide the status bar\n Toggle StatusBar"},
    {kIdsMsgPwIncorrect, "Password is incorrect\n\n Please enter it again."},
    {kIdsMsgDeleteAllRecord, "Are you sure to delete all records?"},
    {kIdsMsgRebuildConfirm,
     "Rebuilding the record database for camera %d may take a few minutes.  Do you want to continue?"},
    {kIdsMsgCloseVantKelvane, "Please close Vantor program before executing the command."},
    {kIdsMsgCloseVantRemote, "Please close Remote program before executing the command."},
    {kIdsMsgVideoOnly, "The record is video only."},
    {kIdsMsgFailReadAudioVolume, "Failed to read audio volume!"},
    {kIdsSelectFolder, "Select a folder"},
    {kIdsSpeedNotSupported, "The specified speed is not supported."},
    {kIdsButtonPlay, "Start the playback"},
    {kIdsButtonPause, "Pause the playback"},
    {kIdsButtonStop, "Stop the playback"},
    {kIdsButtonBackward, "Backward"},
    {kIdsButtonForward, "Forward"},
    {kIdsButtonZoom, "Zoom in/out the video frame"},
    {kIdsButtonSpeed, "Speed"},
    {kIdsButtonSnapshot, "Take a video frame snapshot"},
    {kIdsMsgNoPdfReader,
     "The help file cannot be displayed because no PDF reader program is installed.\n\n"
     "Please install the latest version of a PDF reader from its maker's web site."},
    {kIdsAboutTitlePro, "Vantor 2 Player"},
    {kIdsAboutTitleStandard, "Vantor 2 Player"},
    {kIdsAboutTitleOther, "Vantor 2 Player"},
    {kIdsTitlePro, "Vantor 2 Player"},
    {kIdsTitleStandard, "Vantor 2 Player"},
    {kIdsTitleLite, "Vantor 2 Player"},
    {kIdsVersion, "Version"},
    {kIdsVideoSizeSample, "720x576"},
    {kIdsSaveProgress, "Save record files:  %d%% completed"},
    {kIdsRebuildProgress, "Rebuild record database (scanned files: %d )"},
    {kIdsBackupProgress, "Back up record database ( %d file saved )"},
    {kIdsCameraName, "Camera %02d"},
    {kIdsDeleteProgress, "Delete record files (%d file deleted)"},
    {kIdsBackupTitle, "Select a folder to back up record database of camera %d."},
};

constexpr bool Sorted() {
  for (size_t i = 1; i < std::size(kTable); ++i)
    if (kTable[i - 1].id >= kTable[i].id) return false;
  return true;
}
static_assert(Sorted(), "the string table is searched by binary search");

}  // namespace

const char* LoadResString(uint32_t id) {
  auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                             [](const ResString& s, uint32_t v) { return s.id < v; });
  return (it != std::end(kTable) && it->id == id) ? it->text : nullptr;
}

const ResString* ResStringTable(size_t* count) {
  if (count) *count = std::size(kTable);
  return kTable;
}

}  // namespace vt::res
