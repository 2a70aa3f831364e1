#include "multiview/camera_grid.h"

#include <algorithm>

#include "playback/player_logic.h"

namespace vt {

CCameraGrid::CCameraGrid(EngineFactory makeEngine) : m_makeEngine(std::move(makeEngine)) {}

CCameraGrid::~CCameraGrid() {
  for (Tile& t : m_tiles) {
    Close(t.next);
    Close(t.cur);
  }
}

CCameraRecords* CCameraGrid::RecordsFor(const CameraEntry& camera) {
  auto& slot = m_records[camera.strFolder];
  if (!slot) {
    slot = std::make_unique<CCameraRecords>(camera);
    slot->Load();
  }
  return slot.get();
}

void CCameraGrid::SetCameras(const std::vector<std::optional<CameraEntry>>& cameras) {
  std::vector<int> changed;
  if (cameras.size() < m_tiles.size()) {
    for (size_t i = cameras.size(); i < m_tiles.size(); ++i) {
      Close(m_tiles[i].next);
      Close(m_tiles[i].cur);
    }
  }
  m_tiles.resize(cameras.size());
  for (size_t i = 0; i < cameras.size(); ++i) {
    Tile& t = m_tiles[i];
    if (t.camera == cameras[i] && (t.camera || t.state == TileState::kNoCamera)) continue;
    Close(t.next);
    Close(t.cur);
    t.camera = cameras[i];
    t.pRecords = t.camera ? RecordsFor(*t.camera) : nullptr;
    t.nFailedRecord = -1;
    t.lastShown.reset();
    t.stats = {};
    SetState(static_cast<int>(i), t.camera ? TileState::kNoRecording : TileState::kNoCamera);
    if (t.camera) changed.push_back(static_cast<int>(i));
  }
  // Folders no tile shows any more are forgotten.
  for (auto it = m_records.begin(); it != m_records.end();) {
    const bool used = std::any_of(m_tiles.begin(), m_tiles.end(), [&](const Tile& t) { return t.pRecords == it->second.get(); });
    it = used ? std::next(it) : m_records.erase(it);
  }
  if (m_clock.IsRunning()) {
    const int64_t now = SteadyNowNs();
    for (int i : changed) m_tiles[static_cast<size_t>(i)].watch.Restart(Join(i, now, false));
  } else {
    std::vector<IMediaEngine*> settle;
    for (int i : changed) Settle(i, m_clock.AnchorTime(), &settle);
    for (IMediaEngine* e : settle) e->StopWhenReady();
  }
}

void CCameraGrid::ReloadRecords() {
  for (Tile& t : m_tiles) {
    Close(t.next);
    Close(t.cur);
    t.nFailedRecord = -1;
  }
  for (auto& [folder, records] : m_records) records->Load();
  if (m_clock.IsRunning())
    StartAll();
  else
    SettleAll();
}

void CCameraGrid::SetFrameNotify(int tile, IMessageTarget* target, uint32_t msg) {
  if (tile < 0 || tile >= TileCount()) return;
  Tile& t = m_tiles[static_cast<size_t>(tile)];
  t.pTarget = target;
  t.nMsg = msg;
  for (Source* s : {&t.cur, &t.next})
    if (s->engine) s->engine->SetFrameNotify(target, msg);
}

void CCameraGrid::SetState(int index, TileState state, std::string failure) {
  Tile& t = m_tiles[static_cast<size_t>(index)];
  if (t.state == state && t.strFailure == failure) return;
  t.state = state;
  t.strFailure = std::move(failure);
  if (onTileChanged) onTileChanged(index);
}

bool CCameraGrid::Open(int index, Source& src, int record) {
  Tile& t = m_tiles[static_cast<size_t>(index)];
  Close(src);
  const std::string path = t.pRecords->FileOf(record);
  auto fail = [&](const std::string& why) {
    t.nFailedRecord = record;
    SetState(index, TileState::kFailed, why);
    return false;
  };
  if (path.empty()) return fail("The file of this recording is missing.");
  if (!src.engine) {
    src.engine = m_makeEngine();
    if (!src.engine) return fail("No media engine.");
    src.engine->SetFrameNotify(t.pTarget, t.nMsg);
  }
  if (Failed(src.engine->RenderFile(path))) return fail(UnplayableText(path, src.engine->ErrorText()));
  int64_t duration = 0, frames = 0;
  src.engine->GetDuration(&duration);
  src.engine->GetFrameCount(&frames);
  const int64_t frameTime = FrameTimeOf(duration, frames);
  t.pRecords->LearnFrameTime(frameTime);
  src.nRecord = record;
  src.frames = FramesOf(t.pRecords->Sequence()[static_cast<size_t>(record)], frameTime ? frameTime : t.pRecords->FrameTime(),
                        frames);
  src.bRunning = false;
  return true;
}

void CCameraGrid::Close(Source& src) {
  if (src.engine && src.engine->IsLoaded()) src.engine->Close();
  src.nRecord = -1;
  src.bRunning = false;
}

bool CCameraGrid::Prepare(int index, int64_t t) {
  Tile& tile = m_tiles[static_cast<size_t>(index)];
  if (!tile.camera) return false;
  const int r = RecordingAt(tile.pRecords->Sequence(), t);
  if (r < 0) {
    Close(tile.next);
    Close(tile.cur);
    SetState(index, TileState::kNoRecording);
    return false;
  }
  if (tile.cur.nRecord != r) {
    if (tile.next.nRecord == r) {
      std::swap(tile.cur, tile.next);
    } else if (r == tile.nFailedRecord || !Open(index, tile.cur, r)) {
      Close(tile.cur);
      return false;
    }
  }
  Close(tile.next);
  SetState(index, TileState::kPicture);
  if (onTileChanged) onTileChanged(index);
  return true;
}

void CCameraGrid::Settle(int index, int64_t t, std::vector<IMediaEngine*>* settle) {
  if (!Prepare(index, t)) return;
  Source& cur = m_tiles[static_cast<size_t>(index)].cur;
  if (cur.bRunning) {
    cur.engine->Pause();
    cur.bRunning = false;
  }
  const int64_t pos = cur.frames.FrameStart(cur.frames.FrameAt(t)) - cur.frames.llStart;
  int64_t shown = -1;
  if (Succeeded(cur.engine->GetShownPosition(&shown)) && shown >= pos && shown < pos + cur.frames.llFrameTime) return;
  if (Succeeded(cur.engine->SetPositions(pos))) settle->push_back(cur.engine.get());
}

void CCameraGrid::SettleAll() {
  std::vector<IMediaEngine*> settle;
  for (int i = 0; i < TileCount(); ++i) Settle(i, m_clock.AnchorTime(), &settle);
  for (IMediaEngine* e : settle) e->StopWhenReady();
}

void CCameraGrid::StartAll() {
  const int64_t t = Now();
  for (Tile& tile : m_tiles) tile.nFailedRecord = -1;
  std::vector<int> ready;
  for (int i = 0; i < TileCount(); ++i)
    if (Prepare(i, t)) ready.push_back(i);
  // The lead counts from when every file is open.
  const int64_t due = m_clock.Run(SteadyNowNs(), m_dRate, kStartLeadNs);
  for (int i : ready) {
    Tile& tile = m_tiles[static_cast<size_t>(i)];
    tile.watch.Restart(due);
    tile.lastShown.reset();
    tile.cur.bRunning = Succeeded(tile.cur.engine->RunAt(t - tile.cur.frames.llStart, m_dRate, due, false));
  }
}

int64_t CCameraGrid::Join(int index, int64_t monoNow, bool keyOnly) {
  const int64_t due = monoNow + kResyncLeadNs;
  const int64_t t = m_clock.Now(due);
  if (!Prepare(index, t)) return due;
  Tile& tile = m_tiles[static_cast<size_t>(index)];
  tile.cur.bRunning = Succeeded(tile.cur.engine->RunAt(t - tile.cur.frames.llStart, m_dRate, due, keyOnly));
  return due;
}

int64_t CCameraGrid::Now() const { return m_clock.Now(SteadyNowNs()); }

void CCameraGrid::GoTo(int64_t t) {
  const bool playing = m_clock.IsRunning();
  m_clock.Set(t);
  for (Tile& tile : m_tiles) tile.nFailedRecord = -1;
  if (playing)
    StartAll();
  else
    SettleAll();
}

void CCameraGrid::Play() {
  if (!m_clock.IsRunning()) StartAll();
}

void CCameraGrid::Pause() {
  if (!m_clock.IsRunning()) return;
  m_clock.Pause(SteadyNowNs());
  for (Tile& tile : m_tiles) {
    for (Source* s : {&tile.cur, &tile.next}) {
      if (!s->bRunning) continue;
      s->engine->Pause();
      s->bRunning = false;
    }
  }
  SettleAll();
}

void CCameraGrid::SetRate(double rate) {
  if (!(rate > 0)) return;
  m_dRate = rate;
  if (m_clock.IsRunning()) StartAll();
}

bool CCameraGrid::Step(int direction) {
  if (direction == 0) return false;
  Pause();
  const int64_t t = m_clock.AnchorTime();
  std::vector<CameraFrames> cams;
  for (const Tile& tile : m_tiles) {
    if (!tile.camera) continue;
    CameraFrames c;
    c.seq = tile.pRecords->Sequence();
    c.nKnown = tile.cur.nRecord;
    c.known = tile.cur.frames;
    c.llFrameTime = tile.pRecords->FrameTime();
    cams.push_back(c);
  }
  const std::optional<int64_t> to = direction > 0 ? NextStepTime(cams, t) : PrevStepTime(cams, t);
  if (!to) return false;
  GoTo(*to);
  return true;
}

void CCameraGrid::Tick() {
  const int64_t now = SteadyNowNs();
  const int64_t t = m_clock.Now(now);
  for (int i = 0; i < TileCount(); ++i) {
    Tile& tile = m_tiles[static_cast<size_t>(i)];
    DrainEvents(i, tile.cur);
    DrainEvents(i, tile.next);
    if (m_clock.IsRunning() && tile.camera) TickTile(i, now, t);
  }
}

void CCameraGrid::DrainEvents(int index, Source& src) {
  if (!src.engine || !src.engine->IsLoaded()) return;
  int32_t code = 0;
  intptr_t p1 = 0, p2 = 0;
  while (Succeeded(src.engine->GetEvent(&code, &p1, &p2, 0))) {
    // The end of a file changes nothing: its last frame stays until the recording's end. An
    // error ends the picture of that recording.
    if (code == EC_ERRORABORT && &src == &m_tiles[static_cast<size_t>(index)].cur) {
      const char* reason = reinterpret_cast<const char*>(p2);
      const std::string path = m_tiles[static_cast<size_t>(index)].pRecords->FileOf(src.nRecord);
      m_tiles[static_cast<size_t>(index)].nFailedRecord = src.nRecord;
      SetState(index, TileState::kFailed, PlaybackErrorText(path, static_cast<HRESULT>(p1), reason ? reason : ""));
    }
    src.engine->FreeEventParams(code, p1, p2);
  }
}

void CCameraGrid::TickTile(int index, int64_t now, int64_t t) {
  Tile& tile = m_tiles[static_cast<size_t>(index)];
  const std::vector<TimelineSpan>& seq = tile.pRecords->Sequence();
  // The prepared recording takes over when its time has come.
  if (tile.next.nRecord >= 0 && t >= tile.next.frames.llStart) {
    std::swap(tile.cur, tile.next);
    Close(tile.next);
    tile.lastShown.reset();
    SetState(index, TileState::kPicture);
    if (onTileChanged) onTileChanged(index);
  }
  if (tile.cur.nRecord >= 0 && t >= tile.cur.frames.llEnd) {
    Close(tile.cur);
    SetState(index, TileState::kNoRecording);
  }
  // A recording that could not be played is told until its time is over.
  if (tile.state == TileState::kFailed && tile.cur.nRecord < 0 && RecordingAt(seq, t) != tile.nFailedRecord)
    SetState(index, TileState::kNoRecording);
  // The next recording is started ahead of its first frame.
  if (tile.next.nRecord < 0) {
    const int after = RecordingAfter(seq, t);
    if (after >= 0 && after != tile.nFailedRecord && after != tile.cur.nRecord) {
      const int64_t start = TicksOf(seq[static_cast<size_t>(after)].tStart);
      int64_t due = m_clock.MonoAt(start);
      if (due - now <= kPrepareAheadNs && Open(index, tile.next, after)) {
        int64_t pos = 0;
        if (due < now + kResyncLeadNs / 2) {
          // Late already (the open took long, or a jump landed just before it).
          due = now + kResyncLeadNs;
          pos = std::max<int64_t>(0, m_clock.Now(due) - start);
        }
        tile.next.bRunning = Succeeded(tile.next.engine->RunAt(pos, m_dRate, due, tile.watch.KeyFramesOnly()));
        if (tile.state == TileState::kFailed) SetState(index, tile.cur.nRecord >= 0 ? TileState::kPicture : TileState::kNoRecording);
      }
    }
  }
  if (!tile.cur.bRunning || tile.state != TileState::kPicture) return;
  int64_t pos = 0;
  if (Failed(tile.cur.engine->GetShownPosition(&pos))) return;
  const RecordFrames& f = tile.cur.frames;
  const int64_t shownStart = f.llStart + pos;
  const bool newFrame = tile.lastShown != shownStart;
  tile.lastShown = shownStart;
  // The last frame of a file shorter than its recording stays until the recording's end.
  const bool last = shownStart >= f.FrameStart(f.llFrames - 1);
  const int64_t lag = last ? std::min<int64_t>(0, PictureLag(t, shownStart, f.llFrameTime))
                           : PictureLag(t, shownStart, f.llFrameTime);
  if (now >= m_clock.AnchorMono()) {
    TileStats& s = tile.stats;
    ++s.nSamples;
    if (newFrame) ++s.nFramesShown;
    if (!last && FramesBehind(t, shownStart, f.llFrameTime) >= 2) ++s.nBehindTwo;
    s.llWorstLag = std::max(s.llWorstLag, lag);
    s.llWorstAhead = std::max(s.llWorstAhead, -std::min<int64_t>(0, lag));
  }
  const int64_t lagNs = lag > 0 ? static_cast<int64_t>(static_cast<double>(lag) * 100.0 / m_dRate) : 0;
  const DriftAction action = tile.watch.Judge(now, lagNs);
  if (action == DriftAction::kNone) return;
  const bool keyOnly = action == DriftAction::kKeyFramesOnly ||
                       (action == DriftAction::kResync && tile.watch.KeyFramesOnly());
  ++tile.stats.nResyncs;
  tile.stats.bKeyOnly = tile.stats.bKeyOnly || keyOnly;
  tile.watch.Resynced(now, Join(index, now, keyOnly), keyOnly);
}

TileState CCameraGrid::State(int tile) const {
  return tile >= 0 && tile < TileCount() ? m_tiles[static_cast<size_t>(tile)].state : TileState::kNoCamera;
}

const CameraEntry* CCameraGrid::Camera(int tile) const {
  if (tile < 0 || tile >= TileCount() || !m_tiles[static_cast<size_t>(tile)].camera) return nullptr;
  return &*m_tiles[static_cast<size_t>(tile)].camera;
}

const CCameraRecords* CCameraGrid::Records(int tile) const {
  return tile >= 0 && tile < TileCount() ? m_tiles[static_cast<size_t>(tile)].pRecords : nullptr;
}

IMediaEngine* CCameraGrid::Engine(int tile) const {
  if (State(tile) != TileState::kPicture) return nullptr;
  const Source& cur = m_tiles[static_cast<size_t>(tile)].cur;
  return cur.nRecord >= 0 ? cur.engine.get() : nullptr;
}

int CCameraGrid::Recording(int tile) const { return Engine(tile) ? m_tiles[static_cast<size_t>(tile)].cur.nRecord : -1; }

const std::string& CCameraGrid::FailureText(int tile) const {
  static const std::string kNone;
  return tile >= 0 && tile < TileCount() ? m_tiles[static_cast<size_t>(tile)].strFailure : kNone;
}

std::optional<int64_t> CCameraGrid::ShownFrameStart(int tile) const {
  IMediaEngine* e = Engine(tile);
  int64_t pos = 0;
  if (!e || Failed(e->GetShownPosition(&pos))) return std::nullopt;
  return m_tiles[static_cast<size_t>(tile)].cur.frames.llStart + pos;
}

int64_t CCameraGrid::FrameTime(int tile) const {
  return Engine(tile) ? m_tiles[static_cast<size_t>(tile)].cur.frames.llFrameTime : 0;
}

const TileStats& CCameraGrid::Stats(int tile) const {
  static const TileStats kNone;
  return tile >= 0 && tile < TileCount() ? m_tiles[static_cast<size_t>(tile)].stats : kNone;
}

void CCameraGrid::ResetStats() {
  for (Tile& t : m_tiles) t.stats = {};
}

}  // namespace vt
