// The record index loader on arbitrary bytes: no crash, no allocation beyond the input's size,
// and whatever loads saves back to bytes that load again to the same hierarchy.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "recorddb/record_db.h"

namespace {

std::string Seed(int days, int recordsPerDay) {
  vt::CRecordDB db;
  db.NewEmpty();
  const vt::time32 base = 1210400000;  // 2008-05-10
  for (int d = 0; d < days; ++d)
    for (int r = 0; r < recordsPerDay; ++r) {
      vt::RDB_RECORD rec{};
      std::strcpy(rec.szFilePath, "D:\\rec\\ch01\\2008-05-10\\011020301120340.avi");
      rec.tStart = base + d * 86400 + r * 600;
      rec.tEnd = rec.tStart + 300;
      rec.qwSize = 1000 + static_cast<uint64_t>(r);
      rec.nKind = r & 1;
      db.AddRecord(nullptr, rec);
    }
  return vt::CRecordDB::Serialize(*db.GetIndex());
}

}  // namespace

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(Seed(0, 0));
  seeds->push_back(Seed(1, 1));
  seeds->push_back(Seed(3, 2));
  seeds->push_back(Seed(2, 17));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::CRecordDB db;
  if (!db.LoadFromBytes(data, size)) return 0;
  const std::string saved = vt::CRecordDB::Serialize(*db.GetIndex());
  if (saved.size() > size) std::abort();  // never more than what was read
  vt::CRecordDB again;
  if (!again.LoadFromBytes(saved.data(), saved.size())) std::abort();
  if (vt::CRecordDB::Serialize(*again.GetIndex()) != saved) std::abort();
  // Look-ups and the tree walk must cope with whatever the file claimed.
  const vt::RdbIndex& idx = *db.GetIndex();
  db.FindRecordAt(idx.header.tStart);
  db.FindRecordAt(static_cast<vt::time32>(static_cast<uint32_t>(idx.header.tEnd) - 1u));
  db.RemoveRecord(idx.header.tStart, false);
  db.ListDays();
  return 0;
}
