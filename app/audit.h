// brisko.exe /audit: is this machine still as a run left it? Read-only. A person gets one line
// per setting a run would change and a summary (a message box when started from the desktop);
// a fleet tool gets the exit code and, with /log, one record per setting.
#pragma once

#include "app/command_line.h"
#include "platform/os.h"
#include "platform/start_up.h"

namespace app {

// Learns from the machine-wide lock that no run is under way and lets go of it at once, opens
// the log, then reads and judges every setting a run makes, writing nothing. Returns the exit
// code: 0 every setting is as a run leaves it, 1 at least one differs or is absent, 2 the log
// cannot be written, the lock cannot be had or a setting could not be read, 1618 another
// Brisko is running.
int RunAudit(const Invocation& invocation, platform::Os& os, platform::StartUp& startUp);

}  // namespace app
