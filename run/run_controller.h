// "Optimize": put the window into its running state and apply the six run steps.
#pragma once

#include "platform/os.h"
#include "platform/toolkit.h"
#include "run/run_controls.h"

namespace run {

void OnOptimize(const RunControls& controls, platform::Os& os, const platform::Window& mainWindow);

}  // namespace run
