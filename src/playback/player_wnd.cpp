#include "playback/player_wnd.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>

#include <cstring>

#include "playback/frame_paint.h"
#include "playback/player_logic.h"
#include "playback/seek_bar.h"
#include "recorddb/rdb_types.h"
#include "app/message_box.h"
#include "res/strings.h"
#include "skin/button_bar.h"
#include "skin/dib_draw.h"
#include "app/wait_cursor.h"
#include "skin/info_bar.h"
#include "skin/skin_button.h"

namespace vt {

namespace {
constexpr int kPieceTopLeft = 0, kPieceTopMid = 1, kPieceTopRight = 2, kPieceLeft = 3, kPieceRight = 4;
const int kSeekKinds[kSeekElements] = {kSeekKindThumb, kSeekKindPrev, kSeekKindNext};
const uint32_t kSeekMessages[kSeekElements] = {kMsgSeekRequest, kMsgSeekRequest, kMsgSeekRequest};
}  // namespace

CPlayerWnd::CPlayerWnd(QWidget* parent, std::unique_ptr<IMediaEngine> engine, PlayerHooks hooks)
    : QWidget(parent), CMessageWindow(this), m_engine(std::move(engine)), m_hooks(std::move(hooks)) {
  if (!m_engine) m_engine = CreateGstEngine();
  if (!m_hooks.messageByKey) m_hooks.messageByKey = [](const char* key, int id) { MessageBoxByKey(key, id, MB_OK); };
  if (!m_hooks.messageText) m_hooks.messageText = [](const std::string& text) { MessageBoxText(text, MB_OK); };
  m_core = std::make_unique<CPlayerCore>(m_engine.get(), static_cast<IPlayerView*>(this), this);
  m_engine->SetFrameNotify(this, kMsgPlayerNewFrame);
  setObjectName("Player");
  setAttribute(Qt::WA_OpaquePaintEvent);
  // A click on the video or a bar gives the Player the keyboard (its keys then include Down).
  setFocusPolicy(Qt::ClickFocus);
  hide();
}

CPlayerWnd::~CPlayerWnd() {
  StopTimers();
  m_engine->SetFrameNotify(nullptr, 0);
  m_core.reset();  // stops the seek thread before the engine and the bars go
}

IPlayerWindow* CreatePlayerWindow(QWidget* parent, PlayerHooks hooks) {
  return new CPlayerWnd(parent, nullptr, std::move(hooks));
}

void CPlayerWnd::SetPaths(const std::string& iniPath, const std::string& programFolder) {
  m_strIniPath = iniPath;
  m_strSkinFolder = programFolder + "/UI_P";
  // The video view gives the paths after making the Player: the window is made here.
  if (m_bCreated || Create(10, 10, 330, 240)) return;
  // No window: nothing of it is shown, and the user learns which picture is to blame.
  m_nWndWidth = m_nWndHeight = 0;
  hide();
  std::string bad = FirstUnloadableSkinFile(m_strSkinFolder);
  if (m_hooks.messageText) m_hooks.messageText(SkinFailureText(bad.empty() ? m_strSkinFolder : bad));
}

int CPlayerWnd::Create(int x, int y, int videoWidth, int videoHeight) {
  for (int i = 0; i < kVideoFramePieces; ++i)
    if (!m_frame[i].Load(SkinPath(m_strSkinFolder, kVideoFrameFiles[i]))) return 0;
  m_nVideoX = m_frame[kPieceTopLeft].GetWidth();
  m_nVideoY = m_frame[kPieceTopMid].GetHeight();
  m_nVideoWidth = videoWidth;
  m_nVideoHeight = videoHeight;
  m_nWndX = x;
  m_nWndY = y;
  m_nWndWidth = videoWidth + m_frame[kPieceTopLeft].GetWidth() + m_frame[kPieceTopRight].GetWidth();
  m_nWndHeight = videoHeight + m_frame[kPieceTopMid].GetHeight();

  auto* info = new CInfoBar();
  info->m_strSkinFolder = m_strSkinFolder;
  if (!info->Create(this, 0, 0, m_nWndWidth, kInfoBarBackground, kBackgroundPieces)) {
    delete info;
    return 0;
  }
  m_pInfoBar = info;
  m_nInfoHeight = info->GetHeight();
  auto* seek = new CSeekBar();
  seek->m_strSkinFolder = m_strSkinFolder;
  if (!seek->Create(this, this, 0, 0, m_nWndWidth, 100, kSeekBarBackground, kSeekBackgroundPieces,
                    kSeekElementFiles, kSeekKinds, kSeekMessages, kSeekElements)) {
    delete seek;
    return 0;
  }
  m_pSeekBar = seek;
  seek->SetPosText([this](uint32_t pos) {
    return m_core->IsOpen() ? SeekPosText(m_core->GetStart(), pos, m_core->GetFrameTime()) : std::string();
  });
  m_nSeekHeight = seek->GetHeight();
  auto* bar = new CButtonBar();
  bar->m_strSkinFolder = m_strSkinFolder;
  if (!bar->Create(this, this, 0, 0, m_nWndWidth, kButtonBarBackground, kBackgroundPieces)) {
    delete bar;
    return 0;
  }
  m_pButtonBar = bar;
  m_nBarHeight = bar->GetHeight();
  for (int i = 0; i < kButtonCount; ++i) g_buttonTexts[i] = LoadText(static_cast<uint32_t>(kButtonTextIds[i]));
  if (!bar->CreateButtons(kButtonFiles, kButtonIds, g_buttonTexts, kButtonCount)) return 0;

  m_nWndHeight += m_nInfoHeight + m_nSeekHeight + m_nBarHeight;
  show();
  Relayout();
  m_bCreated = true;
  return 1;
}

PlayerChrome CPlayerWnd::Chrome() const {
  return {m_frame[kPieceTopLeft].GetWidth(), m_frame[kPieceTopRight].GetWidth(), m_frame[kPieceTopMid].GetHeight(),
          m_nInfoHeight, m_nSeekHeight, m_nBarHeight, m_pButtonBar ? m_pButtonBar->MinimumWidth() : 0};
}

void CPlayerWnd::Relayout() {
  int32_t nw = 0, nh = 0;
  if (!m_core->IsOpen() || Failed(m_core->GetNativeSize(&nw, &nh))) nw = nh = 0;
  // Without an area from the video view the Player keeps its fitted size (the layout rule).
  m_display = m_bFullScreen ? LayoutFullScreen(m_nAreaW, m_nAreaH, Chrome(), nw, nh, m_bBarsShown)
                            : LayoutInArea(m_nAreaW, m_nAreaH, Chrome(), m_nVideoWidth, m_nVideoHeight, nw, nh);
  setGeometry(m_bFullScreen ? 0 : m_nWndX, m_bFullScreen ? 0 : m_nWndY, m_display.wndW, m_display.wndH);
  if (!m_pInfoBar || !m_pSeekBar || !m_pButtonBar) return;
  m_pInfoBar->setGeometry(0, m_display.infoY, m_display.wndW, m_nInfoHeight);
  m_pSeekBar->setGeometry(0, m_display.seekY, m_display.wndW, m_nSeekHeight);
  m_pButtonBar->setGeometry(0, m_display.barY, m_display.wndW, m_nBarHeight);
  for (QWidget* bar : {static_cast<QWidget*>(m_pInfoBar), static_cast<QWidget*>(m_pSeekBar),
                       static_cast<QWidget*>(m_pButtonBar)}) {
    bar->setVisible(m_display.bBars);
    if (m_display.bBars) bar->raise();
  }
  update();
}

void CPlayerWnd::SetDisplayArea(int width, int height) {
  if (width == m_nAreaW && height == m_nAreaH) return;
  m_nAreaW = width;
  m_nAreaH = height;
  if (m_bCreated) Relayout();
}

void CPlayerWnd::SetFullScreen(bool on) {
  if (on == m_bFullScreen) return;
  m_bFullScreen = on;
  m_bBarsShown = !on;  // full screen starts with the picture alone
  if (on) {
    if (!m_pBarsTimer) {
      m_pBarsTimer = new QTimer(this);
      connect(m_pBarsTimer, &QTimer::timeout, this, [this] { ShowBarsFor(mapFromGlobal(QCursor::pos())); });
    }
    m_pBarsTimer->start(kBarsPollMs);
  } else if (m_pBarsTimer) {
    m_pBarsTimer->stop();
  }
  if (m_bCreated) Relayout();
}

void CPlayerWnd::ShowBarsFor(const QPoint& mouse) {
  if (!m_bFullScreen) return;
  const bool want = rect().contains(mouse) && BarsWanted(mouse.y(), height(), Chrome());
  if (want == m_bBarsShown) return;
  m_bBarsShown = want;
  Relayout();
}

void CPlayerWnd::Show(int flag) {
  if (flag && isHidden()) show();
  if (!flag && !isHidden()) hide();
}

HRESULT CPlayerWnd::OpenRecord(const std::string& path, time32 tStart) { return m_core->OpenRecord(path, tStart); }

uint32_t CPlayerWnd::RateToCommand(double rate) const { return vt::RateToCommand(rate); }

HRESULT CPlayerWnd::ResizeVideo(int num, int den) {
  if (!m_engine->IsLoaded()) return E_FAIL;
  int32_t w = 0, h = 0;
  const HRESULT hr = m_core->GetNativeSize(&w, &h);
  if (Failed(hr)) return hr;  // no video, or no size known yet: keep the current size
  VideoFitInput in;
  in.nativeWidth = w;
  in.nativeHeight = h;
  in.scale = {num, den};
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  in.screenWidth = s ? s->geometry().width() : 1 << 15;
  in.screenHeight = s ? s->geometry().height() : 1 << 15;
  const QWidget* top = window();
  if (top && top != this) {
    in.extraWidth = top->frameGeometry().width() - width();
    in.extraHeight = top->frameGeometry().height() - height();
  }
  in.borderWidth = m_frame[kPieceTopLeft].GetWidth() + m_frame[kPieceTopRight].GetWidth();
  in.fixedHeight = m_frame[kPieceTopMid].GetHeight() + m_nSeekHeight + m_nInfoHeight + m_nBarHeight;
  in.minWndWidth = m_pButtonBar ? m_pButtonBar->MinimumWidth() : 0;
  const VideoFit fit = FitVideo(in);
  m_nVideoWidth = fit.videoWidth;
  m_nVideoHeight = fit.videoHeight;
  m_nWndWidth = fit.wndWidth;
  m_nWndHeight = fit.wndHeight;
  Relayout();
  if (IMessageTarget* main = GetMainWndTarget()) main->Post(kMsgFitToVideo, 0, 0);
  return S_OK;
}

void CPlayerWnd::ApplyZoom(int flag) {
  if (!m_engine->IsLoaded() || !m_core->IsOpen()) return;
  int32_t w = 0, h = 0;
  if (m_core->GetNativeSize(&w, &h) == E_NOINTERFACE) return;
  if (flag == 0) m_bZoom = !m_bZoom;
  const Scale s = ZoomScale(m_bZoom != 0, w);
  ResizeVideo(s.num, s.den);
}

// The step starts from the frame on screen: running playback is paused first, which puts the
// seek bar on that frame (the last position tick may lie a few frames behind it).
void CPlayerWnd::PrevFrame() {
  if (!m_pSeekBar) return;
  if (m_core->GetPlayState() == kPsRunning) m_core->PlaybackCommand(kCmdPause);
  // Played across recordings, the first frame steps back into the previous record.
  if (Crossing() && m_pSeekBar->GetPos() <= 1 && m_pNeighbours->OnStepPastEnd(-1)) return;
  m_pSeekBar->PrevFrame();
}

void CPlayerWnd::NextFrame() {
  if (!m_pSeekBar) return;
  if (m_core->GetPlayState() == kPsRunning) m_core->PlaybackCommand(kCmdPause);
  if (Crossing()) {
    // Across recordings every frame is reached, the last one included, before the next record.
    const uint32_t pos = m_pSeekBar->GetPos(), range = m_pSeekBar->GetRange();
    if (pos >= range && m_pNeighbours->OnStepPastEnd(+1)) return;
    if (pos + 1 == range) {
      m_pSeekBar->SetPos(range);
      Post(kMsgSeekRequest, 0, 0);
      return;
    }
  }
  m_pSeekBar->NextFrame();
}

std::optional<double> CPlayerWnd::ShownTime() const {
  if (!m_core->IsOpen()) return std::nullopt;
  // The frame on screen carries its own position; before one has come, the last known one.
  int64_t pos = 0;
  if (Failed(m_engine->GetShownPosition(&pos))) pos = m_core->GetPosition();
  return m_core->GetStart() + static_cast<double>(pos) / kUnitsPerSecond;
}

std::vector<std::pair<time32, time32>> CPlayerWnd::RecordEvents() const {
  std::vector<std::pair<time32, time32>> out;
  if (const CEventList* events = m_core->GetEvents()) {
    uint32_t i = 0;
    while (const EVENT_RECORD* e = events->GetNext(&i)) out.emplace_back(e->tStart, e->tEnd);
  }
  return out;
}

void CPlayerWnd::JumpToOffset(int64_t offset, JumpMode mode) {
  m_core->ShowFrameAt(offset, mode == JumpMode::kPlay, mode == JumpMode::kPause);
}

void CPlayerWnd::SetNeighbours(IRecordNeighbours* neighbours) {
  m_pNeighbours = neighbours;
  if (!neighbours) {
    m_core->SetEndOfStreamHandler(nullptr);
    return;
  }
  m_core->SetEndOfStreamHandler([this] { return m_pNeighbours && m_pNeighbours->OnEndOfRecord(); });
}

bool CPlayerWnd::IsButtonBarButton(WPARAM w) const {
  return m_pButtonBar && w && m_pButtonBar->IsButton(reinterpret_cast<const QObject*>(w));
}

bool CPlayerWnd::WantsKey(WPARAM key) const {
  return m_core->IsOpen() && PlayerTakesKey(key, m_core->GetPlayState());
}

void CPlayerWnd::OwnerMessageHook(uint32_t msg, WPARAM wParam, LPARAM) {
  // The video is painted here rather than by a child window of its own, so a move needs nothing.
  if (msg == kWmKeyDown) m_core->OnKey(wParam);
}

void CPlayerWnd::Snapshot() {
  // The wait cursor shows from the pause, through capture and conversion, until the Snapshot
  // dialog appears (which turns it off).
  WaitCursor(true);
  std::vector<uint8_t> frame = m_core->CaptureForSnapshot();
  if (!frame.empty() && m_hooks.snapshot) m_hooks.snapshot(std::move(frame), m_core->GetCurrent());
  WaitCursor(false);
}

void CPlayerWnd::ShowSpeedMenu(int x, int y) {
  if (!m_core->IsOpen()) return;
  QPoint at = (x == 0 && y == 0) ? QCursor::pos() : QPoint(x, y);
  QMenu menu(this);
  const uint32_t checked = vt::RateToCommand(m_core->GetRate());
  for (const SpeedEntry& s : kSpeedTable) {
    QAction* a = menu.addAction(QString::fromLatin1(s.menuText));
    a->setData(s.id);
    a->setCheckable(true);
    a->setChecked(s.id == checked);
  }
  // Centred on the point, as the recorder family's popup is.
  at.rx() -= menu.sizeHint().width() / 2;
  QAction* picked = nullptr;
  QObject::connect(&menu, &QMenu::triggered, [&picked](QAction* a) { picked = a; });
  QAction* chosen = menu.exec(at);
  if (!chosen) chosen = picked;
  if (chosen) Post(0x0111, chosen->data().toUInt(), 0);
}

LRESULT CPlayerWnd::WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case 0x0111: m_core->OnSpeedCommand(static_cast<uint32_t>(wParam)); return 1;
    case kMsgGraphNotify: m_core->HandleGraphEvent(); return 1;
    case kMsgSeekRequest: m_core->OnSeekRequest(); return 1;
    case kMsgButtonPlay: m_core->PlaybackCommand(kCmdPlay); return 1;
    case kMsgButtonPause: m_core->PlaybackCommand(kCmdPause); return 1;
    case kMsgButtonStop: m_core->PlaybackCommand(kCmdStop); return 1;
    case kMsgButtonBackward: m_core->Backward(); return 1;
    case kMsgButtonForward: m_core->Forward(); return 1;
    case kMsgButtonSnapshot: Snapshot(); return 1;
    case kMsgButtonZoom: ApplyZoom(0); return 1;
    case kMsgButtonSpeed:
      if (m_core->IsOpen()) ShowSpeedMenu(static_cast<int>(wParam), static_cast<int>(lParam));
      return 1;
    case kMsgOpenRecord:
      if (lParam) {
        const auto* rec = reinterpret_cast<const RDB_RECORD*>(lParam);
        const std::string path = m_hooks.resolvePath
                                     ? m_hooks.resolvePath(*rec)
                                     : std::string(rec->szFilePath, strnlen(rec->szFilePath, sizeof rec->szFilePath));
        m_core->OpenRecord(path, rec->tStart);
      } else {
        m_core->CloseClip();
        SetWindowTitle(nullptr, nullptr);
      }
      return 1;
    case kMsgPlayerNewFrame:
      update(VideoRect());
      m_core->OnFrameShown();
      return 1;
    case kMsgPlayerDrawTime: DrawTime(static_cast<time32>(static_cast<int64_t>(wParam))); return 1;
    default: return 0;
  }
}

