// Brisko as a user meets it: brisko.exe started in the sandbox prefix, its windows found,
// clicked and typed into from outside, and read back. Run only through scripts/test.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/control_ids.h"
#include "app/layouts.h"
#include "brisko_version.h"
#include "run/progress_display.h"
#include "tests/win32/driver.h"

namespace {

using namespace app;

constexpr const char* kMain = "BriskoMainWindow";
constexpr const char* kDisclaimerClass = "BriskoDisclaimer";

using driver::WaitFor;

int Pixels(int twips) { return ::MulDiv(twips, 96, 1440); }

// A system tool that Wine lacks (defrag, sfc), stood in for by stand_in_tool.exe in the
// sandbox's system folders, so that a test can look at its console for as long as it needs.
class StandInTool {
 public:
  explicit StandInTool(const std::string& name) : name_(name) {
    ::DeleteFileA(ReportFile().c_str());
    ::DeleteFileA(ReleaseFile().c_str());
    // Our own system folder, and on 64-bit Windows the native one, which the lines reach.
    for (const std::string& folder : {SystemFolder(), std::string("C:\\windows\\sysnative")}) {
      if (::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
      const std::string exe = folder + "\\" + name + ".exe";
      if (::CopyFileA("C:\\tests\\stand_in_tool.exe", exe.c_str(), FALSE)) exes_.push_back(exe);
    }
    EXPECT_FALSE(exes_.empty()) << "could not plant the stand-in " << name;
  }
  ~StandInTool() {
    LetGo();
    WaitEnded();
    for (const std::string& exe : exes_) ::DeleteFileA(exe.c_str());
  }
  StandInTool(const StandInTool&) = delete;
  StandInTool& operator=(const StandInTool&) = delete;

  // "console hidden" or "console visible" (at any time so far); empty before it has started.
  std::string Report() const {
    char line[64] = {};
    if (std::FILE* file = std::fopen(ReportFile().c_str(), "r")) {
      if (std::fgets(line, sizeof line, file) == nullptr) line[0] = '\0';
      std::fclose(file);
    }
    return line;
  }
  bool WaitStarted() const {
    const std::string what = "the started " + name_ + " to report";
    return driver::WaitFor([&] { return !Report().empty(); }, driver::kPatienceMs, what.c_str());
  }
  void LetGo() const {
    if (std::FILE* file = std::fopen(ReleaseFile().c_str(), "w")) std::fclose(file);
  }
  bool WaitEnded() const {
    const std::string what = "the stand-in " + name_ + " to end";
    return driver::WaitFor([&] { return Running() == 0; }, driver::kPatienceMs, what.c_str());
  }

 private:
  static std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
  }
  int Running() const { return driver::CountProcesses((name_ + ".exe").c_str()); }
  std::string ReportFile() const { return "C:\\tests\\" + name_ + ".report"; }
  std::string ReleaseFile() const { return "C:\\tests\\" + name_ + ".release"; }

  std::string name_;
  std::vector<std::string> exes_;
};

DWORD ReadDword(HKEY root, const char* path, const char* name) {
  DWORD value = 0xFFFFFFFF, size = sizeof value, type = 0;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
  }
  return value;
}

// The version line for the system the prefix reports, asked of ntdll, which tells every
// program the truth: "5.1 Built 2600" for XP, "10.0 Built ..." for Windows 10.
std::string ReportedVersionLine() {
  using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto query = reinterpret_cast<RtlGetVersion>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (query == nullptr || query(&version) != 0) return "(RtlGetVersion failed)";
  return "Windows Version : " + std::to_string(version.dwMajorVersion) + "." +
         std::to_string(version.dwMinorVersion) + " Built " + std::to_string(version.dwBuildNumber);
}

// Starts a command line as a deployment agent would (no console) and waits for its exit code.
DWORD RunToEnd(std::string line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        "C:\\brisko", &startup, &process)) {
    return 0xFFFFFFFF;
  }
  DWORD code = 0xFFFFFFFE;  // still running when the test's patience ran out
  if (::WaitForSingleObject(process.hProcess, driver::kPatienceMs) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.hProcess, &code);
  }
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  return code;
}

class Brisko : public ::testing::Test {
 protected:
  void SetUp() override {
    disclaimer_ = driver::StartBrisko(&process_, creationFlags_);
    ASSERT_NE(disclaimer_, nullptr) << "the disclaimer window did not appear";
  }

  void TearDown() override { driver::EndBrisko(&process_); }

