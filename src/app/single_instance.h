// Only one player runs per user: the first start takes the window class "VTPlayer" on the
// recorder link; a later start finds it, asks it to restore and raise its window, and ends.
#pragma once

#include <string>

#include "app/recorder_link.h"

namespace vt {

// Between the two looks for a running player.
inline constexpr int kSecondLookMs = 500;
// How long a start that lost the race to another start at the same moment waits for the
// winner's socket, to ask it to come forward.
inline constexpr int kHandOverMs = 3000;

enum class InstanceStart {
  kFirst,        // this process owns the class (listener listens)
  kOtherRuns,    // another player runs (it was asked to come forward); end this one
  kLinkUnusable  // the link folder or socket cannot be used: run without the test
};

// Looks for a running player, and once more after secondLookMs; when none answers, takes the
// class on listener at once, so that two starts at the same moment cannot both run. A stale
// class (its owner died) is taken over. *ownerText: what the running player left with
// SetOwnerText (its data folder), when another runs.
InstanceStart ClaimSingleInstance(CLinkListener* listener, int secondLookMs, int handOverMs,
                                  std::string* ownerText);

// The line a second start prints when it was asked to open a data folder (requested, not
// empty) other than the one the running player works on (running; empty when unknown); empty
// when they are the same folder.
std::string OtherInstanceNotice(const std::string& requested, const std::string& running);

}  // namespace vt