bool CPlayerWnd::event(QEvent* e) {
  if (DispatchMessageEvent(e)) return true;
  return QWidget::event(e);
}

void CPlayerWnd::timerEvent(QTimerEvent* e) {
  if (e->timerId() == m_nPosTimer)
    m_core->OnPositionTick();
  else if (e->timerId() == m_nClockTimer)
    m_core->OnClockTick();
}

void CPlayerWnd::mouseDoubleClickEvent(QMouseEvent* e) {
  // A double-click on the video switches full screen on or off.
  if (e->button() == Qt::LeftButton && VideoRect().contains(e->position().toPoint())) {
    if (IMessageTarget* main = GetMainWndTarget()) main->Post(kMsgToggleFullScreen, 0, 0);
    return;
  }
  QWidget::mouseDoubleClickEvent(e);
}

void CPlayerWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintVideo(p);
  const int W = width();
  const CDib& tl = m_frame[kPieceTopLeft];
  const CDib& tm = m_frame[kPieceTopMid];
  const CDib& tr = m_frame[kPieceTopRight];
  const CDib& l = m_frame[kPieceLeft];
  const CDib& r = m_frame[kPieceRight];
  if (tl.IsEmpty() || !m_display.bFramed) return;
  DrawDib(p, tl, 0, 0);
  const int midEnd = W - tr.GetWidth();
  for (int x = tl.GetWidth(); tm.GetWidth() > 0 && x < midEnd; x += tm.GetWidth())
    DrawDib(p, tm, x, 0, std::min(tm.GetWidth(), midEnd - x), tm.GetHeight(), true);
  DrawDib(p, tr, midEnd, 0);
  const int y0 = tl.GetHeight(), y1 = tl.GetHeight() + m_display.video.h;
  for (int y = y0; l.GetHeight() > 0 && y < y1; y += l.GetHeight())
    DrawDib(p, l, 0, y, l.GetWidth(), std::min(l.GetHeight(), y1 - y), true);
  for (int y = y0; r.GetHeight() > 0 && y < y1; y += r.GetHeight())
    DrawDib(p, r, W - r.GetWidth(), y, r.GetWidth(), std::min(r.GetHeight(), y1 - y), true);
}