  bool Ended() {
    const bool ended =
        ::WaitForSingleObject(process_.hProcess, driver::kPatienceMs) == WAIT_OBJECT_0;
    if (!ended) std::fprintf(stderr, "gave up waiting for %s to end\n", driver::kProgram);
    return ended;
  }

  HWND OpenMain() {
    driver::Click(driver::Control(disclaimer_, disclaimer::kNextButton));
    HWND main = driver::WaitWindow(kMain);
    EXPECT_NE(main, nullptr);
    return main;
  }

  HWND In(HWND window, platform::ControlId id) {
    HWND control = driver::Control(window, id);
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }

  PROCESS_INFORMATION process_{};
  HWND disclaimer_ = nullptr;
  DWORD creationFlags_ = 0;
};

// Without a console of its own, as when started from Explorer, each line it starts gets a
// console window of its own, and that window's show state becomes visible from outside.
class BriskoFromTheDesktop : public Brisko {
 protected:
  BriskoFromTheDesktop() { creationFlags_ = DETACHED_PROCESS; }
};

TEST_F(Brisko, StartsWithTheDisclaimerAloneCentredAndNextFocused) {
  EXPECT_EQ(driver::FindVisible(kMain), nullptr);
  RECT window, client;
  ::GetWindowRect(disclaimer_, &window);
  ::GetClientRect(disclaimer_, &client);
  EXPECT_EQ(client.right, Pixels(7530));
  EXPECT_EQ(client.bottom, Pixels(5325));
  EXPECT_NEAR(window.left + window.right, ::GetSystemMetrics(SM_CXSCREEN), 2);
  EXPECT_NEAR(window.top + window.bottom, ::GetSystemMetrics(SM_CYSCREEN), 2);
  EXPECT_EQ(::GetWindowLongA(disclaimer_, GWL_STYLE) & WS_CAPTION, WS_DLGFRAME);  // no title bar

  // The focus lands on "Next" as the window is shown; give the program a moment to get there.
  HWND next = In(disclaimer_, disclaimer::kNextButton);
  EXPECT_TRUE(WaitFor(
      [&] {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(disclaimer_, nullptr), &gui) &&
               gui.hwndFocus == next;
      },
      driver::kPatienceMs, "the focus on Next"));

  EXPECT_EQ(driver::Text(In(disclaimer_, disclaimer::kNoticeLabel)),
            std::string(DisclaimerParagraphA()));
  EXPECT_EQ(driver::Text(In(disclaimer_, disclaimer::kWarningLabel)),
            std::string(DisclaimerParagraphB()));
  EXPECT_EQ(driver::Text(In(disclaimer_, disclaimer::kPleaseReadFrame)), " Please Read");
  EXPECT_EQ(driver::Text(In(disclaimer_, disclaimer::kVersionLabel)), "Version : " BRISKO_VERSION);
}

TEST_F(Brisko, TypedKeyAtStartUpEndsTheProgram) {
  driver::Type(In(disclaimer_, disclaimer::kNextButton), 'q');
  EXPECT_TRUE(Ended());
  EXPECT_EQ(driver::FindVisible(kMain), nullptr);
}

TEST_F(Brisko, EnterOnNextOpensTheMainWindow) {
  driver::Type(In(disclaimer_, disclaimer::kNextButton), '\r');
  EXPECT_NE(driver::WaitWindow(kMain), nullptr);
  EXPECT_TRUE(driver::WaitGone(kDisclaimerClass));
}

TEST_F(Brisko, MainWindowStandsAsLaidOut) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(driver::WaitGone(kDisclaimerClass));
  EXPECT_EQ(driver::Text(main), "Brisko");
  RECT client;
  ::GetClientRect(main, &client);
  EXPECT_EQ(client.right, 745);
  EXPECT_EQ(client.bottom, 413);
  const LONG style = ::GetWindowLongA(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  for (const platform::ControlSpec& layout : MainWindowLayout().controls) {
    if (layout.kind == platform::ControlKind::kTimer) continue;
    HWND control = In(main, layout.id);
    if (control == nullptr) continue;
    const RECT place = driver::Place(control);
    const bool line = layout.kind == platform::ControlKind::kLine;
    EXPECT_EQ(place.left, Pixels(layout.left)) << layout.name << " " << layout.id;
    EXPECT_EQ(place.top, Pixels(layout.top)) << layout.name << " " << layout.id;
    EXPECT_EQ(place.right - place.left, Pixels(line ? layout.width - layout.left : layout.width))
        << layout.name << " " << layout.id;
    EXPECT_EQ(place.bottom - place.top, line ? 1 : Pixels(layout.height)) << layout.name;
    const bool captioned = layout.kind == platform::ControlKind::kButton ||
                           layout.kind == platform::ControlKind::kLabel;
    if (captioned && *layout.caption != '\0') {  // value labels are filled at run time
      EXPECT_EQ(driver::Text(control), layout.caption) << layout.name;
    }
  }
  EXPECT_EQ(driver::Text(In(main, main_window::kVersionLabel)), ReportedVersionLine());

  // Tab order: the buttons of the column, then the category boxes, then round again.
  std::vector<HWND> expected = {
      In(main, main_window::kDefaultSettingsButton), In(main, main_window::kDefragButton),
      In(main, main_window::kDisclaimerButton), In(main, main_window::kExitButton)};
  for (int i = 0; i < main_window::kCategoryBoxCount; ++i)
    expected.push_back(In(main, main_window::kFirstCategoryBox + i));
  expected.push_back(In(main, main_window::kOptimizeButton));
  HWND at = In(main, main_window::kOptimizeButton);
  for (HWND next : expected) {
    at = ::GetNextDlgTabItem(main, at, FALSE);
    EXPECT_EQ(at, next);
  }
}

