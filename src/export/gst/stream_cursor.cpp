#include "export/gst/stream_cursor.h"

#include "export/avi_streams.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace vt {

namespace {

constexpr int64_t kNsPerTick = 100;

bool SameField(const GstStructure* a, const GstStructure* b, const char* field) {
  const GValue* va = gst_structure_get_value(a, field);
  const GValue* vb = gst_structure_get_value(b, field);
  if (!va || !vb) return va == vb;
  return gst_value_compare(va, vb) == GST_VALUE_EQUAL;
}

std::string CapsText(GstCaps* caps) {
  gchar* s = gst_caps_to_string(caps);
  std::string out = s ? s : "";
  g_free(s);
  return out;
}

}  // namespace

CStreamCursor::CStreamCursor(const SpanPlan& plan, MediaTrack track, std::vector<PieceOutcome>* results,
                             const std::atomic<bool>* cancel)
    : m_plan(plan), m_track(track), m_pResults(results), m_pCancel(cancel), m_leadStart(INT64_MAX) {}

CStreamCursor::~CStreamCursor() {
  for (StreamItem& i : m_gop) gst_buffer_unref(i.buffer);
  for (StreamItem& i : m_ready) gst_buffer_unref(i.buffer);
  if (m_pCaps) gst_caps_unref(m_pCaps);
}

void CStreamCursor::Fail(size_t index, SourceStatus status, const std::string& message) {
  PieceOutcome& r = (*m_pResults)[index];
  if (m_track == MediaTrack::kVideo) {
    r.status = status;
    r.message = message;
  } else if (r.status == SourceStatus::kOk) {
    r.message = "sound left out: " + message;
  }
}

bool CStreamCursor::Compatible(GstCaps* caps) const {
  const GstStructure* a = gst_caps_get_structure(m_pCaps, 0);
  const GstStructure* b = gst_caps_get_structure(caps, 0);
  if (!gst_structure_has_name(b, gst_structure_get_name(a))) return false;
  if (m_track == MediaTrack::kVideo) return SameField(a, b, "width") && SameField(a, b, "height");
  return SameField(a, b, "rate") && SameField(a, b, "channels") && SameField(a, b, "format");
}

bool CStreamCursor::OpenPiece(size_t index) {
  const SpanPiece& p = m_plan.pieces[index];
  m_target = p.from;
  if (m_track == MediaTrack::kAudio && index == 0) m_target = std::min(p.from, m_leadStart);
  struct stat st {};
  if (::stat(p.path.c_str(), &st) != 0) {
    Fail(index, SourceStatus::kMissing, std::strerror(errno));
    return false;
  }
  // A recording whose header names no sound is not opened for it.
  AviStreams streams;
  if (m_track == MediaTrack::kAudio && ReadAviStreams(p.path, &streams) && streams.audio == 0) return false;
  if (!m_pReader) m_pReader = std::make_unique<CDemuxReader>();
  std::string error;
  const int64_t seekNs = std::max<int64_t>(0, m_target - p.recordStart) * kNsPerTick;
  switch (m_pReader->Open(p.path, m_track, seekNs, m_pCancel, &error)) {
    case CDemuxReader::kOpened:
      m_bOpen = true;
      m_bKeySeen = m_track == MediaTrack::kAudio;
      return true;
    case CDemuxReader::kNoStream:
      if (m_track == MediaTrack::kVideo) Fail(index, SourceStatus::kUnplayable, "no video stream");
      return false;
    case CDemuxReader::kFailed:
    default:
      if (m_pCancel && m_pCancel->load()) {
        m_bCancelled = true;
        return false;
      }
      Fail(index, SourceStatus::kUnplayable, error);
      return false;
  }
}

void CStreamCursor::FinishPiece() {
  if (m_pReader) m_pReader->Close();
  m_bOpen = false;
  ++m_piece;
  for (StreamItem& i : m_gop) gst_buffer_unref(i.buffer);
  m_gop.clear();
  m_bKeySeen = false;
}

