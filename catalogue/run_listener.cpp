// Starting a run's lines with a listener, and the listener of the window's run.
#include "catalogue/run_listener.h"

#include "platform/command_runner.h"
#include "platform/system_constants.h"

namespace catalogue {

RunListener& NoListener() {
  static RunListener nobody;
  return nobody;
}

void StartRunLine(platform::Processes& processes, RunStep step, std::string_view line,
                  const RunOptions& options, RunListener& listener) {
  platform::Handle kept = 0;
  std::uint32_t processId = 0;
  bool started = false;
  std::string reason;
  platform::TrapAndReport(
      [&] {
        processId = platform::RunCommandLine(processes, std::string(line), platform::kSwHide,
                                             options.keepProcesses ? &kept : nullptr);
        started = true;
      },
      [&](const std::string& why) { reason = why; });
  if (!started) {
    listener.LineNotStarted(step, line, reason);
    throw platform::Failure(reason);
  }
  listener.LineStarted(step, line, processId, kept);
}

}  // namespace catalogue
