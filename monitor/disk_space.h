// Total and free space of a volume in bytes, as currency amounts; 0 when not to be had.
#pragma once

#include <string>

#include "monitor/numbers.h"
#include "platform/os.h"

namespace monitor {

Currency GetDriveTotalSpace(platform::SystemInfo& info, const std::string& root);
// The free bytes of the whole volume, not only the part the calling user may use.
Currency GetDriveFreeSpace(platform::SystemInfo& info, const std::string& root);

}  // namespace monitor
