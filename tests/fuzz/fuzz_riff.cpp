// Record-file private information from arbitrary bytes: the RIFF walk, the event list and the
// camera texts must stay inside the input.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playback/record_info.h"
#include "playback/riff_reader.h"
#include "playback/vant_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::CRiffReader file;
  file.OpenMemory(data, size);
  uint32_t w1 = 0, w2 = 0;
  std::unique_ptr<vt::CEventList> events;
  size_t titleLength = 0;
  vt::ReadRecordInfo(file, &w1, &w2, &events, [&](const char* a, const char* b) {
    titleLength = vt::ComposeWindowTitle("T", a, b).size();
  });
  if (titleLength > 1 + 2 + 64 + 3 + 64 + 1) __builtin_trap();
  if (events) {
    uint32_t i = 0, n = 0;
    while (const vt::EVENT_RECORD* e = events->GetNext(&i)) n += (e->tEnd >= e->tStart);
    if (static_cast<uint64_t>(events->GetCount()) * 12 > size) __builtin_trap();
  }
  return 0;
}

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  std::string avi = std::string("RIFF\x04\0\0\0AVI ", 12);
  vt::VantTrailer t;
  t.events = {{0, 100, 110}, {0, 200, 230}};
  t.textA = "Camera";
  t.textB = "Door";
  seeds->push_back(avi + vt::BuildVantForm(t));
  t.bCame = false;
  seeds->push_back(vt::BuildVantForm(t));
  t.w3 = 0;
  t.bCame = true;
  seeds->push_back(avi + vt::BuildVantForm(t));
}