void CPlayerWnd::PaintVideo(QPainter& p) {
  const QRect rc = VideoRect();
  if (rc.isEmpty()) return;
  const QRect pic(m_display.picture.x, m_display.picture.y, m_display.picture.w, m_display.picture.h);
  std::shared_ptr<const VideoFrame> frame = m_core->IsOpen() ? m_engine->LatestFrame() : nullptr;
  // The fitted size draws straight into the rectangle; a larger one scales the whole frame smoothly.
  const bool fitted = pic.size() == QSize(m_nVideoWidth, m_nVideoHeight);
  const QSize size = fitted || !frame ? pic.size() : QSize(frame->width, frame->height);
  if (frame && !size.isEmpty()) {
    QImage img(size, QImage::Format_RGB32);
    if (ScaleFrameToRgb32(*frame, reinterpret_cast<uint32_t*>(img.bits()), size.width(), size.height(),
                          static_cast<int>(img.bytesPerLine() / 4))) {
      if (pic != rc) p.fillRect(rc, Qt::black);  // the bands beside the picture
      if (fitted) {
        p.drawImage(pic.topLeft(), img);
      } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(pic, img);
      }
      return;
    }
  }
  p.fillRect(rc, Qt::black);
}

// IPlayerView ------------------------------------------------------------------------------

