// The skin's file names, relative to the skin folder (program folder + "/UI_P"), exactly as the
// recorder family spells them, and the button bar's fixed tables. Built before main and alive
// until exit; only the prompt texts are overwritten, once per Player window creation.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

constexpr int kButtonCount = 8;
constexpr int kBackgroundPieces = 3;
constexpr int kSeekBackgroundPieces = 4;
constexpr int kSeekElements = 3;
constexpr int kVideoFramePieces = 5;

// Play, Pause, Stop, Backward, Forward, Snapshot, Zoom, Speed.
extern const char* const kButtonFiles[kButtonCount];
// Left cap, middle tile, right cap.
extern const char* const kButtonBarBackground[kBackgroundPieces];
extern const char* const kInfoBarBackground[kBackgroundPieces];
// Thumb, previous, next.
extern const char* const kSeekElementFiles[kSeekElements];
// Left cap, track tile, groove tile, right cap.
extern const char* const kSeekBarBackground[kSeekBackgroundPieces];
// Top-left, top-middle, top-right, left, right.
extern const char* const kVideoFrameFiles[kVideoFramePieces];

// Control ids 1-8 of the buttons, in table order.
extern const int kButtonIds[kButtonCount];
// Status-line prompts; English until the Player replaces them by the localized strings of
// kButtonTextIds.
extern std::string g_buttonTexts[kButtonCount];
extern const int kButtonTextIds[kButtonCount];

// skinFolder + "/" + name; when that file does not exist, a case-insensitive match ("ui_p",
// "CLeft.bmp") is looked up component by component.
std::string SkinPath(const std::string& skinFolder, const char* name);

// Path of the first of the Player's bitmaps (frame pieces, information bar, seek bar, button bar,
// in the order the Player loads them) that cannot be loaded; empty when every one loads.
std::string FirstUnloadableSkinFile(const std::string& skinFolder);
// What the user is told when the Player cannot be made because of that file.
std::string SkinFailureText(const std::string& path);

}  // namespace vt
