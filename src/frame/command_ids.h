// Command ids of the main menu, toolbar and keyboard table, and the string ids the frame uses,
// under the names the frame's code uses; the values are those of the string table.
#pragma once

#include <cstdint>

#include "res/strings.h"

namespace vt {

inline constexpr uint32_t ID_SPEED_1_16 = res::kIdSpeed1_16;  // 32771-32779: x 1/16 ... x 16
inline constexpr uint32_t ID_SPEED_16 = res::kIdSpeed16;
inline constexpr uint32_t ID_OPEN_RECORD_DB = res::kIdOpenRecordDb;
inline constexpr uint32_t ID_RETURN_MAIN_DB = res::kIdReturnMainDb;
inline constexpr uint32_t ID_DELETE_RECORD = res::kIdDeleteRecord;
inline constexpr uint32_t ID_DELETE_ALL = res::kIdDeleteAll;
inline constexpr uint32_t ID_SAVE_RECORD_TO = res::kIdSaveRecordTo;
inline constexpr uint32_t ID_BACKUP_DB = res::kIdBackupDb;
inline constexpr uint32_t ID_UPDATE_DB = res::kIdUpdateDb;
inline constexpr uint32_t ID_REBUILD_DB = res::kIdRebuildDb;
inline constexpr uint32_t ID_PLAY = res::kIdPlay;
inline constexpr uint32_t ID_PAUSE = res::kIdPause;
inline constexpr uint32_t ID_STOP = res::kIdStop;
inline constexpr uint32_t ID_FORWARD = res::kIdForward;
inline constexpr uint32_t ID_BACKWARD = res::kIdBackward;
inline constexpr uint32_t ID_SNAPSHOT = res::kIdSnapshot;
inline constexpr uint32_t ID_ZOOM = res::kIdZoom;
inline constexpr uint32_t ID_MUTE = res::kIdMute;
inline constexpr uint32_t ID_PREV_FRAME = res::kIdPrevFrame;
inline constexpr uint32_t ID_NEXT_FRAME = res::kIdNextFrame;
inline constexpr uint32_t ID_AUTO_PLAY = res::kIdAutoPlay;
inline constexpr uint32_t ID_APP_ABOUT = res::kIdAppAbout;
inline constexpr uint32_t ID_APP_EXIT = res::kIdAppExit;
inline constexpr uint32_t ID_HELP_FINDER = res::kIdHelp;
inline constexpr uint32_t ID_VIEW_TOOLBAR = res::kIdViewToolBar;
inline constexpr uint32_t ID_VIEW_STATUS_BAR = res::kIdViewStatusBar;

// Commands added for reviewing footage; beyond the recorder family's ids.
inline constexpr uint32_t ID_GOTO_TIME = 33100;
inline constexpr uint32_t ID_SPEED_DOWN = 33101;
inline constexpr uint32_t ID_SPEED_UP = 33102;
inline constexpr uint32_t ID_PLAY_ACROSS = 33103;
inline constexpr uint32_t ID_VIEW_DAY_TIMELINE = 33104;
inline constexpr uint32_t ID_VIEW_NEWEST_FIRST = 33105;
inline constexpr uint32_t ID_VIEW_FULL_SCREEN = 33106;
// Evidence export.
inline constexpr uint32_t ID_EXPORT_CLIP = 33110;
inline constexpr uint32_t ID_VIEW_SIDE_BY_SIDE = 33120;

inline constexpr uint32_t IDS_READY = res::kIdsReady;
inline constexpr uint32_t IDS_MSG_DELETE_ALL_RECORD = res::kIdsMsgDeleteAllRecord;
inline constexpr uint32_t IDS_MSG_REBUILD_CONFIRM = res::kIdsMsgRebuildConfirm;
inline constexpr uint32_t IDS_MSG_CLOSE_VANTKELVANE = res::kIdsMsgCloseVantKelvane;
inline constexpr uint32_t IDS_MSG_CLOSE_VANTREMOTE = res::kIdsMsgCloseVantRemote;
inline constexpr uint32_t IDS_MSG_NO_PDF_READER = res::kIdsMsgNoPdfReader;
inline constexpr uint32_t IDS_VIDEO_SIZE_SAMPLE = res::kIdsVideoSizeSample;

}  // namespace vt
