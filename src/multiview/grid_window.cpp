#include "multiview/grid_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/user_prefs.h"
#include "multiview/grid_choice.h"
#include "multiview/grid_geometry.h"
#include "multiview/grid_snapshot.h"
#include "multiview/grid_texts.h"
#include "multiview/grid_view.h"
#include "multiview/tile_widget.h"
#include "platform/local_time.h"
#include "playback/player_logic.h"
#include "snapshot/snapshot_settings.h"
#include "timeline/day_timeline.h"
#include "timeline/goto_dialog.h"

namespace vt {

namespace {
constexpr const char* kWindowTitle = "Cameras Side by Side";
constexpr int kDefaultWidth = 960;
constexpr int kDefaultHeight = 720;
}  // namespace

CGridWindow::CGridWindow(GridWindowContext context, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_ctx(std::move(context)) {
  setObjectName(QStringLiteral("CamerasSideBySide"));
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  if (!m_ctx.makeEngine) m_ctx.makeEngine = [] { return CreateGstEngine(EngineOptions{true}); };
  if (!m_ctx.pSnapshot) {
    m_pOwnSnapshot = std::make_unique<CSnapshotSettings>();
    m_ctx.pSnapshot = m_pOwnSnapshot.get();
  }
  m_pGrid = std::make_unique<CCameraGrid>(m_ctx.makeEngine);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_pView = new CGridView(m_pGrid.get(), central);
  m_pTimeline = new CDayTimeline(central);
  layout->addWidget(m_pView, 1);
  layout->addWidget(m_pTimeline);
  setCentralWidget(central);
  m_pView->onDoubleClick = [this](int tile) { OnDoubleClick(tile); };
  m_pView->onTileMenu = [this](int tile, QPoint at) { OnTileMenu(tile, at); };
  m_pTimeline->onClick = [this](int, double t) { GoTo(std::llround(t * kTicksPerSecond)); };
  m_pGrid->onTileChanged = [this](int tile) { m_pView->RepaintTile(tile); };
  BuildBars();

  m_pTimer = new QTimer(this);
  m_pTimer->setInterval(kGridTickMs);
  connect(m_pTimer, &QTimer::timeout, this, [this] { OnTick(); });

  const int tiles = NormalizeGridSize(ReadUserText(kPrefGridTiles, QString::number(kDefaultGridTiles)).toInt());
  m_channels = ParseTileChannels(ReadUserText(kPrefGridCameras).toStdString(), tiles);
  const bool remembered = !ReadUserText(kPrefGridCameras).isEmpty();
  m_cameras = m_ctx.cameras ? m_ctx.cameras() : std::vector<CameraEntry>();
  if (!remembered) {
    std::vector<int> available;
    for (const CameraEntry& c : m_cameras) available.push_back(c.nChannel);
    m_channels = FillTileChannels({}, tiles, available);
  }
  m_pTiles->setCurrentIndex(static_cast<int>(std::find(std::begin(kGridSizes), std::end(kGridSizes), tiles) - std::begin(kGridSizes)));
  ApplyCameras();

  // Start where the main window is, or at the latest recording shown.
  std::optional<int64_t> start = m_ctx.startTime ? m_ctx.startTime() : std::nullopt;
  if (!start) {
    int64_t latest = 0;
    for (int i = 0; i < TileCount(); ++i)
      if (const CCameraRecords* r = m_pGrid->Records(i); r && !r->Sequence().empty())
        latest = std::max(latest, TicksOf(r->Sequence().back().tStart));
    start = latest > 0 ? latest : TicksOf(Now32());
  }
  GoTo(*start);
  resize(kDefaultWidth, kDefaultHeight);
}

CGridWindow::~CGridWindow() {
  // The engines go before the tiles they post to.
  m_pTimer->stop();
  m_pGrid.reset();
}

CTileWidget* CGridWindow::Tile(int i) const { return m_pView->Tile(i); }

void CGridWindow::BuildBars() {
  QToolBar* bar = addToolBar(QStringLiteral("Grid"));
  bar->setObjectName(QStringLiteral("GridBar"));
  bar->setMovable(false);
  m_pPlay = bar->addAction(QStringLiteral("Play"), this, [this] { PlayPause(); });
  m_pPlay->setShortcut(QKeySequence(Qt::Key_Space));
  QAction* prev = bar->addAction(QStringLiteral("< Frame"), this, [this] { Step(-1); });
  prev->setShortcut(QKeySequence(Qt::Key_Left));
  prev->setToolTip(QStringLiteral("Previous Frame (Left)"));
  QAction* next = bar->addAction(QStringLiteral("Frame >"), this, [this] { Step(+1); });
  next->setShortcut(QKeySequence(Qt::Key_Right));
  next->setToolTip(QStringLiteral("Next Frame (Right)"));
  m_pSpeed = new QComboBox(bar);
  m_pSpeed->setObjectName(QStringLiteral("GridSpeed"));
  // The keys (Space, arrows) belong to the grid, not to a list that happens to have the focus.
  m_pSpeed->setFocusPolicy(Qt::NoFocus);
  for (const SpeedEntry& s : kSpeedTable) m_pSpeed->addItem(QString::fromLatin1(s.menuText), s.id);
  m_pSpeed->setCurrentIndex(m_pSpeed->findData(kIdSpeedNormal));
  connect(m_pSpeed, &QComboBox::activated, this, [this](int i) { SetSpeed(m_pSpeed->itemData(i).toUInt()); });
  bar->addWidget(m_pSpeed);
  QAction* go = bar->addAction(QStringLiteral("Go to Time..."), this, [this] { RunGoToDialog(); });
  go->setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
  bar->addSeparator();
  m_pTiles = new QComboBox(bar);
  m_pTiles->setObjectName(QStringLiteral("GridTiles"));
  m_pTiles->setFocusPolicy(Qt::NoFocus);
  for (int n : kGridSizes) m_pTiles->addItem(QStringLiteral("%1 tiles").arg(n), n);
  connect(m_pTiles, &QComboBox::activated, this, [this](int i) { SetTileCount(m_pTiles->itemData(i).toInt()); });
  bar->addWidget(m_pTiles);
  auto* snap = new QMenu(this);
  snap->addAction(QStringLiteral("Snapshot of the &Grid..."), this, [this] { SnapshotGrid(); });
  snap->addAction(QStringLiteral("Snapshot of &Each Tile..."), this, [this] { SnapshotTiles(); });
  QAction* snapAction = bar->addAction(QStringLiteral("Snapshot"), this, [this] { SnapshotGrid(); });
  snapAction->setMenu(snap);
  bar->addSeparator();
  m_pTime = new QLabel(bar);
  m_pTime->setObjectName(QStringLiteral("GridTime"));
  m_pTime->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00.000  x 1/16")) + 8);
  bar->addWidget(m_pTime);
  m_pStatus = new QLabel(this);
  statusBar()->addWidget(m_pStatus, 1);
}

std::optional<CameraEntry> CGridWindow::CameraOf(int channel) const {
  for (const CameraEntry& c : m_cameras)
    if (c.nChannel == channel) return c;
  return std::nullopt;
}

void CGridWindow::ApplyCameras() {
  std::vector<std::optional<CameraEntry>> list;
  for (int ch : m_channels) list.push_back(ch >= 0 ? CameraOf(ch) : std::nullopt);
  m_pGrid->SetCameras(list);
  m_pView->SyncTiles();
  m_rowsDay = {};
  UpdateClockDisplay();
}

void CGridWindow::Remember() const {
  WriteUserText(kPrefGridTiles, QString::number(static_cast<int>(m_channels.size())));
  WriteUserText(kPrefGridCameras, QString::fromStdString(FormatTileChannels(m_channels)));
}

void CGridWindow::SetTileCount(int tiles) {
  tiles = NormalizeGridSize(tiles);
  std::vector<int> available;
  for (const CameraEntry& c : m_cameras) available.push_back(c.nChannel);
  m_channels = FillTileChannels(m_channels, tiles, available);
  m_pTiles->setCurrentIndex(m_pTiles->findData(tiles));
  Remember();
  ApplyCameras();
}

void CGridWindow::SetTileCamera(int tile, int channel) {
  if (tile < 0 || tile >= static_cast<int>(m_channels.size())) return;
  m_channels[static_cast<size_t>(tile)] = channel;
  Remember();
  ApplyCameras();
}

void CGridWindow::RefreshCameras() {
  std::vector<CameraEntry> now = m_ctx.cameras ? m_ctx.cameras() : std::vector<CameraEntry>();
  if (now == m_cameras) return;
  m_cameras = std::move(now);
  ApplyCameras();
}

void CGridWindow::PlayPause() {
  if (m_pGrid->IsPlaying()) {
    m_pGrid->Pause();
    m_pTimer->stop();
  } else {
    m_pGrid->ResetStats();
    m_pGrid->Play();
    m_nTicks = 0;
    m_pTimer->start();
  }
  m_pPlay->setText(m_pGrid->IsPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play"));
  UpdateClockDisplay();
}

void CGridWindow::Step(int direction) {
  const bool moved = m_pGrid->Step(direction);
  m_pTimer->stop();
  m_pPlay->setText(QStringLiteral("Play"));
  if (!moved) statusBar()->showMessage(QStringLiteral("No frame of any camera lies that way."), 3000);
  UpdateClockDisplay();
}

void CGridWindow::SetSpeed(uint32_t speedId) {
  const SpeedEntry* s = FindSpeed(speedId);
  if (!s) return;
  m_pGrid->SetRate(s->rate);
  m_pSpeed->setCurrentIndex(m_pSpeed->findData(speedId));
  UpdateClockDisplay();
}

void CGridWindow::GoTo(int64_t t) {
  m_pGrid->GoTo(t);
  UpdateClockDisplay();
}

void CGridWindow::RunGoToDialog() {
  // Every recording of the cameras shown, as one sequence: the answer to a miss names the
  // nearest recording of any of them.
  std::vector<TimelineSpan> all;
  for (int i = 0; i < TileCount(); ++i)
    if (const CCameraRecords* r = m_pGrid->Records(i)) all.insert(all.end(), r->Sequence().begin(), r->Sequence().end());
  std::stable_sort(all.begin(), all.end(), [](const TimelineSpan& a, const TimelineSpan& b) { return a.tStart < b.tStart; });
  const time32 now = SecondsOf(m_pGrid->Now());
  CGotoDialog dlg(this, now, now);
  dlg.sequence = &all;
  dlg.resolve = [this, &all](time32 t) {
    const TimeResolution r = ResolveTime(all, t);
    if (r.kind == TimeResolution::kInside) GoTo(TicksOf(t));
    return r;
  };
  dlg.open = [this, &all](int index, bool atEnd) {
    const TimelineSpan& s = all[static_cast<size_t>(index)];
    GoTo(atEnd ? TicksOf(s.tEnd) - 1 : TicksOf(s.tStart));
    return true;
  };
  dlg.exec();
}

void CGridWindow::SnapshotGrid() {
  if (m_pGrid->IsPlaying()) PlayPause();
  const PackedDib picture = ComposeGridPicture(*m_pGrid);
  if (picture.empty()) return;
  const time32 t = SecondsOf(m_pGrid->Now());
  if (m_ctx.showSnapshot)
    m_ctx.showSnapshot(picture, t);
  else
    m_ctx.pSnapshot->ShowDialog(picture.data(), picture.size(), &t);
}

void CGridWindow::SnapshotTiles() {
  if (m_pGrid->IsPlaying()) PlayPause();
  std::string folder;
  if (m_ctx.pickFolder) {
    folder = m_ctx.pickFolder(this);
  } else {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Save the picture of each tile in"),
        ReadUserText(kPrefSnapshotFolder), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    folder = chosen.toLocal8Bit().toStdString();
    if (!folder.empty()) WriteUserText(kPrefSnapshotFolder, chosen);
  }
  if (folder.empty()) return;
  const TileSnapshotResult r = SaveTileSnapshots(*m_pGrid, folder, *m_ctx.pSnapshot);
  QString text = QStringLiteral("%1 pictures saved in %2").arg(r.written.size()).arg(QString::fromLocal8Bit(folder.c_str()));
  if (!r.failed.empty()) {
    QStringList labels;
    for (const std::string& l : r.failed) labels << QString::fromLocal8Bit(l.c_str());
    QMessageBox::warning(this, QString::fromLatin1(kWindowTitle),
                         QStringLiteral("The pictures of %1 could not be saved in\n%2")
                             .arg(labels.join(QStringLiteral(", ")), QString::fromLocal8Bit(folder.c_str())));
  }
  statusBar()->showMessage(text, 5000);
}

QString CGridWindow::TimeText() const {
  const SpeedEntry* s = FindSpeed(RateToCommand(m_pGrid->Rate()));
  return QString::fromStdString(FormatGridTime(m_pGrid->Now())) + QStringLiteral("  ") +
         QString::fromLatin1(s ? s->menuText : "");
}

QString CGridWindow::StatusText() const {
  std::vector<TileStats> stats;
  std::vector<int64_t> frameTimes;
  for (int i = 0; i < TileCount(); ++i) {
    stats.push_back(m_pGrid->Stats(i));
    frameTimes.push_back(m_pGrid->FrameTime(i));
  }
  return QString::fromStdString(DriftSummary(stats, frameTimes));
}

void CGridWindow::UpdateTimelineRows() {
  const DayRange day = LocalDayOf(SecondsOf(m_pGrid->Now()));
  if (day == m_rowsDay) return;
  m_rowsDay = day;
  m_pTimeline->SetDay(day);
  std::vector<TimelineRow> rows;
  for (int i = 0; i < TileCount(); ++i) {
    const CameraEntry* cam = m_pGrid->Camera(i);
    const CCameraRecords* rec = m_pGrid->Records(i);
    if (!cam || !rec) continue;
    TimelineRow row;
    row.strLabel = cam->strLabel;
    row.nChannel = cam->nChannel;
    size_t first = 0, last = 0;
    SpansMeeting(rec->Sequence(), day.tStart, day.tEnd, &first, &last);
    row.spans.assign(rec->Sequence().begin() + static_cast<std::ptrdiff_t>(first),
                     rec->Sequence().begin() + static_cast<std::ptrdiff_t>(last));
    rows.push_back(std::move(row));
  }
  // Zoomed to the day's recordings of the cameras shown (a few seconds of recording are not a
  // pixel wide across a whole day).
  double from = day.tEnd, to = day.tStart;
  for (const TimelineRow& r : rows)
    for (const TimelineSpan& sp : r.spans) {
      from = std::min(from, std::max<double>(sp.tStart, day.tStart));
      to = std::max(to, std::min<double>(sp.tEnd, day.tEnd));
    }
  m_pTimeline->SetRows(std::move(rows));
  if (from < to) {
    const TimelineView whole = WholeDayView(day, m_pTimeline->PlotRect().width());
    const double span = std::max(kTimelineMinSpan, (to - from) * kTimelineFitMargin);
    m_pTimeline->SetView(ZoomAt(whole, TimeToX(whole, (from + to) / 2), whole.Span() / span, day));
  }
}

void CGridWindow::UpdateClockDisplay() {
  UpdateTimelineRows();
  m_pTimeline->SetCursor(static_cast<double>(m_pGrid->Now()) / kTicksPerSecond);
  m_pTime->setText(TimeText());
  m_pStatus->setText(StatusText());
}

void CGridWindow::OnTick() {
  m_pGrid->Tick();
  if (++m_nTicks % kGridTimeEveryTicks == 0) UpdateClockDisplay();
}

void CGridWindow::OnDoubleClick(int tile) {
  const CameraEntry* cam = m_pGrid->Camera(tile);
  if (!cam || !m_ctx.showInSingleView) return;
  if (m_pGrid->IsPlaying()) PlayPause();
  const CameraEntry camera = *cam;
  m_ctx.showInSingleView(camera, m_pGrid->Now());
}

void CGridWindow::OnTileMenu(int tile, QPoint at) {
  QMenu menu(this);
  const int current = tile < static_cast<int>(m_channels.size()) ? m_channels[static_cast<size_t>(tile)] : -1;
  for (const CameraEntry& c : m_cameras) {
    QAction* a = menu.addAction(QString::fromLocal8Bit(c.strLabel.c_str()));
    a->setCheckable(true);
    a->setChecked(c.nChannel == current);
    a->setData(c.nChannel);
  }
  menu.addSeparator();
  QAction* none = menu.addAction(QStringLiteral("No Camera"));
  none->setData(-1);
  if (QAction* chosen = menu.exec(at)) SetTileCamera(tile, chosen->data().toInt());
}

bool CGridWindow::event(QEvent* e) {
  // Back from the main window, where another record database may have been opened.
  if (e->type() == QEvent::WindowActivate) RefreshCameras();
  return QMainWindow::event(e);
}

void CGridWindow::closeEvent(QCloseEvent* e) {
  if (m_pGrid->IsPlaying()) PlayPause();
  QMainWindow::closeEvent(e);
}

}  // namespace vt
