// The other Brisko may be starting up, its window not shown yet, or ending, its lock about to
// be released; so the lock and the window are both tried for a few seconds before giving up.
#include "app/single_instance.h"

#include "app/control_ids.h"

namespace app {
namespace {
constexpr int kAttempts = 30;
constexpr std::uint32_t kPauseMs = 100;
}  // namespace

bool ClaimForWindows(platform::StartUp& startUp) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (startUp.ClaimMachine()) return true;
    // Main window first, so that a disclaimer shown over it ends on top.
    const bool main = startUp.BringToFront(kMainWindowClass);
    const bool disclaimer = startUp.BringToFront(kDisclaimerWindowClass);
    if (main || disclaimer) return false;
    startUp.Pause(kPauseMs);
  }
  startUp.ShowNotice(
      "Brisko is already running on this computer: an unattended run, or Brisko open for "
      "another user. Try again when it has finished.",
      "Brisko");
  return false;
}

}  // namespace app
