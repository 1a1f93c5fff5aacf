// The monitor panel's once-a-second refresh: memory, load, processor and drive C:.
#pragma once

#include "platform/os.h"
#include "platform/toolkit.h"

namespace monitor {

struct MonitorControls {
  platform::Label label1, label2, label3, label4, label5, label6, label7;
  platform::ProgressBar progressBar2, progressBar3, progressBar4, progressBar5;
};

// One megabyte of the drive figures is 1,044,000 bytes: the panel has always shown
// drives in this unit, with one decimal.
inline constexpr double kBytesPerDriveTenth = 104400;

void Timer1_Timer(const MonitorControls& controls, platform::SystemInfo& info);

}  // namespace monitor
