// Usage: bench_harness [ROUNDS [start-up|audit]] (start-up: skip the audit and the synchronous
// run; audit: the audit alone).
// Measures brisko.exe against floor programs built by the same toolchain, side by side in
// one session, and prints medians:
//   start-up         process start until the disclaimer window is shown and painted, in
//                    alternating rounds with floor_window.exe (same manifest, one button)
//                    and bare_window.exe (no manifest); the ratio is the median of the
//                    ratios of each round
//   peak working set brisko.exe with the main window open for 2.5 s, against the floors
//                    open for as long
//   synchronous run  the click on "Optimize" until its handler returns (floor: floor_run.exe)
//   audit            brisko.exe /audit from process start to exit, in alternating rounds with
//                    floor_audit.exe (no window, the same values read in the same view); the
//                    ratio is the median of the rounds' ratios. Both write to NUL.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/win32/driver.h"

namespace {

constexpr DWORD kDwellMs = 2500;  // the main window's first few monitor ticks
constexpr DWORD kSettleMs = 500;  // after a program ends, so that Wine's clean-up is over

double Now() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

[[noreturn]] void GiveUp(const std::string& why) {
  std::fprintf(stderr, "benchmark stopped: %s\n", why.c_str());
  std::exit(1);
}

PROCESS_INFORMATION Start(const char* program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = program;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    GiveUp(std::string("cannot start ") + program);
  }
  return process;
}

BOOL CALLBACK FindUnpainted(HWND child, LPARAM unpainted) {
  if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(unpainted) = true;
    return FALSE;
  }
  return TRUE;
}

// Shown: visible, nothing of it or its controls left to paint, and its thread back in its
// message loop (so the last paint has finished, not only begun).
bool ShownAndPainted(HWND window) {
  if (!::IsWindowVisible(window) || ::GetUpdateRect(window, nullptr, FALSE)) return false;
  bool unpainted = false;
  ::EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  if (unpainted) return false;
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored) != 0;
}

HWND WaitShown(const char* className, const PROCESS_INFORMATION& process) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    HWND hwnd = driver::FindVisible(className);
    if (hwnd != nullptr && ShownAndPainted(hwnd)) return hwnd;
    if (::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      GiveUp(std::string("the program of window ") + className + " ended");
    }
    if (::GetTickCount() - start > 120000) GiveUp(std::string("no window ") + className);
    ::Sleep(1);
  }
}

void End(PROCESS_INFORMATION& process, HWND window) {
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
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

struct Sample {
  double startUpMs = 0;
  double peakKb = 0;
};

// A floor: start-up to its window, then its peak after the same dwell as brisko's.
Sample MeasureFloor(const char* program) {
  Sample sample;
  const double t0 = Now();
  PROCESS_INFORMATION process = Start(program);
  HWND window = WaitShown("BriskoFloor", process);
  sample.startUpMs = Now() - t0;
  ::Sleep(kDwellMs);
  sample.peakKb = PeakWorkingSetKb(process.hProcess);
  End(process, window);
  ::Sleep(kSettleMs);
  return sample;
}

// Brisko: start-up to the disclaimer window, then "Next", and its peak with the main window
// open.
Sample MeasureBrisko() {
  Sample sample;
  const double t0 = Now();
  PROCESS_INFORMATION process = Start("C:\\brisko\\brisko.exe");
  HWND disclaimerWindow = WaitShown(app::kDisclaimerWindowClass, process);
  sample.startUpMs = Now() - t0;
  driver::Click(driver::Control(disclaimerWindow, app::disclaimer::kNextButton));
  HWND main = WaitShown(app::kMainWindowClass, process);
  ::Sleep(kDwellMs);
  sample.peakKb = PeakWorkingSetKb(process.hProcess);
  driver::Click(driver::Control(main, app::main_window::kExitButton));
  if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  ::Sleep(kSettleMs);
  return sample;
}

void Line(const char* what, const char* floorName, double ours, double theirs, const char* unit,
          double ratio, const char* target) {
  std::printf("%-22s brisko %8.1f %s   %-12s %8.1f %s   ratio %5.2f   %s\n", what, ours, unit,
              floorName, theirs, unit, ratio, target);
}

void StartUpAndMemory(int rounds) {
  std::vector<double> briskoStart, floorStart, bareStart, toFloor, toBare;
  std::vector<double> briskoPeak, floorPeak, barePeak;
  // One start of each first, not counted: the first start of a program after a build pays
  // for Wine's caches (fonts, the program's pages) once.
  MeasureBrisko();
  MeasureFloor("C:\\brisko\\floor_window.exe");
  MeasureFloor("C:\\brisko\\bare_window.exe");
  for (int round = 0; round < rounds; ++round) {
    // The order turns each round, so that none of the three always follows the same one.
    Sample brisko, floor, bare;
    for (int turn = 0; turn < 3; ++turn) {
      switch ((round + turn) % 3) {
        case 0:
          brisko = MeasureBrisko();
          break;
        case 1:
          floor = MeasureFloor("C:\\brisko\\floor_window.exe");
          break;
        default:
          bare = MeasureFloor("C:\\brisko\\bare_window.exe");
          break;
      }
    }
    briskoStart.push_back(brisko.startUpMs);
    floorStart.push_back(floor.startUpMs);
    bareStart.push_back(bare.startUpMs);
    toFloor.push_back(brisko.startUpMs / floor.startUpMs);
    toBare.push_back(brisko.startUpMs / bare.startUpMs);
    briskoPeak.push_back(brisko.peakKb);
    floorPeak.push_back(floor.peakKb);
    barePeak.push_back(bare.peakKb);
    std::fprintf(stderr, "round %d: start-up brisko %.0f ms, floor %.0f ms, bare %.0f ms\n",
                 round + 1, brisko.startUpMs, floor.startUpMs, bare.startUpMs);
  }
  // Start-up: the median of the rounds' ratios, the three starts of a round being neighbours
  // in time. Memory barely varies: the ratio of the medians.
  Line("start-up", "floor_window", Median(briskoStart), Median(floorStart), "ms", Median(toFloor),
       "(target <= 1.10)");
  Line("start-up, bare window", "bare_window", Median(briskoStart), Median(bareStart), "ms",
       Median(toBare), "");
  Line("peak working set", "floor_window", Median(briskoPeak), Median(floorPeak), "KB",
       Median(briskoPeak) / Median(floorPeak), "(target <= 1.30)");
  Line("peak, bare window", "bare_window", Median(briskoPeak), Median(barePeak), "KB",
       Median(briskoPeak) / Median(barePeak), "");
}

// A program with no window, from its start to its end, its output going to NUL as a deployment
// agent's would go to a pipe. Returns the milliseconds; *exitCode gets what it ended with.
double TimeToExit(const std::string& commandLine, DWORD* exitCode) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE nul = ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  const double t0 = Now();
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
    GiveUp("cannot start " + commandLine);
  }
  if (::WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    GiveUp(commandLine + " did not end");
  }
  const double elapsed = Now() - t0;
  ::GetExitCodeProcess(process.hProcess, exitCode);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  ::CloseHandle(nul);
  ::Sleep(kSettleMs);
  return elapsed;
}

