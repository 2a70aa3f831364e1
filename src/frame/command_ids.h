// Command ids of the main menu, toolbar and keyboard table.
#pragma once

#include <cstdint>

namespace vt {

inline constexpr uint32_t ID_SPEED_1_16 = 32771;  // 32771-32779: x 1/16 ... x 16
inline constexpr uint32_t ID_SPEED_16 = 32779;
inline constexpr uint32_t ID_OPEN_RECORD_DB = 32781;
inline constexpr uint32_t ID_RETURN_MAIN_DB = 32782;
inline constexpr uint32_t ID_DELETE_RECORD = 32783;
inline constexpr uint32_t ID_DELETE_ALL = 32784;
inline constexpr uint32_t ID_SAVE_RECORD_TO = 32785;
inline constexpr uint32_t ID_BACKUP_DB = 32786;
inline constexpr uint32_t ID_UPDATE_DB = 32787;
inline constexpr uint32_t ID_REBUILD_DB = 32788;
inline constexpr uint32_t ID_PLAY = 32791;
inline constexpr uint32_t ID_PAUSE = 32792;
inline constexpr uint32_t ID_STOP = 32793;
inline constexpr uint32_t ID_FORWARD = 32794;
inline constexpr uint32_t ID_BACKWARD = 32795;
inline constexpr uint32_t ID_SNAPSHOT = 32796;
inline constexpr uint32_t ID_ZOOM = 32797;
inline constexpr uint32_t ID_MUTE = 32798;
inline constexpr uint32_t ID_PREV_FRAME = 32799;
inline constexpr uint32_t ID_NEXT_FRAME = 32800;
inline constexpr uint32_t ID_AUTO_PLAY = 32801;
inline constexpr uint32_t ID_APP_ABOUT = 57664;
inline constexpr uint32_t ID_APP_EXIT = 57665;
inline constexpr uint32_t ID_HELP_FINDER = 57670;
inline constexpr uint32_t ID_VIEW_TOOLBAR = 59392;
inline constexpr uint32_t ID_VIEW_STATUS_BAR = 59393;

// String ids the frame uses.
inline constexpr uint32_t IDS_READY = 57345;
inline constexpr uint32_t IDS_MSG_PW_INCORRECT = 59394;
inline constexpr uint32_t IDS_MSG_DELETE_ALL_RECORD = 59395;
inline constexpr uint32_t IDS_MSG_REBUILD_CONFIRM = 59396;
inline constexpr uint32_t IDS_MSG_CLOSE_VANTKELVANE = 59397;
inline constexpr uint32_t IDS_MSG_CLOSE_VANTREMOTE = 59398;
inline constexpr uint32_t IDS_MSG_NO_PDF_READER = 59416;
inline constexpr uint32_t IDS_VIDEO_SIZE_SAMPLE = 59424;
inline constexpr uint32_t IDS_PROGRESS_DELETE = 59430;

}  // namespace vt
