// One Brisko per machine for a start from the desktop: a second start brings the window
// already open to the front instead of opening a second one.
#pragma once

#include "platform/start_up.h"

namespace app {

// True when this process holds the machine-wide lock and may open its windows. Otherwise
// another Brisko runs on this machine: its window has been brought to the front, or, when
// none can be found on this desktop (an unattended run, or Brisko open in another session),
// the user has been told.
bool ClaimForWindows(platform::StartUp& startUp);

}  // namespace app
