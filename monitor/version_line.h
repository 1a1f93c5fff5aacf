// The "OS VER :" line of the monitor panel, written once when the main window loads.
#pragma once

#include "platform/os.h"
#include "platform/toolkit.h"

namespace monitor {

void GetWindowsVersion(const platform::Label& versionLabel, platform::SystemInfo& info);

}  // namespace monitor
