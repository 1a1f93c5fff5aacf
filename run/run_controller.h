// "Optimize": put the window into its running state and apply the six run steps.
#pragma once

#include "catalogue/run_listener.h"
#include "platform/os.h"
#include "platform/toolkit.h"
#include "run/run_controls.h"

namespace run {

void OnOptimize(const RunControls& controls, platform::Os& os, const platform::Window& mainWindow);

// The six run steps in their order, for the window and for the unattended run alike. Each
// step has its own trap; the listener hears what every action gave. mainWindow is the
// owner of the clipboard and of the recycle bin's dialogs: a window without a handle (0)
// when there is none.
void ApplyRunSteps(platform::Os& os, const platform::Window& mainWindow,
                   catalogue::RunListener& listener);

}  // namespace run
