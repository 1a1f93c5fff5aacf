// Measures brisko.exe against floor programs built by the same toolchain, side by side in
// one session, and prints medians:
//   start-up       process start to the disclaimer window shown (floor: floor_window.exe)
//   synchronous run the click on "Optimize" until its handler returns (floor: floor_run.exe)
//   working set    peak working set with the main window open (floor: floor_window.exe)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win32/driver.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

PROCESS_INFORMATION Start(const char* program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = program;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    std::fprintf(stderr, "cannot start %s\n", program);
    std::exit(1);
  }
  return process;
}

HWND WaitShown(const char* className) {
  for (;;) {
    if (HWND hwnd = driver::FindVisible(className)) return hwnd;
    ::Sleep(1);
  }
}

void End(PROCESS_INFORMATION& process, HWND window) {
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
}

double PeakWorkingSetKb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 7;
  std::vector<double> briskoStart, floorStart, briskoRun, floorRun, briskoPeak, floorPeak;

  for (int i = 0; i < repetitions; ++i) {
    double t0 = Now();
    PROCESS_INFORMATION floor = Start("C:\\brisko\\floor_window.exe");
    HWND floorWindow = WaitShown("BriskoFloor");
    floorStart.push_back(Now() - t0);
    ::Sleep(300);
    floorPeak.push_back(PeakWorkingSetKb(floor.hProcess));
    End(floor, floorWindow);

    t0 = Now();
    PROCESS_INFORMATION brisko = Start("C:\\brisko\\brisko.exe");
    HWND disclaimerWindow = WaitShown("BriskoDisclaimer");
    briskoStart.push_back(Now() - t0);
    driver::Click(driver::Control(disclaimerWindow, 1101));
    HWND main = WaitShown("BriskoMainWindow");
    ::Sleep(2500);  // a few monitor ticks
    briskoPeak.push_back(PeakWorkingSetKb(brisko.hProcess));
    driver::Click(driver::Control(main, 102));
    ::WaitForSingleObject(brisko.hProcess, 10000);
    ::CloseHandle(brisko.hProcess);
    ::CloseHandle(brisko.hThread);
  }

  PROCESS_INFORMATION floor = Start("C:\\brisko\\floor_run.exe");
  HWND floorWindow = WaitShown("BriskoFloorRun");
  HWND floorButton = driver::Control(floorWindow, 101);
  PROCESS_INFORMATION brisko = Start("C:\\brisko\\brisko.exe");
  driver::Click(driver::Control(WaitShown("BriskoDisclaimer"), 1101));
  HWND main = WaitShown("BriskoMainWindow");
  HWND optimize = driver::Control(main, 101), bar = driver::Control(main, 111);
  for (int i = 0; i < repetitions; ++i) {
    double t0 = Now();
    ::SendMessageA(floorButton, BM_CLICK, 0, 0);
    floorRun.push_back(Now() - t0);
    ::Sleep(3000);  // let its interpreters finish before the next measurement
    t0 = Now();
    ::SendMessageA(optimize, BM_CLICK, 0, 0);
    briskoRun.push_back(Now() - t0);
    while (!(::IsWindowEnabled(optimize) && driver::Position(bar) == 0)) ::Sleep(50);
    ::Sleep(2000);
  }
  driver::Click(driver::Control(main, 102));
  ::WaitForSingleObject(brisko.hProcess, 10000);
  End(floor, floorWindow);

  const auto line = [](const char* what, double ours, double theirs, const char* unit,
                       const char* target) {
    std::printf("%-22s brisko %9.1f %s   floor %9.1f %s   ratio %5.2f   %s\n", what, ours, unit,
                theirs, unit, ours / theirs, target);
  };
  std::printf("medians of %d repetitions\n", repetitions);
  line("start-up", Median(briskoStart), Median(floorStart), "ms", "(target <= 1.2)");
  line("synchronous run", Median(briskoRun), Median(floorRun), "ms", "(target <= 1.1)");
  line("peak working set", Median(briskoPeak), Median(floorPeak), "KB", "");
  return 0;
}
