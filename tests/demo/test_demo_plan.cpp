#include "demo/demo_plan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include "common/scoped_tz.h"
#include "platform/local_time.h"
#include "platform/profile.h"
#include "recorddb/folder_scan.h"

namespace vt::demo {
namespace {

struct PlanCase {
  const char* tz;
  int year, month, day;  // "today"
  const char* firstDay;  // the oldest demo day
};

// Month and year boundaries, a spring-forward day inside the three days (Berlin 2026-03-29),
// and a zone whose clocks jumped at midnight (Sao Paulo 2018-11-04 had no 00:00).
const PlanCase kCases[] = {
    {"UTC", 2026, 3, 1, "2026-02-26"},
    {"UTC", 2026, 1, 2, "2025-12-30"},
    {"Europe/Berlin", 2026, 3, 31, "2026-03-28"},
    {"Europe/Berlin", 2026, 10, 27, "2026-10-24"},
    {"America/Sao_Paulo", 2018, 11, 6, "2018-11-03"},
};

std::string DayOfFolder(const std::string& dayFolder) { return dayFolder.substr(dayFolder.rfind('/') + 1); }

TEST(DemoPlan, CamerasDaysRecordsAndNamesParseBack) {
  for (const PlanCase& c : kCases) {
    SCOPED_TRACE(std::string(c.tz) + " " + std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day));
    test::ScopedTz tz(c.tz);
    const DemoPlan plan = MakeDemoPlan("/demo", MakeLocalTime(c.year, c.month, c.day, 9, 30, 0));

    ASSERT_EQ(plan.cameras.size(), 3u);
    std::set<std::string> names;
    for (size_t i = 0; i < plan.cameras.size(); ++i) {
      const DemoCamera& cam = plan.cameras[i];
      EXPECT_EQ(cam.nChannel, static_cast<int>(i) + 1);
      EXPECT_EQ(cam.strFolder.rfind("/demo/records/", 0), 0u) << cam.strFolder;
      EXPECT_FALSE(cam.strName.empty());
      EXPECT_FALSE(cam.strSite.empty());
      EXPECT_EQ(cam.bIndex, i < 2) << "cameras 1 and 2 have an index, camera 3 none";
      names.insert(cam.strName);
    }
    EXPECT_EQ(names.size(), 3u);

    std::map<int, std::set<std::string>> days;
    std::map<int, std::set<int>> kinds;
    std::map<int, std::vector<const DemoRecord*>> byCamera;
    int midnight = 0, audio = 0;
    for (const DemoRecord& r : plan.records) {
      SCOPED_TRACE(r.Path());
      ASSERT_GE(r.nCamera, 0);
      ASSERT_LT(r.nCamera, 3);
      const DemoCamera& cam = plan.cameras[static_cast<size_t>(r.nCamera)];
      EXPECT_EQ(r.strDayFolder.rfind(cam.strFolder + "/", 0), 0u);
      const std::string day = DayOfFolder(r.strDayFolder);
      days[r.nCamera].insert(day);
      kinds[r.nCamera].insert(r.nKind);
      byCamera[r.nCamera].push_back(&r);
      audio += r.bAudio;

      // The name read back with the folder scan's rules gives the planned span.
      char prefix[3];
      std::snprintf(prefix, sizeof prefix, "%02d", cam.nChannel);
      EXPECT_EQ(r.strFileName.substr(0, 2), prefix);
      RecordNameFields f;
      ASSERT_TRUE(ParseRecordFileName(r.strFileName, &f));
      int y = 0, m = 0, d = 0;
      ASSERT_TRUE(ParseDateFolderName(day, &y, &m, &d));
      time32 start = 0, end = 0;
      ASSERT_TRUE(RecordSpan(y, m, d, f, &start, &end));
      EXPECT_EQ(start, r.tStart);
      EXPECT_EQ(end, r.tEnd);
      EXPECT_EQ(f.kind, r.nKind);
      EXPECT_GE(r.Seconds(), 8);
      EXPECT_LE(r.Seconds(), 20);
      EXPECT_EQ(r.Frames(), r.Seconds() * kDemoFps);

      ASSERT_GE(r.events.size(), 1u);
      ASSERT_LE(r.events.size(), 3u);
      for (const EVENT_RECORD& e : r.events) {
        EXPECT_GE(e.tStart, r.tStart);
        EXPECT_LT(e.tStart, e.tEnd);
        EXPECT_LE(e.tEnd, r.tEnd);
      }
      if (f.endHour < f.startHour) {
        ++midnight;
        EXPECT_EQ(FormatLocalTime(r.tStart, "%H:%M:%S"), "23:59:50");
        EXPECT_EQ(r.Seconds(), 15);
        EXPECT_NE(FormatLocalTime(r.tEnd, "%Y-%m-%d"), day) << "ends on the next day";
        EXPECT_EQ(day, c.firstDay);
      }
    }
    EXPECT_EQ(midnight, 1);
    EXPECT_GE(audio, 2);
    EXPECT_LE(audio, 3);

    const time32 todayStart = MakeLocalTime(c.year, c.month, c.day, 0, 0, 0);
    for (int cam = 0; cam < 3; ++cam) {
      SCOPED_TRACE(cam);
      EXPECT_GE(days[cam].size(), 2u);
      EXPECT_LE(days[cam].size(), 3u);
      EXPECT_LE(*days[cam].rbegin(), FormatLocalTime(todayStart - 1, "%Y-%m-%d")) << "all before today";
      EXPECT_GE(*days[cam].begin(), std::string(c.firstDay));
      EXPECT_EQ(kinds[cam], (std::set<int>{0, 1}));
      // No recording starts inside another: the index would refuse it.
      auto& list = byCamera[cam];
      for (const DemoRecord* a : list)
        for (const DemoRecord* b : list) {
          if (a != b) {
            EXPECT_FALSE(b->tStart >= a->tStart && b->tStart < a->tEnd) << a->Path() << " " << b->Path();
          }
        }
    }
  }
}

TEST(DemoPlan, IniTextNamesCamerasAndPreferencesInCrLfLines) {
  const DemoPlan plan = MakeDemoPlan("/demo", MakeLocalTime(2026, 5, 10, 12, 0, 0));
  const std::string ini = DemoIniText(plan);
  for (size_t i = 0; i < ini.size(); ++i) {
    if (ini[i] == '\n') {
      ASSERT_TRUE(i > 0 && ini[i - 1] == '\r') << "bare LF at " << i;
    }
  }
  EXPECT_EQ(ProfileLookup(ini, "Storage_ch01", "sStoragePath", ""), "/demo/records/camera01");
  EXPECT_EQ(ProfileLookup(ini, "Storage_ch03", "sStoragePath", ""), "/demo/records/camera03");
  EXPECT_EQ(ProfileLookup(ini, "Preference_ch02", "sCameraName", ""), plan.cameras[1].strName);
  EXPECT_EQ(ProfileLookup(ini, "Storage_ch04", "sStoragePath", "none"), "none");
  EXPECT_EQ(ProfileLookup(ini, "Preference", "fAutoPlay", ""), "1");
  EXPECT_EQ(ProfileLookup(ini, "Preference", "fHasMask", ""), "0");
}

}  // namespace
}  // namespace vt::demo