TEST_F(Brisko, MonitorFillsAfterTheFirstSecond) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  HWND totalMemory = In(main, main_window::kTotalMemoryLabel);
  ASSERT_TRUE(WaitFor([&] { return !driver::Text(totalMemory).empty(); }, driver::kPatienceMs,
                      "the first monitor tick"));
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  ::GlobalMemoryStatusEx(&memory);
  const auto megabytes = static_cast<long long>(std::llround(memory.ullTotalPhys / 1048576.0));
  std::string grouped = std::to_string(megabytes);
  for (int at = static_cast<int>(grouped.size()) - 3; at > 0; at -= 3) grouped.insert(at, ",");
  EXPECT_EQ(driver::Text(totalMemory), grouped + " MB");
  char processor[256] = {};
  ::GetEnvironmentVariableA("PROCESSOR_IDENTIFIER", processor, sizeof processor);
  EXPECT_EQ(driver::Text(In(main, main_window::kProcessorLabel)), processor);

  ULARGE_INTEGER available{}, total{}, free{};
  ::GetDiskFreeSpaceExA("C:\\", &available, &total, &free);
  const double tenths = std::nearbyint(static_cast<double>(total.QuadPart) / 104400);
  char text[64];
  std::snprintf(text, sizeof text, "%.15g MB", tenths / 10);
  EXPECT_EQ(driver::Text(In(main, main_window::kDriveTotalLabel)), text);
  EXPECT_NE(driver::Text(In(main, main_window::kDriveUsedLabel)).find(" %"), std::string::npos);
  EXPECT_EQ(driver::RangeMax(In(main, main_window::kDriveFreeBar)), std::lround(tenths / 10));
}

TEST_F(Brisko, OptimizeRunsFromClickToRest) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  const platform::ControlId buttons[] = {main_window::kOptimizeButton, main_window::kExitButton,
                                         main_window::kDisclaimerButton, main_window::kDefragButton,
                                         main_window::kDefaultSettingsButton};
  HWND bar = In(main, main_window::kRunProgressBar);
  std::vector<HWND> checks;
  for (int i = 0; i < main_window::kCategoryBoxCount; ++i)
    checks.push_back(In(main, main_window::kFirstCategoryBox + i));
  driver::Click(In(main, main_window::kOptimizeButton));  // returns when the handler has returned
  for (platform::ControlId id : buttons) EXPECT_FALSE(::IsWindowEnabled(In(main, id))) << id;

  // Sample the display until it is at rest; at every sample the bar held still through, the
  // ticked boxes must be exactly those whose value the bar has reached. Every value read counts
  // towards how far the bar went: on a busy machine the thirteen reads of a sample can outlast
  // a tick for seconds on end, and the top of the bar would go unseen.
  std::set<int> seen;
  bool rested = WaitFor(
      [&] {
        const int value = driver::Position(bar);
        if (value > 0) seen.insert(value);
        std::vector<int> boxes;
        for (HWND check : checks) boxes.push_back(driver::Checked(check));
        const int after = driver::Position(bar);
        if (after > 0) seen.insert(after);
        if (value == after && value > 0) {
          for (int i = 0; i < main_window::kCategoryBoxCount; ++i) {
            EXPECT_EQ(boxes[i], value >= run::kCategoryThresholds[i] ? 1 : 0)
                << "bar " << value << " box " << i;
          }
        }
        return value == 0 && seen.size() > 20 &&
               ::IsWindowEnabled(In(main, main_window::kOptimizeButton));
      },
      driver::kPatienceMs, "the run to fill the bar and come back to rest");
  ASSERT_TRUE(rested);
  EXPECT_LE(*seen.begin(), 20) << "the bar starts from the bottom";
  EXPECT_GE(*seen.rbegin(), 80) << "the bar fills up";
  for (platform::ControlId id : buttons) EXPECT_TRUE(::IsWindowEnabled(In(main, id))) << id;
  for (int i = 0; i < main_window::kCategoryBoxCount; ++i) {
    EXPECT_EQ(driver::Checked(In(main, main_window::kFirstCategoryBox + i)), 0);
  }

  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "WaitToKillAppTimeout"), 3500u);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\PriorityControl",
                      "Win32PrioritySeparation"),
            38u);
  EXPECT_EQ(ReadDword(HKEY_USERS,
                      ".DEFAULT\\SYSTEM\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                      "Settings",
                      "MaxConnectionsPerServer"),
            20u);
}

