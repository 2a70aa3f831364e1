// The JSON reader and the manifest reader on arbitrary text: whatever parses must write out and
// read back the same, and a manifest that reads must write the same text again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/json.h"
#include "export/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vt::JsonValue v;
  if (vt::ParseJson(text, &v, nullptr)) {
    const std::string once = v.Write();
    vt::JsonValue back;
    if (!vt::ParseJson(once, &back, nullptr) || back.Write() != once) std::abort();
  }
  vt::ExportManifest m;
  if (vt::ManifestFromJson(text, &m, nullptr)) {
    const std::string once = vt::ManifestToJson(m);
    vt::ExportManifest again;
    if (!vt::ManifestFromJson(once, &again, nullptr) || vt::ManifestToJson(again) != once) std::abort();
  }
  return 0;
}

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(R"({"a": [1, -2, 3.5e2, true, false, null, "x\u00e9\ud83d\ude00"], "b": {}})");
  seeds->push_back(R"({"format": "vantor-export-manifest", "formatVersion": 1, "kind": "clip",
"program": {"name": "P", "version": "1"}, "exportedAt": "2008-05-10T10:20:30.000+02:00", "dataFolder": "/d",
"camera": {"channel": 1, "label": "C1:x", "folder": "c"},
"requested": {"from": "2008-05-10T10:20:30.000+02:00", "to": "2008-05-10T10:21:30.0400000Z"},
"exported": {"frameCount": 2, "firstFrame": "2008-05-10T08:20:30Z", "lastFrame": "2008-05-10T08:20:30.04Z",
"timestampOrigin": "2008-05-10T08:20:30Z", "audio": false}, "gaps": [{"from": "2008-05-10T08:20:31Z",
"to": "2008-05-10T08:20:32Z"}], "sources": [{"path": "c/a.avi", "indexPath": "D:\\c\\a.avi",
"recording": {"from": "2008-05-10T08:20:30Z", "to": "2008-05-10T08:21:30Z"}, "used": {"from":
"2008-05-10T08:20:30Z", "to": "2008-05-10T08:21:30Z"}, "status": "ok", "frames": 2, "size": 10, "sha256":
"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}], "output": {"file": "o.mkv", "size": 1,
"sha256": "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}})");
}
