// "Optimize": put the window into its running state and apply the six run steps.
#pragma once

#include "platform/os.h"
#include "platform/toolkit.h"
#include "run/run_controls.h"

namespace run {

// Saves the settings the run replaces, or asks whether to run without; then the running
// state and the six steps.
void OnOptimize(const RunControls& controls, platform::Os& os, const platform::Window& mainWindow,
                platform::ControlHost& toolkit);

}  // namespace run
