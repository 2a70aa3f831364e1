// Pictures the program draws for itself: the toolbar strip, the record tree's item images, the
// About box splash and the program icon. The generator writes them into the resource folder;
// the record tree takes its images straight from here (they are its built-in bitmaps).
#pragma once

#include <QImage>
#include <QRgb>

namespace vt {

// Toolbar strip: 8 images of 24 x 24 side by side on the key colour, which the toolbar treats
// as transparent.
constexpr int kToolbarImageSize = 24;
constexpr int kToolbarImageCount = 8;
constexpr QRgb kToolbarKeyColour = 0xFF446D8C;  // RGB(68, 109, 140)
enum ToolbarImage { kTbOpen, kTbReturn, kTbUpdate, kTbRebuild, kTbSave, kTbDelete, kTbMute, kTbAbout };
// Beside the strip: the Mute button's picture while the sound is on (the strip's shows it off).
constexpr int kTbSoundOn = kToolbarImageCount;
QImage DrawToolbarStrip();
QImage DrawToolbarImage(int index);

// Tree item bitmaps, 16 x 16 on white (the transparent colour of the tree's image list).
constexpr int kTreeImageSize = 16;
constexpr QRgb kTreeKeyColour = 0xFFFFFFFF;
constexpr int kBmpFolder = 130;          // a yellow folder
constexpr int kBmpFolderTick = 133;      // the folder with a red tick
constexpr int kBmpFilmGreen = 134;       // a pale green film strip
constexpr int kBmpFilmRed = 135;         // a red film strip
constexpr int kBmpFilmRedTick = 136;     // the red strip with a pink tick
constexpr int kBmpFilmGreenTick = 137;   // the green strip with a black tick
// Bitmap ids in image-list order: day, selected day, record, selected record, and the same for
// records of a non-zero kind.
constexpr int kTreeImageIds[6] = {kBmpFolder, kBmpFolderTick, kBmpFilmGreen,
                                  kBmpFilmGreenTick, kBmpFilmRed, kBmpFilmRedTick};
// Null image for an id that is not one of the six.
QImage DrawTreeBitmap(int resourceId);

// About box picture.
constexpr int kSplashWidth = 380;
constexpr int kSplashHeight = 120;
QImage DrawSplash();

// Program icon, size x size with alpha.
QImage DrawAppIcon(int size);

// Hard-edged copy of an antialiased ARGB drawing on a key colour: pixels at least half covered
// keep their colour at full strength, the rest become the key, so no blended fringe of the key
// colour shows once the key is made transparent. No opaque pixel equals the key.
QImage FlattenOnKey(const QImage& argb, QRgb key);

}  // namespace vt
