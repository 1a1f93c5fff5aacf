// The monitor panel's once-a-second refresh: memory, load, processor and drive C:.
#pragma once

#include "platform/os.h"
#include "platform/toolkit.h"

namespace monitor {

struct MonitorControls {
  platform::Label totalMemory, availableMemory, memoryLoad, processor, driveTotal, driveFree,
      driveUsed;
  platform::ProgressBar availableMemoryBar, memoryLoadBar, driveFreeBar, driveUsedBar;
};

// One megabyte of the drive figures is 1,044,000 bytes: the panel has always shown
// drives in this unit, with one decimal.
inline constexpr double kBytesPerDriveTenth = 104400;

void OnMonitorTick(const MonitorControls& controls, platform::SystemInfo& info);

}  // namespace monitor
