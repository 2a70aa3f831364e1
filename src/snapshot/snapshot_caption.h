// The snapshot caption (the frame's recording time, "%Y/%m/%d %H:%M:%S") drawn at the top-left
// of a rectangle and burnt into a picture: the Snapshot dialog and the frame export draw it alike.
#pragma once

#include <QFont>
#include <QRect>

#include "platform/win_types.h"
#include "snapshot/frame_converter.h"

class QPainter;

namespace vt {

// Left-aligned on the top line of rect, clipped to it, transparent background.
void DrawSnapshotCaption(QPainter* painter, const QRect& rect, const QFont& font, COLORREF color, time32 time);

// Draws the caption into the picture (24-bit bottom-up) over rect, in picture coordinates. False
// and the picture unchanged when it is not a usable picture.
bool BurnSnapshotCaption(PackedDib* picture, const QRect& rect, const QFont& font, COLORREF color, time32 time);

// A captured frame as the snapshot saves it: converted to a 24-bit picture, widened when it is
// 256 x 240, and with the caption in the settings' font and colour over the whole picture when
// caption is set. Empty when the frame cannot be converted.
PackedDib RenderSnapshotPicture(const uint8_t* frame, size_t frameSize, time32 time, bool caption,
                                const LOGFONT& font, COLORREF color);

}  // namespace vt
