// Starting a command line as a new process, hidden or shown, without waiting for it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace platform {

// Starts commandLine, unchanged, through the system's own native cmd.exe with the system
// directory as current folder, and returns the new process's id at once. Throws Failure when
// no process could be started. windowState is kSwHide or kSwShowNormal (system_constants.h).
// With keptProcess, the process handle is kept there for a caller that waits for the line.
std::uint32_t RunCommandLine(Processes& processes, const std::string& commandLine, int windowState,
                             Handle* keptProcess = nullptr);

}  // namespace platform
