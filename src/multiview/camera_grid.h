// The side-by-side grid without its window: up to 16 tiles, each showing its camera's picture at
// the time of one common clock through media engines of its own. Play, pause, rate, go to time
// and frame steps act on the clock and every tile follows: a playing tile renders each frame
// when the clock reaches it (RunAt), switches recordings at their ends and beginnings by
// starting the next file ahead of its moment in a second engine, and is sought alone when it
// falls behind; a paused tile shows the frame that covers the clock's time.
//
// Threads: GUI thread only. Engines post their frame notifications from their own threads.
// Blocking: opening a file and settling a pause wait for the engines (tens of ms each).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "multiview/camera_records.h"
#include "multiview/common_clock.h"
#include "multiview/drift_watch.h"
#include "playback/media_engine.h"

namespace vt {

// The clock holds still this long when it starts or changes rate, so that every tile has sought
// its frame before the first one is due.
inline constexpr int64_t kStartLeadNs = 250'000'000;
// A tile sought alone (it fell behind, or joined while playing) starts this far ahead.
inline constexpr int64_t kResyncLeadNs = 300'000'000;
// A recording that begins while playing is opened this long before its first frame is due.
inline constexpr int64_t kPrepareAheadNs = 1'500'000'000;

enum class TileState { kNoCamera, kNoRecording, kPicture, kFailed };

// How one tile kept up while playing (for the drift report and the benchmark).
struct TileStats {
  int64_t nSamples = 0;       // looks while playing
  int64_t nBehindTwo = 0;     // looks with the picture two or more frames behind the clock
  int64_t llWorstLag = 0;     // clock time (100 ns) the picture stayed past its frame's end
  int64_t llWorstAhead = 0;   // clock time (100 ns) the picture was ahead of the clock
  int64_t nFramesShown = 0;   // pictures that changed while playing
  int nResyncs = 0;
  bool bKeyOnly = false;      // fell back to key frames
};

class CCameraGrid {
 public:
  using EngineFactory = std::function<std::unique_ptr<IMediaEngine>()>;
  explicit CCameraGrid(EngineFactory makeEngine);
  ~CCameraGrid();
  CCameraGrid(const CCameraGrid&) = delete;
  CCameraGrid& operator=(const CCameraGrid&) = delete;

  // The camera of every tile (none: an empty tile); the tile count is the list's size.
  void SetCameras(const std::vector<std::optional<CameraEntry>>& cameras);
  // Reads every camera's index again (after the record database changed).
  void ReloadRecords();
  int TileCount() const { return static_cast<int>(m_tiles.size()); }
  // Frame arrival of the tile's engines is posted to target as msg.
  void SetFrameNotify(int tile, IMessageTarget* target, uint32_t msg);
  // Told when a tile's state or picture source changed (repaint it).
  std::function<void(int tile)> onTileChanged;

  // The clock.
  int64_t Now() const;
  bool IsPlaying() const { return m_clock.IsRunning(); }
  double Rate() const { return m_dRate; }
  void GoTo(int64_t t);
  void Play();
  void Pause();
  void SetRate(double rate);
  // Next (+1) or previous (-1) frame of the grid; false when there is none that way.
  bool Step(int direction);
  // While playing: switches recordings, seeks tiles that fell behind, keeps the statistics.
  // Call every few tens of ms.
  void Tick();

  // Tiles.
  TileState State(int tile) const;
  const CameraEntry* Camera(int tile) const;
  const CCameraRecords* Records(int tile) const;
  // The engine whose picture the tile shows; null when none.
  IMediaEngine* Engine(int tile) const;
  // Index of the recording shown in the camera's sequence, -1 when none.
  int Recording(int tile) const;
  const std::string& FailureText(int tile) const;
  // Common time of the frame on screen; none without a picture.
  std::optional<int64_t> ShownFrameStart(int tile) const;
  // Frame time of the recording shown (100 ns); 0 without a picture.
  int64_t FrameTime(int tile) const;
  const TileStats& Stats(int tile) const;
  void ResetStats();

 private:
  struct Source {
    std::unique_ptr<IMediaEngine> engine;
    int nRecord = -1;
    RecordFrames frames;
    bool bRunning = false;
  };
  struct Tile {
    std::optional<CameraEntry> camera;
    CCameraRecords* pRecords = nullptr;
    Source cur, next;
    TileState state = TileState::kNoCamera;
    std::string strFailure;
    int nFailedRecord = -1;  // not tried again until the next start or go to
    CDriftWatch watch;
    TileStats stats;
    std::optional<int64_t> lastShown;
    IMessageTarget* pTarget = nullptr;
    uint32_t nMsg = 0;
  };

  CCameraRecords* RecordsFor(const CameraEntry& camera);
  void SetState(int index, TileState state, std::string failure = {});
  bool Open(int index, Source& src, int record);
  void Close(Source& src);
  // Makes cur the source of the recording at t (opening it when needed); false when none.
  bool Prepare(int index, int64_t t);
  // Paused: shows the frame that covers t; an engine that had to seek is added to settle.
  void Settle(int index, int64_t t, std::vector<IMediaEngine*>* settle);
  void SettleAll();
  void StartAll();
  // Starts one tile while the others play, at where the clock will be a moment later; on key
  // frames only when keyOnly. Returns when its first frame is due.
  int64_t Join(int index, int64_t monoNow, bool keyOnly);
  void TickTile(int index, int64_t monoNow, int64_t t);
  void DrainEvents(int index, Source& src);

  EngineFactory m_makeEngine;
  CCommonClock m_clock;
  double m_dRate = 1.0;
  std::vector<Tile> m_tiles;
  std::map<std::string, std::unique_ptr<CCameraRecords>> m_records;  // by camera folder
};

}  // namespace vt
