// Geometry of the Snapshot dialog: its template, the sizing to the picture, the sunken frame.
// Plain numbers, so that the rules are tested without a window. Rectangles are left/top inclusive,
// right/bottom exclusive.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vt {

struct SnapRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const SnapRect&, const SnapRect&) = default;
};

// Dialog units of the template (font "Tahoma" 8: 6 x 13 pixels of base unit).
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;
int DialogUnitsToPixelsX(int dlu);
int DialogUnitsToPixelsY(int dlu);

// Template 103, in dialog units.
constexpr int kSnapDialogWidthDlu = 335;
constexpr int kSnapDialogHeightDlu = 281;
constexpr int kIdCloseButton = 1;  // IDOK, "Cl&ose"
constexpr int kIdSaveButton = 1017;
constexpr int kIdFontButton = 1019;
constexpr int kIdCaptionCheck = 1020;
constexpr int kIdPreviewFrame = 1016;
struct SnapControl {
  int id;
  const char* text;
  int x, y, w, h;  // dialog units
};
constexpr SnapControl kSnapControls[] = {
    {kIdCloseButton, "Cl&ose", 278, 260, 50, 14}, {kIdCaptionCheck, "&Caption", 7, 245, 41, 10},
    {kIdFontButton, "&Font...", 7, 260, 50, 14},  {kIdSaveButton, "&Save...", 61, 260, 50, 14},
    {kIdPreviewFrame, "", 7, 7, 321, 234},
};
SnapRect ControlRectPixels(const SnapControl& c);

// Pictures narrower than this are previewed this wide.
constexpr int kMinPreviewWidth = 400;
// Margin kept free when a large picture is shrunk to fit the screen.
constexpr int kScreenMargin = 20;

struct SnapshotSizing {
  int dx = 0, dy = 0;  // growth of the preview and of the dialog
  SnapRect preview;    // the preview rectangle afterwards
};
// picture: width (already 320 for a 256 x 240 picture) and height; preview: the template's preview
// rectangle; dialog: the dialog window's size; screen: the usable screen size.
SnapshotSizing ComputeSnapshotSizing(int pictureWidth, int pictureHeight, SnapRect preview, int dialogWidth,
                                     int dialogHeight, int screenWidth, int screenHeight);

// One line of the sunken frame; both ends drawn (the last point already taken back by one).
struct FrameLine {
  COLORREF color;
  int x1, y1, x2, y2;
};
std::array<FrameLine, 16> SunkenFrameLines(const SnapRect& preview);

// The caption's text: the frame time as local time, "%Y/%m/%d %H:%M:%S".
std::string SnapshotCaptionText(time32 time);

// The save dialog's filter, as the pairs (description, pattern) of a "a|b|c|d||" filter string.
constexpr const char* kSnapshotSaveFilter = "JPEG Files (*.jpg)|*.jpg|Bitmap File (*.bmp)|*.bmp||";
struct FileFilter {
  std::string description;
  std::string pattern;  // "*.jpg"
  std::string Suffix() const;  // "jpg": what is appended to a name typed without extension
  std::string QtFilter() const;  // "JPEG Files (*.jpg)"
};
std::vector<FileFilter> ParseFileFilter(const std::string& filter);

}  // namespace vt
