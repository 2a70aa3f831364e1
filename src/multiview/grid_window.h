// View > Cameras Side by Side: a window of 1, 4, 9 or 16 tiles, each a camera at the time of one
// common clock, over a day timeline with a row per camera shown. Play and pause, the nine rates,
// frame steps, Go to Time and the timeline act on every tile. A double click opens the tile's
// camera in the single view at the same moment; Snapshot saves the whole grid as one picture
// (in the Snapshot dialog, captioned with the common time) or every tile's picture. The cameras
// of the tiles and their number are remembered.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "multiview/camera_grid.h"
#include "snapshot/frame_converter.h"
#include "timeline/timeline_types.h"

class QAction;
class QComboBox;
class QLabel;
class QTimer;

namespace vt {

class CDayTimeline;
class CGridView;
class CSnapshotSettings;
class CTileWidget;

// Remembered between runs.
inline constexpr const char* kPrefGridTiles = "MultiView/Tiles";
inline constexpr const char* kPrefGridCameras = "MultiView/Cameras";
// How often a playing grid is kept in step, and how often the time shown follows.
inline constexpr int kGridTickMs = 20;
inline constexpr int kGridTimeEveryTicks = 5;
// The timeline shows the day's recordings with this much room around them.
inline constexpr double kTimelineFitMargin = 1.2;

struct GridWindowContext {
  // The cameras of the main window's camera list.
  std::function<std::vector<CameraEntry>()> cameras;
  // Where the grid starts when it opens; none: the start of the latest recording shown.
  std::function<std::optional<int64_t>()> startTime;
  // A double click: the camera in the single view at t.
  std::function<void(const CameraEntry& camera, int64_t t)> showInSingleView;
  // Engines of the tiles; null: GStreamer without sound.
  CCameraGrid::EngineFactory makeEngine;
  // Caption font and colour of snapshots, shared with the Player's; null: the defaults.
  CSnapshotSettings* pSnapshot = nullptr;
  // Shows the grid picture with its time in the Snapshot dialog; null: pSnapshot's dialog.
  std::function<void(const PackedDib& picture, time32 t)> showSnapshot;
  // The folder for the tiles' snapshots, empty when cancelled; null: a folder dialog.
  std::function<std::string(QWidget* parent)> pickFolder;
};

class CGridWindow : public QMainWindow {
 public:
  explicit CGridWindow(GridWindowContext context, QWidget* parent = nullptr);
  ~CGridWindow() override;

  CCameraGrid& Grid() { return *m_pGrid; }
  CGridView* View() const { return m_pView; }
  CDayTimeline* Timeline() const { return m_pTimeline; }
  CTileWidget* Tile(int i) const;
  int TileCount() const { return m_pGrid->TileCount(); }
  // Channel index (0-15, -1 none) of each tile.
  const std::vector<int>& TileChannels() const { return m_channels; }
  QAction* PlayAction() const { return m_pPlay; }

  void SetTileCount(int tiles);
  void SetTileCamera(int tile, int channel);
  // Reads the camera list again; tiles whose camera is gone become empty.
  void RefreshCameras();
  void PlayPause();
  void Step(int direction);
  void SetSpeed(uint32_t speedId);
  void GoTo(int64_t t);
  void RunGoToDialog();
  void SnapshotGrid();
  void SnapshotTiles();
  // Time, rate and the timeline cursor after a change.
  void UpdateClockDisplay();
  QString TimeText() const;
  QString StatusText() const;

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildBars();
  void ApplyCameras();
  void UpdateTimelineRows();
  void OnTick();
  void OnDoubleClick(int tile);
  void OnTileMenu(int tile, QPoint at);
  void Remember() const;
  std::optional<CameraEntry> CameraOf(int channel) const;

  GridWindowContext m_ctx;
  std::unique_ptr<CCameraGrid> m_pGrid;
  std::unique_ptr<CSnapshotSettings> m_pOwnSnapshot;
  std::vector<CameraEntry> m_cameras;
  std::vector<int> m_channels;
  CGridView* m_pView = nullptr;
  CDayTimeline* m_pTimeline = nullptr;
  QAction* m_pPlay = nullptr;
  QComboBox* m_pSpeed = nullptr;
  QComboBox* m_pTiles = nullptr;
  QLabel* m_pTime = nullptr;
  QLabel* m_pStatus = nullptr;
  QTimer* m_pTimer = nullptr;
  int m_nTicks = 0;
  DayRange m_rowsDay;
};

}  // namespace vt
