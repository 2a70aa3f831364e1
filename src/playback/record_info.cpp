#include "playback/record_info.h"

#include <cstring>

#include "platform/win_types.h"
#include "playback/riff_reader.h"

namespace vt {

namespace {

uint32_t ReadWord(CRiffReader& file) {
  uint8_t b[4] = {0, 0, 0, 0};
  file.Read(b, 4);  // a short read leaves the rest 0
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}

std::string ReadTextField(CRiffReader& file) {
  char field[kCameraTextField] = {};
  file.Read(field, sizeof field);
  return std::string(field, strnlen(field, sizeof field));
}

}  // namespace

int ReadRecordInfo(CRiffReader& file, uint32_t* w1, uint32_t* w2, std::unique_ptr<CEventList>* events,
                   const WindowTitleFn& setTitle) {
  uint32_t W1 = 0, W2 = 0, W3 = 0;
  std::unique_ptr<CEventList> list;
  file.Seek(0);
  RiffChunk form;
  form.fccType = MakeFourCC('V', 'A', 'N', 'T');
  if (file.Descend(&form, nullptr, CRiffReader::kFindRiff)) {
    RiffChunk leng;
    leng.fccType = MakeFourCC('L', 'E', 'N', 'G');
    if (file.Descend(&leng, &form, CRiffReader::kFindList)) {
      W1 = ReadWord(file);
      W2 = ReadWord(file);
      W3 = ReadWord(file);
      file.Ascend(leng);
      bool ok = true;
      if (W3 != 0 && events) {
        RiffChunk even;
        even.fccType = MakeFourCC('E', 'V', 'E', 'N');
        if (file.Descend(&even, &form, CRiffReader::kFindList)) {
          list = std::make_unique<CEventList>();
          list->Read(file);  // kept even when empty after a failed read
          file.Ascend(even);
        } else {
          ok = false;
        }
      }
      if (ok) {
        RiffChunk came;
        came.fccType = MakeFourCC('C', 'A', 'M', 'E');
        if (file.Descend(&came, &form, CRiffReader::kFindList)) {
          ReadWord(file);
          const std::string a = ReadTextField(file);
          const std::string b = ReadTextField(file);
          file.Ascend(came);
          if (setTitle) setTitle(a.c_str(), b.c_str());
        } else if (setTitle) {
          setTitle("", "");
        }
      }
    }
  }
  if (w1) *w1 = W1;
  if (w2) *w2 = W2;
  if (events) *events = std::move(list);
  return 0;
}

int ReadRecordInfo(const std::string& path, uint32_t* w1, uint32_t* w2, std::unique_ptr<CEventList>* events,
                   const WindowTitleFn& setTitle) {
  CRiffReader file;
  if (!file.Open(path)) {
    if (w1) *w1 = 0;
    if (w2) *w2 = 0;
    if (events) events->reset();
    return 0;
  }
  return ReadRecordInfo(file, w1, w2, events, setTitle);
}

std::string ComposeWindowTitle(const std::string& title, const char* textA, const char* textB) {
  if (textA && textB) return title + " (" + textA + " - " + textB + ")";
  if (textA) return title + " (" + textA + ")";
  if (textB) return title + " (" + textB + ")";
  return title;
}

}  // namespace vt
