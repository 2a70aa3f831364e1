// The process-wide wait cursor: on keeps the cursor it replaces, unless it is already on; off
// puts that cursor back, if any. GUI thread only.
#pragma once

namespace vt {

void WaitCursor(bool on);
bool IsWaitCursorOn();

}  // namespace vt
