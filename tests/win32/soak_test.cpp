// Soak: 10,000 monitor ticks and five whole runs must leave no kernel handle, GDI object or
// window behind, and brisko.exe must stay responsive and end cleanly. Run through
// scripts/test.
//
// Wine answers 0 to GetProcessHandleCount and GetGuiResources, so the counts come from
// probes inside the test process, where the real toolkit and system wrappers run the same
// handlers: Wine hands out the lowest free kernel handle and GDI slot, so the next handle
// or slot climbs with every leaked one. Across processes only windows can be counted.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/control_ids.h"
#include "app/program.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"
#include "tests/win32/driver.h"

namespace {

using namespace app;

struct Figures {
  std::uintptr_t nextHandle = 0;  // the value the next kernel handle gets
  unsigned nextGdiSlot = 0;       // the slot the next GDI object gets
  int windows = 0;                // windows of the measured process
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

struct WindowCount {
  DWORD process;
  int count;
};

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM data) {
  auto* windows = reinterpret_cast<WindowCount*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner == windows->process) {
    ++windows->count;
    ::EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(&windows->count));
  }
  return TRUE;
}

int WindowsOf(DWORD process) {
  WindowCount windows{process, 0};
  ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
  return windows.count;
}

Figures Measure(DWORD process) {
  Figures figures;
  HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ::CloseHandle(event);
  figures.nextHandle = reinterpret_cast<std::uintptr_t>(event);
  HBRUSH brush = ::CreateSolidBrush(0);
  ::DeleteObject(brush);
  figures.nextGdiSlot = reinterpret_cast<std::uintptr_t>(brush) & 0xFFFF;
  figures.windows = WindowsOf(process);
  return figures;
}

void Report(const char* when, const Figures& figures) {
  std::printf("%-30s next handle 0x%04lx  next GDI slot %4u  windows %3d\n", when,
              static_cast<unsigned long>(figures.nextHandle), figures.nextGdiSlot, figures.windows);
}

// Wine's own threads and caches move the probes by a few either way; a leak in a tick or
// in a started line would move them by thousands.
void ExpectFlat(const Figures& before, const Figures& after, const char* what) {
  EXPECT_LE(after.nextHandle, before.nextHandle + 8 * 4) << what << ": kernel handles leaked";
  EXPECT_LE(after.nextGdiSlot, before.nextGdiSlot + 100) << what << ": GDI objects leaked";
  EXPECT_EQ(after.windows, before.windows) << what << ": windows leaked";
}

TEST(Soak, HandlersInThisProcessLeaveNothingBehind) {
  platform::win32::Win32Os os;
  platform::win32::Win32Files files;
  platform::Os system{os, os, os, os, os, files};
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  {
    platform::win32::Win32Host host(::GetModuleHandleA(nullptr));
    Program program(host, system);
    program.Start();
    host.Click(disclaimer::kNextButton);
    // First use of every path: libraries, COM and the shell keep what they load.
    const auto run = [&] {
      host.Click(main_window::kOptimizeButton);
      for (int tick = 0; tick < 101; ++tick) host.Tick(main_window::kRunProgressTimer);
    };
    for (int i = 0; i < 20; ++i) host.Tick(main_window::kMonitorTimer);
    run();
    ASSERT_TRUE(driver::WaitLinesEnded());
    const Figures start = Measure(::GetCurrentProcessId());
    Report("in process, after start-up", start);

    for (int i = 0; i < 10000; ++i) host.Tick(main_window::kMonitorTimer);
    const Figures ticked = Measure(::GetCurrentProcessId());
    Report("in process, 10,000 ticks", ticked);
    ExpectFlat(start, ticked, "monitor ticks");

    for (int i = 0; i < 5; ++i) {
      run();
      ASSERT_TRUE(host.State(main_window::kOptimizeButton).enabled) << "run " << i;
    }
    ASSERT_TRUE(driver::WaitLinesEnded());
    const Figures ran = Measure(::GetCurrentProcessId());
    Report("in process, 5 runs", ran);
    ExpectFlat(start, ran, "runs");
    host.EndProgram();
  }
  ::CoUninitialize();
}

TEST(Soak, BriskoStaysResponsiveAndEndsCleanly) {
  PROCESS_INFORMATION process{};
  HWND disclaimerWindow = driver::StartBrisko(&process);
  ASSERT_NE(disclaimerWindow, nullptr);
  driver::Click(driver::Control(disclaimerWindow, disclaimer::kNextButton));
  HWND main = driver::WaitWindow("BriskoMainWindow");
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(driver::WaitGone("BriskoDisclaimer"));
  const int windows = WindowsOf(process.dwProcessId);
  std::printf("brisko.exe after start-up: %d windows\n", windows);

  const DWORD before = ::GetTickCount();
  for (int i = 0; i < 10000; ++i) ::SendMessageA(main, WM_TIMER, main_window::kMonitorTimer, 0);
  std::printf("brisko.exe, 10,000 ticks sent across processes: %lu ms, %d windows\n",
              ::GetTickCount() - before, WindowsOf(process.dwProcessId));
  EXPECT_EQ(WindowsOf(process.dwProcessId), windows);
  EXPECT_TRUE(driver::Responsive(main));

  HWND optimize = driver::Control(main, main_window::kOptimizeButton);
  HWND bar = driver::Control(main, main_window::kRunProgressBar);
  for (int run = 1; run <= 5; ++run) {
    driver::Click(optimize);
    ASSERT_TRUE(
        driver::WaitFor([&] { return ::IsWindowEnabled(optimize) && driver::Position(bar) == 0; },
                        driver::kPatienceMs, "the run to come to rest"))
        << "run " << run;
  }
  std::printf("brisko.exe after 5 runs: %d windows\n", WindowsOf(process.dwProcessId));
  EXPECT_EQ(WindowsOf(process.dwProcessId), windows);
  EXPECT_TRUE(driver::Responsive(main));

  driver::Click(driver::Control(main, main_window::kExitButton));
  ASSERT_EQ(::WaitForSingleObject(process.hProcess, driver::kPatienceMs), WAIT_OBJECT_0)
      << "brisko.exe did not end after Exit";
  DWORD code = 1;
  ::GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
}

}  // namespace