void Audit(int rounds) {
  const std::string brisko = "C:\\brisko\\brisko.exe /audit";
  const std::string floor = "C:\\brisko\\floor_audit.exe";
  DWORD briskoCode = 0, floorCode = 0;
  // Not counted: the first start of each pays for Wine's caches once.
  TimeToExit(brisko, &briskoCode);
  TimeToExit(floor, &floorCode);
  std::vector<double> ours, theirs, ratios;
  for (int round = 0; round < rounds; ++round) {
    double a = 0, b = 0;
    if (round % 2 == 0) {
      a = TimeToExit(brisko, &briskoCode);
      b = TimeToExit(floor, &floorCode);
    } else {
      b = TimeToExit(floor, &floorCode);
      a = TimeToExit(brisko, &briskoCode);
    }
    ours.push_back(a);
    theirs.push_back(b);
    ratios.push_back(a / b);
    std::fprintf(stderr, "round %d: audit brisko %.1f ms (exit code %lu), floor %.1f ms\n",
                 round + 1, a, static_cast<unsigned long>(briskoCode), b);
  }
  std::sort(ratios.begin(), ratios.end());
  Line("audit", "floor_audit", Median(ours), Median(theirs), "ms", Median(ratios),
       "(target <= 1.20)");
  std::printf("audit ratios          lowest %.2f, highest %.2f over %d rounds\n", ratios.front(),
              ratios.back(), rounds);
}

void SynchronousRun(int rounds) {
  std::vector<double> briskoRun, floorRun;
  PROCESS_INFORMATION floor = Start("C:\\brisko\\floor_run.exe");
  HWND floorWindow = WaitShown("BriskoFloorRun", floor);
  HWND floorButton = driver::Control(floorWindow, 101);
  PROCESS_INFORMATION brisko = Start("C:\\brisko\\brisko.exe");
  driver::Click(driver::Control(WaitShown(app::kDisclaimerWindowClass, brisko),
                                app::disclaimer::kNextButton));
  HWND main = WaitShown(app::kMainWindowClass, brisko);
  HWND optimize = driver::Control(main, app::main_window::kOptimizeButton),
       bar = driver::Control(main, app::main_window::kRunProgressBar);
  // Each measurement starts when every line of the one before has ended.
  const auto linesEnded = [&] {
    if (!driver::WaitFor(
            [&] {
              return driver::CountProcesses(nullptr, floor.dwProcessId) == 0 &&
                     driver::CountProcesses(nullptr, brisko.dwProcessId) == 0;
            },
            driver::kPatienceMs, "the started lines to end")) {
      GiveUp("the started lines did not end");
    }
  };
  for (int i = 0; i < rounds; ++i) {
    double t0 = Now();
    ::SendMessageA(floorButton, BM_CLICK, 0, 0);
    floorRun.push_back(Now() - t0);
    linesEnded();
    t0 = Now();
    ::SendMessageA(optimize, BM_CLICK, 0, 0);
    briskoRun.push_back(Now() - t0);
    if (!driver::WaitFor([&] { return ::IsWindowEnabled(optimize) && driver::Position(bar) == 0; },
                         driver::kPatienceMs, "the run to come to rest")) {
      GiveUp("the run did not come to rest");
    }
    linesEnded();
  }
  driver::Click(driver::Control(main, app::main_window::kExitButton));
  ::WaitForSingleObject(brisko.hProcess, 30000);
  End(floor, floorWindow);
  Line("synchronous run", "floor_run", Median(briskoRun), Median(floorRun), "ms",
       Median(briskoRun) / Median(floorRun), "(target <= 1.10)");
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = std::max(argc > 1 ? std::atoi(argv[1]) : 9, 1);
  const std::string only = argc > 2 ? argv[2] : "";
  std::printf("medians of %d rounds\n", rounds);
  std::fflush(stdout);
  if (only != "audit") StartUpAndMemory(rounds);
  std::fflush(stdout);
  // Before the run: the audit of a machine no run has touched yet lists the most.
  if (only != "start-up") Audit(rounds);
  std::fflush(stdout);
  if (only.empty()) SynchronousRun(rounds);
  return 0;
}