void CPlayerWnd::SetSeekRange(uint32_t frames) {
  if (m_pSeekBar) m_pSeekBar->SetRange(frames);
}

void CPlayerWnd::SetSeekPos(int64_t pos) {
  if (!m_pSeekBar) return;
  const int64_t clamped = std::clamp<int64_t>(pos, 0, static_cast<int64_t>(UINT32_MAX));
  m_pSeekBar->SetPos(static_cast<uint32_t>(clamped));
}

uint32_t CPlayerWnd::GetSeekPos() const { return m_pSeekBar ? m_pSeekBar->GetPosAtomic() : 1; }

void CPlayerWnd::SetSeekEvents(std::vector<uint32_t> pairs) {
  if (m_pSeekBar) m_pSeekBar->SetEvents(std::move(pairs));
}

void CPlayerWnd::ClearSeekEvents() {
  if (m_pSeekBar) m_pSeekBar->ClearEvents();
}

void CPlayerWnd::ShowTime(bool show) {
  if (m_pInfoBar) m_pInfoBar->ShowTime(show ? 1 : 0);
}

void CPlayerWnd::DrawTime(time32 t) {
  if (QThread::currentThread() != thread()) {
    Post(kMsgPlayerDrawTime, static_cast<WPARAM>(static_cast<int64_t>(t)), 0);
    return;
  }
  if (m_pInfoBar) m_pInfoBar->DrawInfo(nullptr, &t);
}

