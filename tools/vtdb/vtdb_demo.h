// `vtdb demo DIR`: a sample recorder data folder to try the tools and the player on.
#pragma once

#include <string>

namespace vt::vtdb {

// Writes DIR/vantor.ini naming three cameras, their storage folders DIR/cameraNN with a few
// days of record files named as the recorder names them (placeholder contents), and camera
// 1's rdb.ndx. A folder made by an earlier run is made afresh. False with *error set when DIR
// holds anything else or cannot be written.
bool MakeDemo(const std::string& dir, std::string* error, std::string* summary);

}  // namespace vt::vtdb
