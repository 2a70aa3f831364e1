// The demo recorder data folder: vantor.ini naming three cameras, their storage folders with
// recordings made for the occasion (drawn clock, events and camera texts in each file), an
// index for cameras 1 and 2 and none for camera 3. Made once; later calls reuse it.
#pragma once

#include <functional>
#include <string>

#include "demo/demo_plan.h"

namespace vt::demo {

// Written last: the folder holds a complete data set.
constexpr const char* kDemoCompleteMarker = ".vtdemo-complete";
// Written first: the folder's content is ours and may be redone.
constexpr const char* kDemoStartedMarker = ".vtdemo-started";

// Files done of total, and the file just written.
using DemoProgress = std::function<void(int done, int total, const std::string& file)>;

// $XDG_CACHE_HOME/vtplayer-demo, or ~/.cache/vtplayer-demo.
std::string DefaultDemoFolder();

bool IsDemoDataComplete(const std::string& dir);

// Makes the data set in dir (created when missing) unless a complete one is there. A folder
// left by an interrupted run is redone; a non-empty folder that holds no demo data is refused.
// A relative dir is made absolute. Needs a QGuiApplication for the fonts; makes an offscreen
// one for the call when there is no application object (then call it on the main thread; with
// an application it may run on a worker thread: it paints only QImages). Blocks for the whole
// generation (about 10-25 s). False with the reason in *error.
bool GenerateDemoData(const std::string& dir, std::string* error, const DemoProgress& progress = {});
// The same for a given plan (its strDir is the folder).
bool GenerateDemoData(const DemoPlan& plan, std::string* error, const DemoProgress& progress = {});

}  // namespace vt::demo
