// The "OS VER :" line of the monitor panel, written once when the main window loads.
#pragma once

#include "platform/os.h"
#include "platform/toolkit.h"

namespace monitor {

// Writes "Windows Version : <major>.<minor> Built <build>" into the label.
void ShowWindowsVersion(const platform::Label& versionLabel, platform::SystemInfo& info);

// The one version query behind that line (GetVersionExA with the OSVERSIONINFOA size; its
// result is not examined), also used for the unattended run's log.
platform::VersionInfo QueryWindowsVersion(platform::SystemInfo& info);

}  // namespace monitor
