#include "frame/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QDate>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSocketNotifier>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <sys/stat.h>

#include "app/app_paths.h"
#include "app/recorder_link.h"
#include "app/wait_cursor.h"
#include "frame/empty_player_area.h"
#include "frame/frame_layout.h"
#include "frame/lock_keys.h"
#include "help/help_launcher.h"
#include "frame/left_view_pane.h"
#include "frame/player_key_router.h"
#include "platform/data_policy.h"
#include "platform/paths.h"
#include "timeline/review_navigator.h"

namespace vt {
namespace {

QString FromBytes(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void BusyCursor(bool on) { WaitCursor(on); }

int LeftPaneWidth(const QFontMetrics& fm) {
  return 2 * fm.horizontalAdvance(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
}

CMainFrame::CMainFrame(FrameContext context)
    : QMainWindow(nullptr),
      CMessageWindow(this),
      m_ctx(std::move(context)),
      m_progress([this](uint32_t id) { return Text(id); }) {
  m_settings.Load(m_ctx.strIniPath, m_ctx.strProgramFolder, m_ctx.strDataFolder);
  InitLog(m_ctx.strDataFolder + "/" + kLogName);
  // The window sizes itself around the video; the user may make it larger or maximise it, and
  // the video then grows with it.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    int x, y;
    InitialWindowPos(s->geometry().width(), s->geometry().height(), &x, &y);
    move(x, y);
  }
  SetMainWndTarget(this);
}

CMainFrame::~CMainFrame() {
  StopLongWork();
  // The navigator uses the panes and the Player: it goes first.
  delete m_pReview;
  m_pReview = nullptr;
  DeleteMultiView();
  if (GetMainWndTarget() == this) SetMainWndTarget(nullptr);
  m_settings.SaveAutoPlay();
  TearDownLog();
  BusyCursor(false);
}

std::string CMainFrame::Text(uint32_t id) const { return m_ctx.textById ? m_ctx.textById(id) : std::string(" "); }

bool CMainFrame::Create() {
  const QIcon icon(FromBytes(ResolvePathCase(m_ctx.strProgramFolder + "/" + kProgramIcon)));
  if (!icon.isNull()) setWindowIcon(icon);
  QImage strip(FromBytes(ResolvePathCase(m_ctx.strProgramFolder + "/" + kToolbarPicture)));
  if (strip.isNull() || strip.width() < kToolbarImages) return false;
  const int imageW = strip.width() / kToolbarImages, imageH = strip.height();
  QImage rgb = strip.convertToFormat(QImage::Format_RGB32);
  std::vector<QIcon> images;
  for (int i = 0; i < kToolbarImages; ++i) {
    QPixmap pm = QPixmap::fromImage(rgb.copy(i * imageW, 0, imageW, imageH));
    pm.setMask(QBitmap::fromImage(
        rgb.copy(i * imageW, 0, imageW, imageH).createMaskFromColor(kToolbarTransparent, Qt::MaskInColor)));
    images.emplace_back(pm);
  }

  BuildCommands();
  m_pToolBar = new QToolBar(QStringLiteral("Standard"), this);
  m_pToolBar->setObjectName(QStringLiteral("toolbar59392"));
  m_pToolBar->setIconSize(QSize(imageW, imageH));
  m_pToolBar->setMovable(true);
  for (int slot = 0; slot < kToolbarSlots; ++slot) {
    const CommandDef* def = nullptr;
    for (const CommandDef& c : CommandTable()) {
      if (c.toolbarSlot == slot) def = &c;
    }
    if (!def) {
      m_pToolBar->addSeparator();
      continue;
    }
    QAction* a = m_actions[def->id];
    a->setIcon(images[static_cast<size_t>(def->toolbarImage)]);
    m_pToolBar->addAction(a);
    if (QWidget* b = m_pToolBar->widgetForAction(a)) b->setFixedSize(kToolbarButtonWidth, kToolbarButtonHeight);
  }
  addToolBar(Qt::TopToolBarArea, m_pToolBar);

  BuildStatusBar();
  BuildPanes();

  m_pView->Init(m_ctx.strIniPath, m_ctx.strProgramFolder);
  m_pPlayer = m_pView->GetPlayer();
  if (m_pPlayer) {
    m_pPlayer->SetAutoPlay(m_settings.m_bAutoPlay);
    if (m_pLeftPane) m_pLeftPane->SetPlayerTarget(m_pPlayer->Target());
  }
  new CPlayerKeyRouter(this, this, [this] { return m_pPlayer; },
                       [this] { return m_pLeftPane ? m_pLeftPane->Widget() : nullptr; });
  SetStatusSize(QString());
  ConnectRecordList();
  BuildReview();

  m_pUpdateTimer = new QTimer(this);
  connect(m_pUpdateTimer, &QTimer::timeout, this, [this] {
    UpdateCommandUi();
    UpdateLockPanes();
  });
  m_pUpdateTimer->start(kUpdateUiIntervalMs);
  UpdateCommandUi();
  UpdateLockPanes();

  m_pLink = m_ctx.pLink && m_ctx.pLink->IsListening() ? m_ctx.pLink : nullptr;
  if (!m_pLink && m_ctx.bListen && !m_ctx.pLink) {
    m_pOwnLink = std::make_unique<CLinkListener>();
    if (m_pOwnLink->Listen(kClassPlayer)) m_pLink = m_pOwnLink.get();
  }
  if (m_pLink) {
    m_pLinkNotifier = new QSocketNotifier(m_pLink->fd(), QSocketNotifier::Read, this);
    connect(m_pLinkNotifier, &QSocketNotifier::activated, this, [this] { OnLinkReadable(); });
  }
  return true;
}

void CMainFrame::BuildCommands() {
  QMenu* sub = nullptr;
  for (int m = 0; m < kMenuCount; ++m) {
    m_menus[m] = menuBar()->addMenu(QString::fromLatin1(MenuTitle(static_cast<MenuIndex>(m))));
    connect(m_menus[m], &QMenu::aboutToShow, this, [this] { UpdateCommandUi(); });
  }
  for (const CommandDef& c : CommandTable()) {
    QMenu* menu = sub ? sub : m_menus[c.menu];
    switch (c.kind) {
      case MenuKind::Separator:
        menu->addSeparator();
        continue;
      case MenuKind::SubmenuBegin:
        sub = menu->addMenu(QString::fromLatin1(c.text));
        connect(sub, &QMenu::aboutToShow, this, [this] { UpdateCommandUi(); });
        continue;
      case MenuKind::SubmenuEnd:
        sub = nullptr;
        continue;
      case MenuKind::Command:
        break;
    }
    auto* a = new QAction(QString::fromLatin1(c.text), this);
    a->setData(static_cast<uint>(c.id));
    a->setCheckable(c.bCheckable || c.rule(CommandState{}, c.id).bChecked || c.id == ID_MUTE || c.id == ID_AUTO_PLAY ||
                    (c.id >= ID_SPEED_1_16 && c.id <= ID_SPEED_16) || c.id == ID_VIEW_TOOLBAR ||
                    c.id == ID_VIEW_STATUS_BAR);
    if (c.shortcut || c.extraShortcut) {
      a->setShortcut(QKeySequence(QString::fromLatin1(c.shortcut ? c.shortcut : c.extraShortcut)));
      a->setShortcutContext(Qt::WindowShortcut);
    }
    if (c.promptId) {
      std::string status, tip;
      SplitPrompt(Text(c.promptId).c_str(), &status, &tip);
      if (status != " " && !status.empty()) a->setStatusTip(FromBytes(status));
      if (!tip.empty()) a->setToolTip(FromBytes(tip));
    }
    const uint32_t id = c.id;
    connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    menu->addAction(a);
    addAction(a);  // keyboard table: works while the entry is trimmed from its menu
    m_actions[id] = a;
  }
  // The Help menu comes last, where the desktop's menu bar puts it (no right alignment here).
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusbar59393"));
  bar->setSizeGripEnabled(false);
  const QFontMetrics fm(bar->font());
  const char* samples[kStatusPaneCount] = {nullptr, nullptr, "CAP", "NUM", "SCRL"};
  std::string sizeSample = Text(IDS_VIDEO_SIZE_SAMPLE);
  if (sizeSample == " ") sizeSample = "720x576";
  for (int i = 0; i < kStatusPaneCount; ++i) {
    m_panes[i] = new QLabel(bar);
    if (i == 0) {
      bar->addWidget(m_panes[i], 1);
      continue;
    }
    QString sample = i == 1 ? FromBytes(sizeSample) : QString::fromLatin1(samples[i]);
    m_panes[i]->setMinimumWidth(fm.horizontalAdvance(sample) + 8);
    m_panes[i]->setAlignment(Qt::AlignCenter);
    m_panes[i]->setFrameShape(QFrame::Panel);
    m_panes[i]->setFrameShadow(QFrame::Sunken);
    bar->addPermanentWidget(m_panes[i]);
  }
  SetMessageText(IdleText());
}

void CMainFrame::BuildPanes() {
  m_pSplitter = new QSplitter(Qt::Horizontal, this);
  m_pSplitter->setObjectName(QStringLiteral("splitter59648"));
  m_pSplitter->setChildrenCollapsible(false);
  if (m_ctx.makeLeftPane) m_pLeftPane = m_ctx.makeLeftPane(m_pSplitter);
  if (!m_pLeftPane) m_pLeftPane = std::make_unique<CLeftViewPane>(m_ctx.bRemoteViewer != 0, m_pSplitter);
  m_pView = new CVantPlayerView(m_pSplitter, m_ctx.makePlayer);
  if (m_pView->GetPlayer()) m_pLeftPane->SetPlayerTarget(m_pView->GetPlayer()->Target());
  m_pSplitter->addWidget(m_pLeftPane->Widget());
  m_pSplitter->addWidget(m_pView);
  m_pSplitter->setStretchFactor(0, 0);
  m_pSplitter->setStretchFactor(1, 1);
  const int left = LeftPaneWidth(fontMetrics());
  m_pLeftPane->Widget()->resize(left, 100);
  m_pView->resize(100, 100);
  m_pSplitter->setSizes({left, 100});
  setCentralWidget(m_pSplitter);
  m_bPanesReady = 1;
}

void CMainFrame::ConnectRecordList() {
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  if (!list) return;
  RecordListContext ctx;
  ctx.strIniPath = m_ctx.strIniPath;
  ctx.pMainWnd = this;
  ctx.pickFolder = [this](std::string& path, bool allowNew, const std::string& title) {
    return PickFolder(path, allowNew, title);
  };
  ctx.text = [this](int id) { return Text(static_cast<uint32_t>(id)); };
  ctx.waitCursor = [](bool busy) { BusyCursor(busy); };
  // Paints the message pane at once. Events are not pumped here: a posted message handled in
  // the middle of a copy could reload the very database being copied.
  ctx.repaint = [this] {
    if (m_panes[0]) m_panes[0]->repaint();
  };
  ctx.pCameras = m_pLeftPane->GetCameraQuery();
  list->SetContext(std::move(ctx));
}

bool CMainFrame::PickFolder(std::string& path, bool allowNew, const std::string& title) {
  if (m_ctx.pickFolder) return m_ctx.pickFolder(path, allowNew, title);
  QFileDialog::Options options = QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog;
  // Without a create-folder button the dialog must not let the user make folders.
  if (!allowNew) options |= QFileDialog::ReadOnly;
  QString caption = title.empty() ? QStringLiteral("Select a folder") : FromBytes(title);
  QString chosen = QFileDialog::getExistingDirectory(this, caption, FromBytes(path), options);
  if (chosen.isEmpty()) return false;
  path = chosen.toLocal8Bit().toStdString();
  return true;
}

QAction* CMainFrame::GetAction(uint32_t id) const {
  auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::TrimFileMenu() {
  QMenu* file = m_menus[kMenuFile];
  if (!file) return;
  for (uint32_t id : {ID_OPEN_RECORD_DB, ID_UPDATE_DB, ID_RETURN_MAIN_DB, ID_BACKUP_DB}) {
    if (QAction* a = GetAction(id)) file->removeAction(a);
  }
  // The first separator goes with them.
  for (QAction* a : file->actions()) {
    if (a->isSeparator()) {
      file->removeAction(a);
      break;
    }
  }
}

CommandState CMainFrame::GatherCommandState() const {
  CommandState s;
  s.bMainDb = m_bMainDb != 0;
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  s.bListEmpty = !list || list->IsEmpty();
  s.bTreeSelection = m_pLeftPane && m_pLeftPane->HasTreeSelection();
  s.bRecordOpen = m_pPlayer && m_pPlayer->IsOpen();
  s.nRateCommand = m_pPlayer ? m_pPlayer->RateToCommand(m_pPlayer->GetRate()) : 0;
  s.bMuted = m_pPlayer && m_pPlayer->IsMuted();
  s.bAutoPlay = m_settings.m_bAutoPlay != 0;
  s.bToolBarVisible = m_pToolBar && !m_pToolBar->isHidden();
  s.bStatusBarVisible = !statusBar()->isHidden();
  s.bDataLocked = !DataLockedReason().empty();
  s.bLongWork = IsLongWorkRunning();
  FillReviewState(&s);
  FillMultiViewState(&s);
  return s;
}

std::string CMainFrame::DataLockedReason() const {
  if (IsReadOnlyData()) return "read-only review mode";
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  return list ? list->WriteBlockedReason() : std::string();
}

void CMainFrame::SetCaption(const QString& caption) {
  m_strCaption = caption;
  UpdateTitle();
}

void CMainFrame::UpdateTitle() {
  CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
  if (m_bMainDb || !list) {
    setWindowTitle(m_strCaption);
    return;
  }
  setWindowTitle(m_strCaption + QStringLiteral(" - saved database ") + FromBytes(list->m_strOpenFolder));
}

QString CMainFrame::IdleText() const {
  // The status pane is narrow: the reason comes first, and its tooltip carries the whole text.
  const std::string reason = DataLockedReason();
  if (!reason.empty()) {
    QString text = QString::fromStdString(reason);
    text[0] = text[0].toUpper();
    return text + QStringLiteral(": Delete and Rebuild are off");
  }
  // A first start: say where the recorder's configuration was looked for and how to name it.
  if (m_bMainDb && !IsRegularFile(m_ctx.strIniPath)) {
    // What to do first: the pane is narrow and the tooltip holds the whole text.
    return QStringLiteral("No %1: start with --data-folder DIR or --demo; looked in %2")
        .arg(QString::fromLatin1(kIniName), FromBytes(m_ctx.strDataFolder));
  }
  // A data folder that cannot be written loses the log and the settings at exit.
  const std::string dataReason = DataWriteBlockedReason(m_ctx.strDataFolder);
  if (!dataReason.empty()) {
    QString text = QString::fromStdString(dataReason);
    text[0] = text[0].toUpper();
    return text + QStringLiteral(" (settings are not saved)");
  }
  return FromBytes(Text(IDS_READY));
}

void CMainFrame::UpdateCommandUi() {
  const CommandState s = GatherCommandState();
  for (auto& [id, action] : m_actions) {
    CommandUi ui = EvaluateCommand(id, s);
    if (action->isEnabled() != ui.bEnabled) action->setEnabled(ui.bEnabled);
    if (action->isCheckable() && action->isChecked() != ui.bChecked) action->setChecked(ui.bChecked);
  }
}

void CMainFrame::RunCommand(uint32_t id) {
  const CommandDef* def = FindCommand(id);
  if (!def || !def->handler) return;
  // The rules are re-checked here: the idle update may be a moment behind the state.
  if (!EvaluateCommand(id, GatherCommandState()).bEnabled) {
    UpdateCommandUi();
    return;
  }
  (this->*(def->handler))(id);
  UpdateCommandUi();
}

void CMainFrame::SetMessageText(const QString& text) {
  if (m_panes[0]) {
    m_panes[0]->setText(text);
    m_panes[0]->setToolTip(text);
  }
}

void CMainFrame::SetStatusSize(const QString& text) {
  if (m_panes[1]) m_panes[1]->setText(text);
}

QString CMainFrame::GetPaneText(int pane) const {
  return pane >= 0 && pane < kStatusPaneCount && m_panes[pane] ? m_panes[pane]->text() : QString();
}

void CMainFrame::UpdateLockPanes() {
  LockKeys k = ReadLockKeys();
  const bool on[3] = {k.bKnown && k.bCaps, k.bKnown && k.bNum, k.bKnown && k.bScroll};
  const char* names[3] = {"CAP", "NUM", "SCRL"};
  for (int i = 0; i < 3; ++i) {
    QString t = on[i] ? QString::fromLatin1(names[i]) : QString();
    if (m_panes[i + 2] && m_panes[i + 2]->text() != t) m_panes[i + 2]->setText(t);
  }
}

int CMainFrame::GetCameraCount() const { return m_pLeftPane ? m_pLeftPane->GetCameraCount() : 0; }

bool CMainFrame::GetCameraEntry(int index, int* cameraIndex, std::string* label, std::string* path) const {
  return m_pLeftPane && m_pLeftPane->GetCameraEntry(index, cameraIndex, label, path);
}

bool CMainFrame::GetCurrentCameraPath(std::string* path) const {
  return m_pLeftPane && m_pLeftPane->GetCurrentCameraPath(path);
}

void CMainFrame::FitToVideo() {
  if (!m_bPanesReady || !m_pPlayer || !m_pView) return;
  // Maximised or full screen, the video fills what there is.
  if (isMaximized() || isFullScreen()) return;
  // Bars shown or hidden a moment ago must be laid out before the view is measured.
  if (layout()) layout()->activate();
  const int cw = m_pView->width(), ch = m_pView->height();
  const int pw = m_pPlayer->GetWndWidth(), ph = m_pPlayer->GetWndHeight();
  // A Player whose window could not be made (missing skin) gives nothing to fit around.
  if (pw <= 0 || ph <= 0) return;
  if (!ViewFitsPlayer(cw, ch, pw, ph)) {
    const QRect fr = frameGeometry();
    QScreen* s = screen();
    const QRect screenRect = s ? s->geometry() : QRect(0, 0, fr.right() + 1, fr.bottom() + 1);
    WndRect r = FitWindowToVideo({fr.left(), fr.top(), fr.left() + fr.width(), fr.top() + fr.height()}, cw, ch, pw,
                                 ph, screenRect.width(), screenRect.height());
    const int w = width() + r.Width() - fr.width(), h = height() + r.Height() - fr.height();
    // The fitted size is the least the window may have; larger is the user's choice.
    setMinimumSize(w, h);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(w, h);
    move(r.left, r.top);
    if (layout()) layout()->activate();
  }
  if (m_pLeftPane && isVisible()) m_pLeftPane->Widget()->setFocus();
}

void CMainFrame::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  // A size the user chose is kept; the window fits itself again on the next video.
}

void CMainFrame::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() != QEvent::WindowStateChange || !m_bPanesReady) return;
  // Back from maximised or full screen: around the video again.
  const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(e)->oldState();
  if ((before & (Qt::WindowMaximized | Qt::WindowFullScreen)) && !(windowState() & ~Qt::WindowActive))
    Post(kMsgFitToVideo, 0, 0);
}

void CMainFrame::OnLinkReadable() {
  if (!m_pLink) return;
  for (const LinkMessage& m : m_pLink->ReadPending()) {
    if (m.msg == kMsgSysCommand && m.wParam == kScRestore) {
      if (isMinimized()) showNormal();
      show();
      raise();
      activateWindow();
      continue;
    }
    // Only what the recorder family may send the main window travels over the link.
    if (m.msg == kMsgIndexUpdated) Post(m.msg, m.wParam, m.lParam);
  }
}

LRESULT CMainFrame::WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kMsgFitToVideo:
      FitToVideo();
      return 0;
    case kMsgClose:
      close();
      return 0;
    case kMsgToggleFullScreen:
      RunCommand(ID_VIEW_FULL_SCREEN);
      return 0;
    case kMsgVideoSize:
      SetStatusSize(QString::fromStdString(VideoSizeText(static_cast<int>(wParam), static_cast<int>(lParam))));
      // A record was opened or failed to open: the playback commands change now.
      UpdateCommandUi();
      return 0;
    case kMsgIndexUpdated: {
      CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
      if (list) {
        BusyCursor(true);
        list->Update(m_pLeftPane->GetTree());
        BusyCursor(false);
      }
      return 0;
    }
    case kMsgProgress: {
      std::string text;
      bool changed = false;
      LRESULT r = m_progress.Handle(static_cast<uint32_t>(wParam), lParam, &text, &changed);
      if (changed && m_panes[0]) {
        SetMessageText(FromBytes(text));
        // Long operations run on this thread: draw the text now.
        m_panes[0]->repaint();
      }
      return r;
    }
    case kMsgStatusText: {
      if (statusBar()->isHidden()) return 0;
      const char* text = reinterpret_cast<const char*>(lParam);
      if (text) {
        SetMessageText(FromBytes(text));
      } else if (!(m_pPlayer && wParam && m_pPlayer->IsButtonBarButton(wParam))) {
        SetMessageText(IdleText());
      }
      return 0;
    }
    case kMsgOpenCamera: {
      const char* path = reinterpret_cast<const char*>(wParam);
      m_strOpenCameraPath = path ? path : "";
      if (m_strOpenCameraPath.empty()) return 0;
      CRecordList* list = m_pLeftPane ? m_pLeftPane->GetRecordList() : nullptr;
      if (list) list->OpenCamera(m_strOpenCameraPath, m_pLeftPane->GetTree());
      if (m_pPlayer) m_pPlayer->Target()->Post(kMsgOpenRecord, 0, 0);
      m_nCurrentCamera = static_cast<int>(lParam);
      SetMessageText(IdleText());
      return 0;
    }
    default:
      if (m_pPlayer) m_pPlayer->OwnerMessageHook(msg, wParam, lParam);
      return 0;
  }
}

bool CMainFrame::event(QEvent* e) {
  if (DispatchMessageEvent(e)) return true;
  if (e->type() == QEvent::StatusTip) {
    QString tip = static_cast<QStatusTipEvent*>(e)->tip();
    SetMessageText(tip.isEmpty() ? IdleText() : tip);
    return true;
  }
  if (e->type() == QEvent::Show) Post(kMsgFitToVideo, 0, 0);
  return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  // Work in the background ends here, while the panes it reports to still exist.
  StopLongWork();
  if (m_pPlayer && m_pPlayer->IsOpen()) m_pPlayer->CloseClip();
  m_pPlayer = nullptr;
  if (m_pUpdateTimer) m_pUpdateTimer->stop();
  QMainWindow::closeEvent(e);
}

}  // namespace vt