TEST_F(Brisko, DisclaimerButtonShowsOneDisclaimerThatOnlyCloses) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(driver::WaitGone(kDisclaimerClass));
  driver::Click(In(main, main_window::kDisclaimerButton));
  HWND again = driver::WaitWindow(kDisclaimerClass);
  ASSERT_NE(again, nullptr);
  driver::Click(In(main, main_window::kDisclaimerButton));
  ASSERT_TRUE(driver::Settle(main));
  EXPECT_EQ(::FindWindowExA(nullptr, again, kDisclaimerClass, nullptr), nullptr)
      << "a second disclaimer";
  driver::Click(In(again, disclaimer::kNextButton));
  EXPECT_TRUE(driver::WaitGone(kDisclaimerClass));
  EXPECT_TRUE(::IsWindowVisible(main));
}

TEST_F(Brisko, DefaultSettingsAsksAndNoStartsNothing) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  const int interpreters = driver::CountProcesses("cmd.exe");
  ::PostMessageA(In(main, main_window::kDefaultSettingsButton), BM_CLICK, 0,
                 0);  // the question is modal
  HWND question = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    question = ::FindWindowA("#32770", "Brisko");
    return question != nullptr && ::IsWindowVisible(question);
  }));
  bool textFound = false;
  for (HWND child = ::GetWindow(question, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    textFound = textFound || driver::Text(child) ==
                                 "Restore Default may ask for orginal operating system disk - "
                                 "continute";
  }
  EXPECT_TRUE(textFound);
  ASSERT_NE(::GetDlgItem(question, IDYES), nullptr);
  ASSERT_NE(::GetDlgItem(question, IDNO), nullptr);
  EXPECT_EQ(::GetDlgItem(question, IDCANCEL), nullptr);
  ::PostMessageA(::GetDlgItem(question, IDNO), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([] { return ::FindWindowA("#32770", "Brisko") == nullptr; },
                      driver::kPatienceMs, "the question to close"));
  ASSERT_TRUE(driver::Settle(main));  // the click's handler has returned
  EXPECT_EQ(driver::CountProcesses("cmd.exe"), interpreters);
  EXPECT_TRUE(::IsWindowVisible(main));
}

TEST_F(BriskoFromTheDesktop, DefragShowsItsConsoleWhileTheFileCheckStaysHidden) {
  StandInTool defrag("defrag"), fileCheck("sfc");
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  // "Default Settings", Yes: the system file check starts, and its console stays hidden for
  // as long as it runs.
  std::set<HWND> before = driver::VisibleTopLevelWindows();
  ::PostMessageA(In(main, main_window::kDefaultSettingsButton), BM_CLICK, 0, 0);
  HWND question = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (question = ::FindWindowA("#32770", "Brisko")) != nullptr; },
                      driver::kPatienceMs, "the question"));
  ::PostMessageA(::GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  ASSERT_TRUE(fileCheck.WaitStarted());
  EXPECT_EQ(driver::NewVisibleWindow(before), nullptr) << "the file check showed a window";
  fileCheck.LetGo();
  ASSERT_TRUE(fileCheck.WaitEnded());
  EXPECT_EQ(fileCheck.Report(), "console hidden");

  // "Defrag": its console shows.
  ASSERT_TRUE(WaitFor([] { return ::FindWindowA("#32770", "Brisko") == nullptr; },
                      driver::kPatienceMs, "the question to close"));
  before = driver::VisibleTopLevelWindows();
  driver::Click(In(main, main_window::kDefragButton));
  ASSERT_TRUE(defrag.WaitStarted());
  EXPECT_TRUE(WaitFor(
      [&] {
        return defrag.Report() == "console visible" && driver::NewVisibleWindow(before) != nullptr;
      },
      driver::kPatienceMs, "Defrag's console to show"))
      << "Defrag's console did not show";
}

