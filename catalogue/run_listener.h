// What each action of a run gave, told to whoever started the run. A listener only listens:
// how the run is carried out is the caller's RunOptions (catalogue/run_steps.h). The
// window's run tells nobody and stays fire-and-forget; the unattended run writes its log
// from these reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/run_steps.h"
#include "platform/failure.h"
#include "platform/os.h"

namespace catalogue {

struct RegistryTweak;

class RunListener {
 public:
  virtual ~RunListener() = default;

  // keptProcess: the started process's handle when the run's options keep processes (the
  // listener then owns it and closes it), else 0.
  virtual void LineStarted(RunStep /*step*/, std::string_view /*line*/, std::uint32_t /*processId*/,
                           platform::Handle /*keptProcess*/) {}
  // The line could not be started; its step ends here, as it always has.
  virtual void LineNotStarted(RunStep /*step*/, std::string_view /*line*/,
                              const std::string& /*reason*/) {}
  // result: 0 when written, else the registry's error code.
  virtual void ValueWritten(const RegistryTweak& /*row*/, long /*result*/) {}
  // The write failed inside the program; the registry step ends here.
  virtual void ValueNotWritten(const RegistryTweak& /*row*/, const std::string& /*reason*/) {}
  virtual void WallpaperRemoved(bool /*accepted*/) {}
  // opened false: another program holds the clipboard, which then keeps its contents.
  virtual void ClipboardEmptied(bool /*opened*/, bool /*emptied*/) {}
  // The shell's result; an empty bin and a refused emptying look alike.
  virtual void RecycleBinEmptied(long /*result*/) {}
  virtual void UrlHistoryCleared(bool /*cleared*/) {}
  // A failure ended the step early; the run goes on with the next step.
  virtual void StepEnded(RunStep /*step*/, const std::string& /*reason*/) {}
};

// The window's listener: hears everything and keeps nothing.
RunListener& NoListener();

// A step's one error trap: the first failure abandons the rest of the step, and the
// listener hears why.
template <class Body>
void TrapStep(RunStep step, RunListener& listener, Body&& body) noexcept {
  platform::TrapAndReport(std::forward<Body>(body),
                          [&](const std::string& reason) { listener.StepEnded(step, reason); });
}

// Starts one hidden line of a run and tells the listener; with options.keepProcesses the
// process handle is kept for the listener. A line that cannot be started still ends its
// step: the failure goes on to the step's trap.
void StartRunLine(platform::Processes& processes, RunStep step, std::string_view line,
                  const RunOptions& options, RunListener& listener);

}  // namespace catalogue
