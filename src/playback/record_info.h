// The recorder's private information appended to a record file: a 'VANT' RIFF form behind the
// AVI form holding the lists 'LENG' (W1, W2, event flag), 'EVEN' (events) and 'CAME' (two
// camera texts), in that order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "playback/event_list.h"

namespace vt {

class CRiffReader;

constexpr size_t kCameraTextField = 64;

// Receives the two camera texts for the main window's caption; a null text is "not given".
using WindowTitleFn = std::function<void(const char* textA, const char* textB)>;

// Reads the private information of the record file at path. Each output may be null. The
// caption callback is called with the 'CAME' texts, or with two empty texts when the form has
// no 'CAME' list; it is not called when the form, its 'LENG' list or an announced 'EVEN' list
// is missing. Always returns 0.
int ReadRecordInfo(const std::string& path, uint32_t* w1, uint32_t* w2, std::unique_ptr<CEventList>* events,
                   const WindowTitleFn& setTitle);
// The same on an opened reader (whole file or memory block), read from its start.
int ReadRecordInfo(CRiffReader& file, uint32_t* w1, uint32_t* w2, std::unique_ptr<CEventList>* events,
                   const WindowTitleFn& setTitle);

// Caption text: title + " (" A " - " B ")" with both, " (" A ")" or " (" B ")" with one, title
// alone with none. An empty text counts as given.
std::string ComposeWindowTitle(const std::string& title, const char* textA, const char* textB);

}  // namespace vt
