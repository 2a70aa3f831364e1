#include "demo/demo_plan.h"

#include <cstdio>

#include "platform/local_time.h"
#include "platform/paths.h"
#include "recorddb/record_db.h"

namespace vt::demo {

namespace {

struct CameraSpec {
  int channel;
  const char* name;
  uint32_t sky;
  bool index;
  int days;     // the last `days` of the three demo days
  int perDay;   // recordings a day
};
// Camera 3 has no index, so the player's first open of it shows the rebuild.
constexpr CameraSpec kCameras[] = {
    {1, "Front door", 0x2f6db5, true, 3, 3},
    {2, "Yard", 0x2f8f4a, true, 3, 2},
    {3, "Garage", 0xc0702a, false, 2, 3},
};
constexpr int kDays = 3;

// Start times and lengths in seconds; each camera takes its own turn through them, shifted by
// a few minutes per channel so the cameras' lists differ.
struct Slot {
  int hour, minute, second, seconds;
};
constexpr Slot kSlots[] = {
    {7, 15, 20, 12}, {9, 42, 5, 8}, {13, 5, 40, 16}, {16, 30, 0, 20}, {18, 12, 33, 10},
};
constexpr int kSlotCount = sizeof kSlots / sizeof kSlots[0];

// The recording across midnight: camera 1, first demo day, 23:59:50 for 15 s.
constexpr Slot kMidnight = {23, 59, 50, 15};

// n events spread over the recording, each inside its span.
std::vector<EVENT_RECORD> PlanEvents(time32 start, int seconds, int n) {
  std::vector<EVENT_RECORD> events;
  const int slot = (seconds - 2) / n;
  for (int k = 0; k < n; ++k) {
    EVENT_RECORD e{};
    e.dwReserved = 1;
    e.tStart = start + 1 + k * slot;
    e.tEnd = e.tStart + (slot > 2 ? slot - 1 : 1);
    events.push_back(e);
  }
  return events;
}

}  // namespace

int DemoPlan::TotalSeconds() const {
  int total = 0;
  for (const DemoRecord& r : records) total += r.Seconds();
  return total;
}

std::string DemoRecordFileName(int channel, time32 start, time32 end, int kind) {
  LocalFields s, e;
  SplitLocalTime(start, &s);
  SplitLocalTime(end, &e);
  char name[40];
  std::snprintf(name, sizeof name, "%02d%02d%02d%02d%02d%02d%02d%d.avi", channel % 100, s.hour, s.minute, s.second,
                e.hour, e.minute, e.second, kind % 10);
  return name;
}

DemoPlan MakeDemoPlan(const std::string& dir, time32 now) {
  DemoPlan plan;
  plan.strDir = dir;
  LocalFields today;
  SplitLocalTime(now, &today);
  int counter = 0;
  for (const CameraSpec& spec : kCameras) {
    DemoCamera cam;
    cam.nChannel = spec.channel;
    cam.strName = spec.name;
    cam.strSite = kDemoSite;
    cam.rgbSky = spec.sky;
    char folder[16];
    std::snprintf(folder, sizeof folder, "camera%02d", spec.channel);
    cam.strFolder = JoinPath(JoinPath(dir, kRecordsFolder), folder);
    cam.bIndex = spec.index;
    const int camIndex = static_cast<int>(plan.cameras.size());
    plan.cameras.push_back(cam);

    auto add = [&](const LocalFields& day, const Slot& slot, int shiftMinutes, bool audio) {
      DemoRecord r;
      r.nCamera = camIndex;
      r.strDayFolder = CRecordDB::DayFolderName(cam.strFolder, day.year, day.month, day.day);
      r.tStart = MakeLocalTime(day.year, day.month, day.day, slot.hour, slot.minute + shiftMinutes, slot.second);
      r.tEnd = r.tStart + slot.seconds;
      r.nKind = counter % 2;
      r.bAudio = audio;
      r.events = PlanEvents(r.tStart, slot.seconds, 1 + counter % 3);
      r.strFileName = DemoRecordFileName(cam.nChannel, r.tStart, r.tEnd, r.nKind);
      plan.records.push_back(r);
      ++counter;
    };

    for (int back = spec.days; back >= 1; --back) {
      // Local noon of the day, so a daylight-saving change never moves the date.
      LocalFields day;
      SplitLocalTime(MakeLocalTime(today.year, today.month, today.day - back, 12, 0, 0), &day);
      for (int i = 0; i < spec.perDay; ++i) {
        const Slot& slot = kSlots[(i * 2 + spec.channel + back) % kSlotCount];
        // One recording with sound on the last day of cameras 1 and 2, for mute.
        add(day, slot, (spec.channel - 1) * 3, back == 1 && i == 0 && spec.channel <= 2);
      }
      if (spec.channel == 1 && back == kDays) add(day, kMidnight, 0, false);
    }
  }
  return plan;
}

std::string DemoIniText(const DemoPlan& plan) {
  std::string text;
  auto line = [&](const std::string& s) { text += s + "\r\n"; };
  char section[32];
  for (const DemoCamera& cam : plan.cameras) {
    std::snprintf(section, sizeof section, "[Storage_ch%02d]", cam.nChannel);
    line(section);
    line("sStoragePath=" + cam.strFolder);
    line("");
  }
  for (const DemoCamera& cam : plan.cameras) {
    std::snprintf(section, sizeof section, "[Preference_ch%02d]", cam.nChannel);
    line(section);
    line("sCameraName=" + cam.strName);
    line("");
  }
  line("[Preference]");
  line("fAutoPlay=1");
  line("fHasMask=0");
  return text;
}

}  // namespace vt::demo