// While the window is open, a second start runs nothing: from the desktop it brings the open
// window forward and ends; unattended it ends with 1618 (another Brisko runs) and writes no log.
TEST_F(Brisko, SecondStartBringsTheOpenWindowForwardAndRunsNothing) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(driver::WaitGone(kDisclaimerClass));
  // The user has moved on to another program meanwhile.
  HWND other = ::CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ::SetForegroundWindow(other);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == other; }))
      << "the other window did not come to the front";

  EXPECT_EQ(RunToEnd(driver::ProgramPath()), static_cast<DWORD>(app::kExitBusy));
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main; }))
      << "the open window was not brought to the front";
  EXPECT_EQ(driver::CountProcesses(driver::kProgram), 1);
  EXPECT_EQ(driver::FindVisible(kDisclaimerClass), nullptr);

  ::DeleteFileA("C:\\tests\\refused.log");
  EXPECT_EQ(RunToEnd(driver::ProgramPath() + " /optimize /log C:\\tests\\refused.log"),
            static_cast<DWORD>(app::kExitBusy));
  EXPECT_EQ(::GetFileAttributesA("C:\\tests\\refused.log"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(::IsWindowEnabled(In(main, main_window::kOptimizeButton)));
  ::DestroyWindow(other);
}

TEST_F(Brisko, ExitEndsTheProgram) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  driver::Click(In(main, main_window::kDisclaimerButton));  // even with the disclaimer open
  ASSERT_NE(driver::WaitWindow(kDisclaimerClass), nullptr);
  driver::Click(In(main, main_window::kExitButton));
  EXPECT_TRUE(Ended());
}

// Any program can post a click or a timer message to our windows. One whose ID is not a
// button or timer of the window it reaches, or that names a callback, does nothing, and
// Brisko keeps running and answering.
TEST_F(Brisko, ClickAndTimerMessagesWithUnknownIdsAreIgnored) {
  HWND main = OpenMain();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(driver::WaitGone(kDisclaimerClass));
  driver::Click(In(main, main_window::kDisclaimerButton));
  HWND again = driver::WaitWindow(kDisclaimerClass);
  ASSERT_NE(again, nullptr);
  HWND optimize = In(main, main_window::kOptimizeButton);
  HWND next = In(again, disclaimer::kNextButton);

  struct Target {
    HWND window;
    HWND someControl;
    std::vector<WPARAM> ids;  // none of them a button or running timer of that window
  };
  const Target targets[] = {
      {main,
       optimize,
       {0, 9999, 0xFFFF, disclaimer::kNextButton, main_window::kBadgePicture,
        main_window::kRunProgressTimer}},
      {again,
       next,
       {0, 9999, main_window::kOptimizeButton, main_window::kExitButton,
        main_window::kMonitorTimer}},
  };
  for (const Target& target : targets) {
    for (WPARAM id : target.ids) {
      for (LPARAM from : {LPARAM{0}, reinterpret_cast<LPARAM>(target.someControl)}) {
        ::PostMessageA(target.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), from);
      }
      ::PostMessageA(target.window, WM_TIMER, id, 0);
      ::PostMessageA(target.window, WM_TIMER, id, 0x12345678);  // a callback that is not there
    }
  }
  // Messages posted to one thread are handled in order: once a typed key has closed the
  // disclaimer window, every message above has been handled.
  driver::Type(next, 'x');
  ASSERT_TRUE(driver::WaitGone(kDisclaimerClass)) << "Brisko stopped answering";
  EXPECT_EQ(::WaitForSingleObject(process_.hProcess, 0), WAIT_TIMEOUT) << "Brisko ended";
  EXPECT_TRUE(driver::Responsive(main));
  EXPECT_TRUE(::IsWindowEnabled(optimize)) << "a run started";
  EXPECT_EQ(driver::Position(In(main, main_window::kRunProgressBar)), 0);

  driver::Click(In(main, main_window::kDisclaimerButton));  // the buttons still work
  EXPECT_NE(driver::WaitWindow(kDisclaimerClass), nullptr);
  driver::Click(In(main, main_window::kExitButton));
  ASSERT_TRUE(Ended());
  DWORD code = 1;
  ::GetExitCodeProcess(process_.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
