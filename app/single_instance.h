// One Brisko per machine: the machine-wide lock, told apart from a lock that cannot be had, and
// for a second start from the desktop the way to the window already open.
#pragma once

#include <string>

#include "platform/start_up.h"

namespace app {

enum class Claim {
  kClaimed,  // this Brisko holds the machine now
  kHeld,     // another Brisko holds it
  kFailed,   // the lock cannot be had at all: not another Brisko's (see reason)
};

struct MachineClaim {
  Claim claim = Claim::kFailed;
  std::string reason;  // kFailed: why, for the console, the log or a message box
};

// One attempt on the machine-wide lock. The lock's access list lets every Brisko (always an
// administrator or SYSTEM) open it, so a lock that cannot be opened, or a name that belongs to
// another kind of object, is someone else's doing and not "another Brisko is running".
MachineClaim ClaimMachine(platform::StartUp& startUp);

// The claim for a start from the desktop. Claimed: the windows may open. Held by another
// Brisko: its window has been brought to the front, or, when none can be found on this
// desktop (an unattended run, or Brisko open in another session), the user has been told.
// Failed: the user has been told why.
Claim ClaimForWindows(platform::StartUp& startUp);

}  // namespace app
