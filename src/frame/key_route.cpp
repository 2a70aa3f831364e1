#include "frame/key_route.h"

namespace vt {

bool RouteKeyToPlayer(const MainWindowKey& k) {
  if (k.key == 0 || k.busy || k.commandModifier || !k.playerTakes) return false;
  if (k.focus == KeyFocus::kOther) return false;
  return !(k.focus == KeyFocus::kTree && k.key == kVkDown);
}

}  // namespace vt
