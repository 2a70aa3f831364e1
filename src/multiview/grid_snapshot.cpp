#include "multiview/grid_snapshot.h"

#include <QPainter>

#include "multiview/grid_geometry.h"
#include "multiview/grid_texts.h"
#include "multiview/tile_widget.h"
#include "playback/frame_paint.h"
#include "snapshot/snapshot_dlg.h"
#include "snapshot/snapshot_caption.h"
#include "snapshot/snapshot_save.h"

namespace vt {

namespace {
constexpr int kLabelMargin = 4;
}

PackedDib ComposeGridPicture(CCameraGrid& grid) {
  const int tiles = grid.TileCount();
  if (tiles == 0) return {};
  std::vector<PictureSize> sizes(static_cast<size_t>(tiles));
  for (int i = 0; i < tiles; ++i)
    if (IMediaEngine* e = grid.Engine(i)) e->GetVideoSize(&sizes[static_cast<size_t>(i)].width, &sizes[static_cast<size_t>(i)].height);
  const GridPictureLayout l = GridPictureSize(tiles, sizes, kGridGap);
  QImage img(l.width, l.height, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  QFont font = p.font();
  font.setPixelSize(std::max(10, l.cellHeight / 18));
  p.setFont(font);
  for (int i = 0; i < tiles; ++i) {
    const int cols = GridColumns(tiles);
    const GridRect cell{(i % cols) * (l.cellWidth + kGridGap), (i / cols) * (l.cellHeight + kGridGap), l.cellWidth, l.cellHeight};
    const PictureSize& size = sizes[static_cast<size_t>(i)];
    IMediaEngine* e = grid.Engine(i);
    std::shared_ptr<const VideoFrame> frame = e ? e->LatestFrame() : nullptr;
    const GridRect fit = FitPicture(cell, size.width, size.height);
    p.fillRect(cell.x, cell.y, cell.w, cell.h, QColor::fromRgb(kTileDarkColour));
    if (frame && !fit.Empty()) {
      QImage part(fit.w, fit.h, QImage::Format_RGB32);
      if (ScaleFrameToRgb32(*frame, reinterpret_cast<uint32_t*>(part.bits()), fit.w, fit.h,
                            static_cast<int>(part.bytesPerLine() / 4)))
        p.drawImage(fit.x, fit.y, part);
    } else if (grid.State(i) == TileState::kNoRecording) {
      p.setPen(QColor::fromRgb(kTileTextColour));
      p.drawText(QRect(cell.x, cell.y, cell.w, cell.h), Qt::AlignCenter, QString::fromLatin1(kNoRecordingText));
    }
    if (const CameraEntry* cam = grid.Camera(i)) {
      const QRect box(cell.x + kLabelMargin, cell.y + cell.h - kLabelMargin - p.fontMetrics().height(),
                      cell.w - 2 * kLabelMargin, p.fontMetrics().height());
      p.setPen(Qt::black);
      p.drawText(box.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, QString::fromLocal8Bit(cam->strLabel.c_str()));
      p.setPen(Qt::white);
      p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLocal8Bit(cam->strLabel.c_str()));
    }
  }
  p.end();
  return ImageToSnapshotPicture(img);
}

TileSnapshotResult SaveTileSnapshots(CCameraGrid& grid, const std::string& folder, const CSnapshotSettings& settings) {
  TileSnapshotResult result;
  const int64_t t = grid.Now();
  const time32 seconds = SecondsOf(t);
  for (int i = 0; i < grid.TileCount(); ++i) {
    IMediaEngine* e = grid.Engine(i);
    const CameraEntry* cam = grid.Camera(i);
    if (!e || !cam) continue;
    int32_t size = 0;
    std::vector<uint8_t> frame;
    if (Succeeded(e->GetCurrentImage(&size, nullptr)) && size > 0) {
      frame.resize(static_cast<size_t>(size));
      if (Failed(e->GetCurrentImage(&size, frame.data()))) frame.clear();
    }
    const PackedDib picture = frame.empty() ? PackedDib()
                                            : RenderSnapshotPicture(frame.data(), frame.size(), seconds, true,
                                                                    settings.m_lf, settings.m_crColor);
    const std::string name = UniqueFileName(folder, TileSnapshotName(t, cam->nChannel + 1));
    if (!picture.empty() && SaveSnapshotAs(folder + "/" + name, picture.data(), picture.size(), seconds, nullptr))
      result.written.push_back(name);
    else
      result.failed.push_back(cam->strLabel);
  }
  return result;
}

}  // namespace vt
