// One monitor tick's cost, measured inside a process that runs the real toolkit, system
// wrappers and handlers, as brisko.exe does. Ticks follow each other at once here, so the
// figures are moved a little on every tick, as they move from one second to the next on a
// machine in use (otherwise nothing on the panel would change and a tick would cost less than
// it does in brisko.exe). Prints the median and the mean of 2,000 ticks in microseconds: the
// median is what a tick costs, the mean adds whatever else the machine did meanwhile.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/control_ids.h"
#include "app/program.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"

namespace {

// The real queries, with a few megabytes of memory and some hundred kilobytes of drive C:
// coming and going between ticks.
class MachineInUse : public platform::win32::Win32Os {
 public:
  platform::RuntimeCall GlobalMemoryStatusEx(platform::MemoryStatusEx* status) override {
    const platform::RuntimeCall result = Win32Os::GlobalMemoryStatusEx(status);
    status->availPhys -= (memoryTick_++ % 7) * 3 * 1048576ull;
    return result;
  }
  platform::RuntimeCall QueryDiskFreeSpaceEx(const std::string& root,
                                             std::uint64_t* availableToCaller, std::uint64_t* total,
                                             std::uint64_t* totalFree) override {
    const platform::RuntimeCall result =
        Win32Os::QueryDiskFreeSpaceEx(root, availableToCaller, total, totalFree);
    const std::uint64_t written = (diskQuery_++ / 8 % 5) * 150000;  // the same within a tick
    *availableToCaller -= written;
    *totalFree -= written;
    return result;
  }

 private:
  unsigned memoryTick_ = 0, diskQuery_ = 0;
};

}  // namespace

int main() {
  MachineInUse os;
  platform::win32::Win32Files files;
  platform::Os system{os, os, os, os, os, files};
  platform::win32::Win32Host host(::GetModuleHandleA(nullptr));
  app::Program program(host, system);
  program.Start();
  host.Click(app::disclaimer::kNextButton);
  for (int i = 0; i < 50; ++i) host.Tick(app::main_window::kMonitorTimer);
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> ticks(2000);
  for (double& tick : ticks) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    host.Tick(app::main_window::kMonitorTimer);
    ::QueryPerformanceCounter(&end);
    tick = (end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart;
  }
  double total = 0;
  for (double tick : ticks) total += tick;
  std::nth_element(ticks.begin(), ticks.begin() + ticks.size() / 2, ticks.end());
  std::printf("%.1f %.1f\n", ticks[ticks.size() / 2], total / ticks.size());
  host.EndProgram();
  return 0;
}