void CStreamCursor::Take(GstBuffer* buffer, WallTime wall, WallTime duration) {
  PieceOutcome& r = (*m_pResults)[m_piece];
  if (m_track == MediaTrack::kVideo) {
    if (r.frames++ == 0) r.firstFrame = wall;
    r.lastFrame = wall;
    r.lastFrameEnd = wall + duration;
  } else {
    r.audio = true;
  }
  m_ready.push_back({buffer, wall, duration, m_piece});
}

bool CStreamCursor::Next(StreamItem* item) {
  for (;;) {
    if (!m_ready.empty()) {
      *item = m_ready.front();
      m_ready.pop_front();
      return true;
    }
    if (m_bCancelled || (m_pCancel && m_pCancel->load())) {
      m_bCancelled = true;
      return false;
    }
    if (!m_bOpen) {
      if (m_piece >= m_plan.pieces.size()) return false;
      if (!OpenPiece(m_piece) && !m_bCancelled) ++m_piece;
      continue;
    }
    GstSample* sample = nullptr;
    std::string error;
    const CDemuxReader::PullResult pr = m_pReader->Pull(&sample, m_pCancel, &error);
    if (pr == CDemuxReader::kError) {
      if (m_pCancel && m_pCancel->load()) {
        m_bCancelled = true;
        return false;
      }
      const int64_t taken = (*m_pResults)[m_piece].frames;
      Fail(m_piece, SourceStatus::kUnplayable,
           m_track == MediaTrack::kVideo ? "read stopped after " + std::to_string(taken) + " frames: " + error : error);
      FinishPiece();
      continue;
    }
    if (pr == CDemuxReader::kEnd) {
      FinishPiece();
      continue;
    }
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!m_pCaps && caps) {
      m_pCaps = gst_caps_ref(caps);
    } else if (caps && !Compatible(caps)) {
      Fail(m_piece, SourceStatus::kUnplayable,
           std::string(m_track == MediaTrack::kVideo ? "picture" : "sound") +
               " format differs from the first recording's (" + CapsText(caps) + ")");
      gst_sample_unref(sample);
      FinishPiece();
      continue;
    }
    GstBuffer* buffer = gst_buffer_ref(gst_sample_get_buffer(sample));
    gst_sample_unref(sample);
    const SpanPiece& p = m_plan.pieces[m_piece];
    // The AVI demuxer times only key frames of MPEG-4 by presentation; the others carry their
    // decoding time, which is the same for streams without reordered frames.
    const GstClockTime t = GST_BUFFER_PTS_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) : GST_BUFFER_DTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(t)) {
      gst_buffer_unref(buffer);
      continue;
    }
    const WallTime wall = p.recordStart + static_cast<WallTime>(t) / kNsPerTick;
    const WallTime duration =
        GST_BUFFER_DURATION_IS_VALID(buffer) ? static_cast<WallTime>(GST_BUFFER_DURATION(buffer)) / kNsPerTick : 0;
    if (wall >= p.to) {
      gst_buffer_unref(buffer);
      FinishPiece();
      continue;
    }
    if (m_track == MediaTrack::kAudio) {
      if (wall + duration <= m_target || (duration == 0 && wall < m_target)) {
        gst_buffer_unref(buffer);
        continue;
      }
      Take(buffer, wall, duration);
      continue;
    }
    const bool key = !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    if (!m_bKeySeen && !key) {
      gst_buffer_unref(buffer);
      continue;
    }
    m_bKeySeen = true;
    if (wall < m_target) {
      // Before the window: keep the pictures from the last key frame on, which the first
      // picture of the window needs.
      if (key) {
        for (StreamItem& i : m_gop) gst_buffer_unref(i.buffer);
        m_gop.clear();
      }
      m_gop.push_back({buffer, wall, duration, m_piece});
      continue;
    }
    while (!m_gop.empty()) {
      const StreamItem g = m_gop.front();
      m_gop.pop_front();
      Take(g.buffer, g.wall, g.duration);
    }
    Take(buffer, wall, duration);
  }
}

}  // namespace vt
