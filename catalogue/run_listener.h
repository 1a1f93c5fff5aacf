// What each action of a run gave, told to whoever started the run. The window's run tells
// nobody and stays fire-and-forget; the unattended run keeps the started processes to wait
// for them and writes its log from these reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/os.h"

namespace catalogue {

struct RegistryTweak;

// The six steps of a run, in run order.
enum class RunStep {
  kCleanDiskAndDesktop,
  kStopAndDisableServices,
  kApplyRegistryTweaks,
  kEmptyRecycleBin,
  kDeleteTempFiles,
  kClearUrlHistory,
};

class RunListener {
 public:
  virtual ~RunListener() = default;

  // An unattended run keeps each started process (the listener then owns keptProcess and
  // closes it), and asks the system to show no progress while it empties the recycle bins:
  // nobody may be there to see it.
  virtual bool Unattended() const { return false; }

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

// Starts one hidden line of a run and tells the listener. A line that cannot be started
// still ends its step: the failure goes on to the step's trap.
void StartRunLine(platform::Processes& processes, RunStep step, std::string_view line,
                  RunListener& listener);

}  // namespace catalogue
