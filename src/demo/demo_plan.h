// What the demo data set holds: cameras, day folders, recordings with their times, kinds,
// audio tracks and events. Plain data, computed without touching the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "playback/event_list.h"

namespace vt::demo {

constexpr int kDemoFps = 25;
constexpr int kDemoWidth = 352;
constexpr int kDemoHeight = 288;
constexpr const char* kDemoSite = "Demo site";
constexpr const char* kRecordsFolder = "records";

struct DemoCamera {
  int nChannel = 0;       // 1-16
  std::string strName;    // sCameraName, also text A of the trailer
  std::string strSite;    // text B of the trailer
  uint32_t rgbSky = 0;    // 0xRRGGBB, the camera's colour in its pictures
  std::string strFolder;  // storage folder (sStoragePath)
  bool bIndex = false;    // an rdb.ndx is written for it
};

struct DemoRecord {
  int nCamera = 0;  // index into DemoPlan::cameras
  std::string strDayFolder;
  std::string strFileName;  // XXhhmmssHHMMSSk.avi
  time32 tStart = 0;
  time32 tEnd = 0;  // tStart + duration; the name's end fields are this time
  int nKind = 0;
  bool bAudio = false;
  std::vector<EVENT_RECORD> events;  // inside [tStart, tEnd)

  std::string Path() const { return strDayFolder + "/" + strFileName; }
  int Seconds() const { return static_cast<int>(tEnd - tStart); }
  int Frames() const { return Seconds() * kDemoFps; }
};

struct DemoPlan {
  std::string strDir;
  std::vector<DemoCamera> cameras;
  std::vector<DemoRecord> records;
  int TotalSeconds() const;
};

// The data set for DIR on the three local days before the day of now.
DemoPlan MakeDemoPlan(const std::string& dir, time32 now);

// Record file name of a recording of channel on the local times start and end.
std::string DemoRecordFileName(int channel, time32 start, time32 end, int kind);

// vantor.ini of the plan, CR LF lines.
std::string DemoIniText(const DemoPlan& plan);

}  // namespace vt::demo
