#include "app/single_instance.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace vt {
namespace {

constexpr int kHandOverPollMs = 20;

bool RaiseRunning() {
  if (!LinkFind(kClassPlayer)) return false;
  // A player that does not take the message (stopped, busy) still runs.
  LinkPost(kClassPlayer, kMsgSysCommand, kScRestore, 0);
  return true;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  std::string s = ec ? path : p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

InstanceStart ClaimSingleInstance(CLinkListener* listener, int secondLookMs, int handOverMs,
                                  std::string* ownerText) {
  for (int look = 0; look < 2; ++look) {
    if (look == 1) std::this_thread::sleep_for(std::chrono::milliseconds(secondLookMs));
    if (RaiseRunning()) {
      if (ownerText) *ownerText = LinkOwnerText(kClassPlayer);
      return InstanceStart::kOtherRuns;
    }
  }
  if (listener->Listen(kClassPlayer)) return InstanceStart::kFirst;
  if (!listener->HeldElsewhere()) return InstanceStart::kLinkUnusable;
  // Another start took the class a moment ago and makes its socket next.
  for (int waited = 0; waited < handOverMs && !RaiseRunning(); waited += kHandOverPollMs)
    std::this_thread::sleep_for(std::chrono::milliseconds(kHandOverPollMs));
  if (ownerText) *ownerText = LinkOwnerText(kClassPlayer);
  return InstanceStart::kOtherRuns;
}

std::string OtherInstanceNotice(const std::string& requested, const std::string& running) {
  if (requested.empty()) return {};
  if (running.empty())
    return "a player is already running; " + requested + " was not opened (close that player first)";
  if (Canonical(requested) == Canonical(running)) return {};
  return "a player is already running on " + running + "; " + requested +
         " was not opened (close that player first)";
}

}  // namespace vt
