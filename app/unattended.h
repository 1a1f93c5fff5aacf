// brisko.exe started with switches: the usage, a refused command line, or the unattended
// run of "Optimize" with its log. Never a window, never a question: nobody may be there.
#pragma once

#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "platform/os.h"
#include "platform/start_up.h"

namespace app {

// How long the unattended run waits, in all, for the lines it started (defrag can be slow).
inline constexpr std::uint32_t kWaitLimitMs = 30 * 60 * 1000;

// /? and a refused command line: the text goes to the caller's console, if any. Returns the
// exit code.
int AnswerCommandLine(const Invocation& invocation, platform::StartUp& startUp);

// /optimize: takes the machine-wide lock, opens the log, saves the settings the run replaces
// (unless /nobackup), runs the six steps as the button does, waits for every line it started
// up to waitLimitMs, writes the summary. Returns the exit code.
int RunOptimize(const Invocation& invocation, platform::Os& os, platform::StartUp& startUp,
                std::uint32_t waitLimitMs = kWaitLimitMs);

}  // namespace app
