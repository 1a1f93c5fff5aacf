// The run of "Optimize", for the button and for /optimize alike: its six steps in their
// order, the names the unattended log gives them, how a caller wants it carried out, and
// the one function that applies them.
#pragma once

#include <array>
#include <string_view>

#include "platform/os.h"
#include "platform/toolkit.h"

namespace catalogue {

class RunListener;

enum class RunStep {
  kCleanDiskAndDesktop,
  kStopAndDisableServices,
  kApplyRegistryTweaks,
  kEmptyRecycleBin,
  kDeleteTempFiles,
  kClearUrlHistory,
};

struct RunStepName {
  RunStep step;
  std::string_view name;
};

// The steps in run order; ApplyRunSteps follows this table. PUBLIC: the names are the log's
// "step" field, which docs/deployment.md publishes and administrators' scripts read: never
// rename one.
inline constexpr std::array<RunStepName, 6> kRunSteps = {{
    {RunStep::kCleanDiskAndDesktop, "CleanDiskAndDesktop"},
    {RunStep::kStopAndDisableServices, "StopAndDisableServices"},
    {RunStep::kApplyRegistryTweaks, "ApplyRegistryTweaks"},
    {RunStep::kEmptyRecycleBin, "EmptyRecycleBin"},
    {RunStep::kDeleteTempFiles, "DeleteTempFiles"},
    {RunStep::kClearUrlHistory, "ClearUrlHistory"},
}};

std::string_view StepName(RunStep step);

// How the caller wants the run carried out. The window's run takes the defaults: it never
// waits for a line and lets the system show its progress while the bins empty. The
// unattended run keeps each started process, to wait for it (the listener then owns the
// handle it is told of and closes it), and shows nothing, as nobody may be there.
struct RunOptions {
  bool keepProcesses = false;
  bool showRecycleBinProgress = true;
};

// The six steps in their order. Each step has its own trap; the listener hears what every
// action gave. mainWindow owns the clipboard and the recycle bin's dialogs; a
// platform::Window() with no window has no handle (0).
void ApplyRunSteps(platform::Os& os, const platform::Window& mainWindow, const RunOptions& options,
                   RunListener& listener);

}  // namespace catalogue