void CPlayerWnd::SetSpeedText(const char* suffix) {
  if (m_pInfoBar) m_pInfoBar->SetSpeedText(suffix);
}

void CPlayerWnd::RepaintInfo() {
  if (m_pInfoBar) m_pInfoBar->InvalidateAndUpdate();
}

// The timers run exactly while the record plays: the Play button follows them.
void CPlayerWnd::StartTimers(uint32_t positionPeriodMs) {
  if (!m_nClockTimer) m_nClockTimer = startTimer(static_cast<int>(kClockPeriodMs));
  if (!m_nPosTimer) m_nPosTimer = startTimer(static_cast<int>(positionPeriodMs));
  ShowPlayButtonAsPause(true);
}

// Qt's timer events are generated when due, never queued, so killing is all it takes.
void CPlayerWnd::StopTimers() {
  if (m_nClockTimer) killTimer(m_nClockTimer);
  if (m_nPosTimer) killTimer(m_nPosTimer);
  m_nClockTimer = m_nPosTimer = 0;
  ShowPlayButtonAsPause(false);
}

void CPlayerWnd::ShowPlayButtonAsPause(bool pause) {
  CSkinButton* play = m_pButtonBar ? m_pButtonBar->Button(kButtonPlay) : nullptr;
  if (!play || pause == m_bPlayShowsPause) return;
  // While it plays, a click on Play pauses: the button shows the Pause picture and prompt.
  const int look = pause ? kButtonPause : kButtonPlay;
  if (!play->LoadBitmap(SkinPath(m_strSkinFolder, kButtonFiles[look]))) return;
  // A prompt posted while the mouse rests on the button points into its text: kept then.
  if (!play->IsHovering()) play->SetTexts(g_buttonTexts[look]);
  play->update();
  m_bPlayShowsPause = pause;
}

