// One monitor tick's cost, measured inside a process that runs the real toolkit, system
// wrappers and handlers, as brisko.exe does: prints microseconds per tick.
#include <windows.h>

#include <cstdio>

#include "app/control_ids.h"
#include "app/program.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"

int main() {
  platform::win32::Win32Os os;
  platform::Os system{os, os, os, os, os};
  platform::win32::Win32Host host(::GetModuleHandleA(nullptr));
  app::Program program(host, system);
  program.Start();
  host.Click(app::disclaimer::kNextButton);
  for (int i = 0; i < 50; ++i) host.Tick(app::main_window::kMonitorTimer);
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  const int ticks = 2000;
  ::QueryPerformanceCounter(&start);
  for (int i = 0; i < ticks; ++i) host.Tick(app::main_window::kMonitorTimer);
  ::QueryPerformanceCounter(&end);
  std::printf("%.1f\n", (end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart / ticks);
  host.EndProgram();
  return 0;
}
