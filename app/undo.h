// brisko.exe /undo: puts back the settings a run replaced, from the file saved before it. From
// a script it shows nothing; from the Start menu (/ask) it asks first and says what it did.
#pragma once

#include "app/command_line.h"
#include "platform/os.h"
#include "platform/start_up.h"

namespace app {

// Takes the machine-wide lock, opens the log, reads the file (the one given, else the newest
// saved), asks with /ask, puts every setting back and writes the summary. Returns the exit
// code: 0 all put back, 1 a setting could not be, 2 no file or one that cannot be used
// (nothing changed), or another Brisko's.
int RunUndo(const Invocation& invocation, platform::Os& os, platform::StartUp& startUp);

}  // namespace app
