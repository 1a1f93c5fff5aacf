// The other Brisko may be starting up, its window not shown yet, or ending, its lock about to
// be released; so the lock and the window are both tried for a few seconds before giving up.
#include "app/single_instance.h"

#include "app/control_ids.h"
#include "platform/system_constants.h"
#include "platform/trust.h"

namespace app {
namespace {
constexpr int kAttempts = 30;
constexpr std::uint32_t kPauseMs = 100;
}  // namespace

MachineClaim ClaimMachine(platform::StartUp& startUp) {
  const platform::LockAttempt attempt = startUp.TakeMachineLock();
  if (attempt.owned) return {Claim::kClaimed, ""};
  const std::string lock = "the machine-wide lock (" + attempt.where + " namespace)";
  if (attempt.error == 0) {
    // Every Brisko makes the lock owned by the administrators; in the Global namespace (2000,
    // XP) anyone may make an object of its name first and hold it for ever.
    if (platform::TrustedPrincipal(attempt.owner, startUp.Account())) return {Claim::kHeld, ""};
    return {Claim::kFailed,
            lock + " is held by an object that " +
                platform::OwnerName({.owner = attempt.owner, .ownerSid = attempt.ownerSid}) +
                " made, not by another Brisko"};
  }
  if (attempt.error == platform::kErrorAccessDenied) {
    return {Claim::kFailed, lock +
                                " may not be opened: another program made an object of "
                                "its name that Brisko may not use"};
  }
  if (attempt.error == platform::kErrorInvalidHandle) {
    return {Claim::kFailed, lock + " cannot be made: another kind of object already has its name"};
  }
  return {Claim::kFailed, lock + " cannot be had (error " + std::to_string(attempt.error) + ")"};
}

Claim ClaimForWindows(platform::StartUp& startUp) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const MachineClaim claim = ClaimMachine(startUp);
    if (claim.claim == Claim::kClaimed) return Claim::kClaimed;
    if (claim.claim == Claim::kFailed) {
      startUp.ShowNotice("Brisko cannot start: " + claim.reason + ".", "Brisko");
      return Claim::kFailed;
    }
    // Main window first, so that a disclaimer shown over it ends on top.
    const bool main = startUp.BringToFront(kMainWindowClass);
    const bool disclaimer = startUp.BringToFront(kDisclaimerWindowClass);
    if (main || disclaimer) return Claim::kHeld;
    startUp.Pause(kPauseMs);
  }
  startUp.ShowNotice(
      "Brisko is already running on this computer: an unattended run, or Brisko open for "
      "another user. Try again when it has finished.",
      "Brisko");
  return Claim::kHeld;
}

}  // namespace app