void CPlayerWnd::ShowPlayer() {
  Show(1);
  repaint();
  raise();
}

void CPlayerWnd::EnsureDefaultSize() { DefaultSize(&m_nWndWidth, &m_nWndHeight, m_nInfoHeight, m_nSeekHeight, m_nBarHeight); }

void CPlayerWnd::PostVideoSize(int32_t width, int32_t height) {
  if (IMessageTarget* main = GetMainWndTarget()) main->Post(kMsgVideoSize, static_cast<WPARAM>(width), height);
}

void CPlayerWnd::SetWindowTitle(const char* a, const char* b) {
  if (m_hooks.setWindowTitle) m_hooks.setWindowTitle(a, b);
}

std::string CPlayerWnd::LoadText(uint32_t id) {
  if (m_hooks.textById) return m_hooks.textById(id);
  const char* s = res::LoadResString(id);
  return s ? s : "";
}

void CPlayerWnd::ShowMessage(const std::string& text) {
  if (m_hooks.messageText) m_hooks.messageText(text);
}

void CPlayerWnd::ShowLangMessage(const char* key, uint32_t id) {
  if (m_hooks.messageByKey) m_hooks.messageByKey(key, static_cast<int>(id));
}

void CPlayerWnd::ShowStatus(const std::string& text) {
  if (m_hooks.statusText) {
    m_hooks.statusText(text);
  } else if (IMessageTarget* main = GetMainWndTarget()) {
    // Sent, not posted: the text lives only as long as this call. No text: the idle text.
    main->Send(kMsgStatusText, 0, text.empty() ? 0 : reinterpret_cast<LPARAM>(text.c_str()));
  }
}

}  // namespace vt
