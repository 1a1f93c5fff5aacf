// The Win32 wrappers and the actions against the sandbox prefix's real registry, files,
// processes, clipboard, recycle bin and queries. Run only through scripts/test.
#include <windows.h>
#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "app/single_instance.h"
#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "platform/command_runner.h"
#include "platform/failure.h"
#include "platform/registry_writer.h"
#include "platform/system_constants.h"
#include "platform/trust.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_os.h"
#include "platform/win32/win32_start_up.h"
#include "tests/win32/driver.h"

namespace {

using platform::win32::Win32Files;
using platform::win32::Win32Os;

using driver::WaitFor;

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Slurp(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

struct Value {
  DWORD type = 0;
  std::vector<unsigned char> data;
  bool found = false;
};

// The sandbox prefix that scripts/test made: xp32, or a 64-bit one (win10-64, win7-64) in
// which the 32-bit build of this test runs under WOW64 and the 64-bit build natively.
std::string Flavour() {
  const char* flavour = std::getenv("BRISKO_PREFIX");
  return flavour != nullptr ? flavour : "xp32";
}
bool SixtyFourBit() { return Flavour().ends_with("-64"); }
bool UnderWow64() { return SixtyFourBit() && sizeof(void*) == 4; }

// The registry view the system itself reads: on 64-bit Windows the 64-bit one.
REGSAM NativeView() { return SixtyFourBit() ? KEY_WOW64_64KEY : 0; }

Value Read(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0) {
  Value value;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (::RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) ==
      ERROR_SUCCESS) {
    value.data.resize(size);
    value.found = ::RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(),
                                     &size) == ERROR_SUCCESS;
  }
  ::RegCloseKey(key);
  return value;
}

HKEY RootOf(std::uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// Only the main window's handle is asked of the toolkit by the clean-up actions.
class HandleOnly : public platform::ControlHost {
 public:
  HandleOnly() {
    window_ = ::CreateWindowExA(0, "STATIC", "Brisko test", 0, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  }
  ~HandleOnly() override { ::DestroyWindow(window_); }
  std::uintptr_t WindowHandle(platform::WindowId) override {
    return reinterpret_cast<std::uintptr_t>(window_);
  }
  void SetEnabled(platform::ControlId, bool) override {}
  void SetCaption(platform::ControlId, const std::string&) override {}
  void SetCheckValue(platform::ControlId, int) override {}
  float GetBar(platform::ControlId, platform::BarProperty) override { return 0; }
  void SetBar(platform::ControlId, platform::BarProperty, float) override {}
  void ShowWindow(platform::WindowId) override {}
  void UnloadWindow(platform::WindowId) override {}
  void EndProgram() override {}
  int ShowMessage(const std::string&, const std::string&, unsigned) override { return 0; }
  HWND window_;
};

// The test's own UTF-8 to UTF-16, so that a name the wrappers convert wrongly is not found.
std::wstring WideOf(const std::string& utf8) {
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  return wide;
}

// Registry text as the system holds it: UTF-16LE.
std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// A folder as an earlier run of these tests may have left it, removed with what it holds
// (files and empty folders).
void RemoveFolder(const std::string& folder) {
  const std::wstring wide = WideOf(folder);
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((wide + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName, path = wide + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryW(path.c_str());
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(wide.c_str());
}

// A SID from its text form, freed with the object.
struct Sid {
  explicit Sid(const char* text) { ::ConvertStringSidToSidA(text, &sid); }
  ~Sid() { ::LocalFree(sid); }
  PSID sid = nullptr;
};

// The account this test runs as (its token's user), compared with sid.
bool IsThisAccount(PSID sid) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  std::vector<void*> buffer(64);
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenUser, buffer.data(),
                                          static_cast<DWORD>(buffer.size() * sizeof(void*)), &size);
  ::CloseHandle(token);
  return read && ::EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

}  // namespace

TEST(CommandRunner, LineReachesTheInterpreterCharacterForCharacter) {
  Win32Os os;
  ::DeleteFileA("C:\\tests\\echo.txt");
  // echo writes back what the interpreter received: two blanks, inner quotes, and the
  // environment reference expanded by the interpreter, not by us.
  const std::string line = R"(cmd /c echo a  b "%systemroot%/temp"\*.* /q> C:\tests\echo.txt)";
  EXPECT_NE(platform::RunCommandLine(os, line, platform::kSwHide), 0u);
  ASSERT_TRUE(WaitFor([] { return Slurp("C:\\tests\\echo.txt").find('\n') != std::string::npos; }));
  char windows[MAX_PATH];
  ::GetEnvironmentVariableA("SystemRoot", windows, MAX_PATH);
  EXPECT_EQ(Slurp("C:\\tests\\echo.txt"), std::string("a  b \"") + windows + "/temp\"\\*.* /q\r\n");
}

// The start leaves the words for its failure to its caller (who may still have redirection
// switched off) and hands over the system's error code for them.
TEST(CommandRunner, NoProcessIsAFailureWithTheSystemsErrorCode) {
  Win32Os os;
  try {
    os.StartProcess("C:\\tests\\no-such-program.exe", "x", 0, "C:\\tests", nullptr);
    ADD_FAILURE() << "a missing program was started";
  } catch (const platform::SystemFailure& failure) {
    EXPECT_EQ(failure.Code(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  }
}

// The system's own words, converted from UTF-16 (not taken in the ANSI code page), without the
// line break they end in; a code the system has no words for is named by its number.
TEST(CommandRunner, SystemMessagesAreTheSystemsWordsInUtf8) {
  wchar_t* words = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
  ASSERT_NE(length, 0u);
  std::wstring wide(words, length);
  ::LocalFree(words);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n')) wide.pop_back();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string expected(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), expected.data(),
                        size, nullptr, nullptr);

  Win32Os os;
  EXPECT_EQ(os.SystemMessage(ERROR_FILE_NOT_FOUND), expected);
  EXPECT_FALSE(expected.empty());
  // The customer bit: no system message has it.
  EXPECT_EQ(os.SystemMessage(0x20000001), "error 536870913");
}

TEST(CommandRunner, InterpreterPlantedBesideTheProgramIsNotStarted) {
  Win32Os os;
  ASSERT_TRUE(::CopyFileA("C:\\tests\\planted_cmd.exe", "C:\\tests\\cmd.exe", FALSE));
  ::SetCurrentDirectoryA("C:\\tests");
  ::DeleteFileA("C:\\tests\\planted.txt");
  ::DeleteFileA("C:\\tests\\real.txt");

  // The plant works: a bare "cmd" resolved by the program search finds it first.
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  char naive[] = "cmd /c echo naive";
  ASSERT_TRUE(::CreateProcessA(nullptr, naive, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
  ::WaitForSingleObject(process.hProcess, driver::kPatienceMs);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  ASSERT_TRUE(Exists("C:\\tests\\planted.txt"));
  ::DeleteFileA("C:\\tests\\planted.txt");

  platform::RunCommandLine(os, R"(cmd /c echo real> C:\tests\real.txt)", platform::kSwHide);
  EXPECT_TRUE(WaitFor([] { return Exists("C:\\tests\\real.txt"); }));
  ASSERT_TRUE(driver::WaitLinesEnded());
  EXPECT_FALSE(Exists("C:\\tests\\planted.txt"));
  ::DeleteFileA("C:\\tests\\cmd.exe");
}

// A line reaches a tool that lies only in the native system folder, with that folder as its
// current one, while a tool of the same name in our current folder stays unused. Under WOW64
// our own view of the system folder is the 32-bit copy, so only the native interpreter can
// reach the tool; afterwards our view is the 32-bit one again. A 64-bit program sees the
// native folder itself and is not under WOW64.
TEST(CommandRunner, LineRunsNativeToolsInTheSystemFolder) {
  Win32Os os;
  bool wow64 = !UnderWow64();
  ASSERT_EQ(os.IsWow64Process(&wow64), platform::RuntimeCall::kSucceeded);
  ASSERT_EQ(wow64, UnderWow64()) << Flavour() << ", " << 8 * sizeof(void*) << "-bit test";

  const std::string tool = os.SystemDirectory() + "\\briskonative.bat";
  const auto inNativeView = [&](const std::function<void()>& action) {
    platform::Handle previous = 0;
    if (wow64) {
      ASSERT_EQ(os.DisableFsRedirection(&previous), platform::RuntimeCall::kSucceeded);
    }
    action();
    if (wow64) {
      ASSERT_EQ(os.RevertFsRedirection(previous), platform::RuntimeCall::kSucceeded);
    }
  };
  inNativeView([&] { std::ofstream(tool) << "@echo native %CD%> C:\\tests\\native.txt\r\n"; });
  EXPECT_EQ(Exists(tool), !wow64) << "with redirection on, we see the 32-bit copy of the folder";
  std::ofstream("C:\\tests\\briskonative.bat") << "@echo planted> C:\\tests\\planted.txt\r\n";
  ::SetCurrentDirectoryA("C:\\tests");
  ::DeleteFileA("C:\\tests\\native.txt");
  ::DeleteFileA("C:\\tests\\planted.txt");

  platform::RunCommandLine(os, "cmd /c briskonative", platform::kSwHide);
  EXPECT_TRUE(
      WaitFor([] { return Slurp("C:\\tests\\native.txt").find('\n') != std::string::npos; }));
  char system[MAX_PATH];
  ::GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(Slurp("C:\\tests\\native.txt"), std::string("native ") + system + "\r\n");
  EXPECT_FALSE(Exists("C:\\tests\\planted.txt"));
  EXPECT_EQ(Exists(tool), !wow64) << "redirection must be on again after the start";

  inNativeView([&] { ::DeleteFileA(tool.c_str()); });
  ::DeleteFileA("C:\\tests\\briskonative.bat");
}

TEST(CommandRunner, StartedProcessesLeaveNoHandlesBehind) {
  // Wine answers 0 to GetProcessHandleCount; it hands out the lowest free handle, so the
  // next handle's value climbs with every handle left open.
  const auto nextHandle = [] {
    HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ::CloseHandle(event);
    return reinterpret_cast<std::uintptr_t>(event);
  };
  Win32Os os;
  platform::RunCommandLine(os, "cmd /c exit", platform::kSwHide);  // warm up
  ASSERT_TRUE(driver::WaitLinesEnded());
  const std::uintptr_t before = nextHandle();
  for (int i = 0; i < 30; ++i) platform::RunCommandLine(os, "cmd /c exit", platform::kSwHide);
  EXPECT_LE(nextHandle(), before + 2 * 4) << "two handles per started line would be 60";
}

TEST(CommandRunner, KeptLineGivesItsExitCodeOrIsLeftRunningAtTheLimit) {
  Win32Os os;
  platform::Handle kept = 0;
  platform::RunCommandLine(os, "cmd /c exit 7", platform::kSwHide, &kept);
  ASSERT_NE(kept, 0u);
  std::uint32_t code = 0;
  ASSERT_TRUE(os.WaitForProcess(kept, driver::kPatienceMs, &code)) << "cmd /c exit 7 did not end";
  EXPECT_EQ(code, 7u);
  os.CloseProcess(kept);

  // A long line: at the limit it is reported running, and closing our handle leaves it running.
  platform::Handle busy = 0;
  const std::uint32_t id = platform::RunCommandLine(
      os, "cmd /c for /l %i in (1,1,100000000) do @rem", platform::kSwHide, &busy);
  EXPECT_FALSE(os.WaitForProcess(busy, 100, &code));
  os.CloseProcess(busy);
  HANDLE still = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  ASSERT_NE(still, nullptr);
  EXPECT_EQ(::WaitForSingleObject(still, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ::TerminateProcess(still, 0);
  ::CloseHandle(still);
}

namespace {

// What a window of the waiting thread (standing in for COM's hidden one) saw of a settings
// change sent to it from another thread.
struct SettingChangeSeen {
  std::atomic<bool> waiting{false};  // the test's thread is inside WaitForProcess
  HANDLE process = nullptr;          // the process waited for
  bool seen = false;
  bool duringWait = false;
  bool processRunning = false;
};
SettingChangeSeen* gSettingChangeSeen = nullptr;

// A message posted after another program's, so that once the window has it, the thread has
// taken the one before it from its queue too.
constexpr UINT kMarkerMessage = WM_APP + 1;
std::atomic<bool> gMarkerSeen{false};
std::atomic<bool> gForgedTimerCalled{false};
void CALLBACK ForgedTimerProcedure(HWND, UINT, UINT_PTR, DWORD) { gForgedTimerCalled = true; }

LRESULT CALLBACK HiddenWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingChangeSeen* seen = gSettingChangeSeen;
  if (message == WM_SETTINGCHANGE && seen != nullptr && lParam != 0 &&
      std::strcmp(reinterpret_cast<const char*>(lParam), "Environment") == 0) {
    seen->seen = true;
    seen->duringWait = seen->waiting.load();
    seen->processRunning = ::WaitForSingleObject(seen->process, 0) == WAIT_TIMEOUT;
    return 0;
  }
  if (message == kMarkerMessage) {
    gMarkerSeen = true;
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

struct HiddenWindow {
  HiddenWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HiddenWindowProcedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BriskoTestHiddenWindow";
    ::RegisterClassA(&windowClass);  // a repeated test finds it registered already
    window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, windowClass.hInstance, nullptr);
  }
  ~HiddenWindow() { ::DestroyWindow(window); }
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;
  HWND window = nullptr;
};

// A copy of the stand-in tool, started as a kept line is, that runs until Release.
struct HeldProcess {
  static constexpr const char* kProgram = "C:\\tests\\briskoheld.exe";
  static constexpr const char* kRelease = "C:\\tests\\briskoheld.release";
  HeldProcess() {
    ::DeleteFileA(kRelease);
    started = ::CopyFileA("C:\\tests\\stand_in_tool.exe", kProgram, FALSE) != 0;
    if (started) os.StartProcess(kProgram, "briskoheld", platform::kSwHide, "C:\\tests", &handle);
  }
  ~HeldProcess() {
    if (handle != 0) {
      Release();
      ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), driver::kPatienceMs);
      os.CloseProcess(handle);
    }
    ::DeleteFileA(kProgram);
    ::DeleteFileA(kRelease);
    ::DeleteFileA("C:\\tests\\briskoheld.report");
  }
  HeldProcess(const HeldProcess&) = delete;
  HeldProcess& operator=(const HeldProcess&) = delete;
  void Release() const { Touch(kRelease); }
  Win32Os os;
  platform::Handle handle = 0;
  bool started = false;
};

}  // namespace

// The unattended run waits for its lines on the thread where COM keeps a hidden window. A
// program that sends that window a message (a settings change broadcast, a DDE start) must
// be answered while the wait goes on, not when it ends: the message is sent while a process
// is held open, and the process is let go only after the send has returned.
TEST(CommandRunner, WaitingForAProcessAnswersMessagesSentToThisThread) {
  HiddenWindow hidden;
  ASSERT_NE(hidden.window, nullptr);
  HeldProcess held;
  ASSERT_TRUE(held.started);
  SettingChangeSeen seen;
  seen.process = reinterpret_cast<HANDLE>(held.handle);
  gSettingChangeSeen = &seen;
  std::atomic<bool> answered{false};
  std::uint32_t code = 99;
  bool ended = false;
  {
    std::jthread sender([&] {
      WaitFor([&] { return seen.waiting.load(); }, driver::kPatienceMs, "the wait to begin");
      DWORD_PTR result = 0;
      answered = ::SendMessageTimeoutA(hidden.window, WM_SETTINGCHANGE, 0,
                                       reinterpret_cast<LPARAM>("Environment"), SMTO_NORMAL,
                                       driver::kPatienceMs, &result) != 0;
      held.Release();  // only now may the held process end
    });
    seen.waiting = true;
    ended = held.os.WaitForProcess(held.handle, driver::kPatienceMs, &code);
    seen.waiting = false;
  }
  gSettingChangeSeen = nullptr;

  EXPECT_TRUE(answered) << "the message sent to the waiting thread was not answered in time";
  EXPECT_TRUE(seen.seen) << "the window never saw the message";
  EXPECT_TRUE(seen.duringWait) << "the window saw the message only after the wait";
  EXPECT_TRUE(seen.processRunning) << "the window saw the message only after the process ended";
  EXPECT_TRUE(ended) << "the held process did not end once it was let go";
  if (ended) {
    EXPECT_EQ(code, 0u);
  }
}

// A WM_TIMER with a callback address in it that another program posts to the waiting thread
// would have that address called with our rights, were it dispatched: the wait drops it, as
// the windows' own message loop does.
TEST(CommandRunner, WaitingForAProcessDropsTimerCallbacksOthersPost) {
  HiddenWindow hidden;
  ASSERT_NE(hidden.window, nullptr);
  HeldProcess held;
  ASSERT_TRUE(held.started);
  gMarkerSeen = false;
  gForgedTimerCalled = false;
  std::atomic<bool> waiting{false};
  std::uint32_t code = 99;
  bool ended = false;
  {
    std::jthread poster([&] {
      WaitFor([&] { return waiting.load(); }, driver::kPatienceMs, "the wait to begin");
      ::PostMessageA(hidden.window, WM_TIMER, 7, reinterpret_cast<LPARAM>(&ForgedTimerProcedure));
      ::PostMessageA(hidden.window, kMarkerMessage, 0, 0);
      WaitFor([] { return gMarkerSeen.load(); }, driver::kPatienceMs,
              "the waiting thread to take the posted messages");
      held.Release();
    });
    waiting = true;
    ended = held.os.WaitForProcess(held.handle, driver::kPatienceMs, &code);
  }
  EXPECT_TRUE(gMarkerSeen) << "the messages posted to the waiting thread were not taken";
  EXPECT_FALSE(gForgedTimerCalled) << "a timer callback another program posted was called";
  EXPECT_TRUE(ended);
}

TEST(RegistryWriter, CreatesMissingLevelsReplacesTypesAndTouchesNothingElse) {
  Win32Os os;
  const std::string key = R"(Software\BriskoTest\One\Two\Three)";
  ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  platform::WriteRegistryDword(os, platform::kHkeyCurrentUser, key, "Number", 3500);
  Value number = Read(HKEY_CURRENT_USER, key, "Number");
  ASSERT_TRUE(number.found);
  EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number.data, (std::vector<unsigned char>{0xAC, 0x0D, 0, 0}));

  // A neighbour value and a subkey that must survive, and a value of another type.
  HKEY handle = nullptr;
  ASSERT_EQ(::RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &handle), ERROR_SUCCESS);
  ::RegSetValueExA(handle, "Neighbour", 0, REG_SZ, reinterpret_cast<const BYTE*>("stay"), 5);
  ::RegSetValueExA(handle, "Replaced", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
  HKEY child = nullptr;
  ::RegCreateKeyA(handle, "Child", &child);
  ::RegCloseKey(child);
  ::RegCloseKey(handle);

  platform::WriteRegistryDword(os, platform::kHkeyCurrentUser, key, "Replaced", 1);
  Value replaced = Read(HKEY_CURRENT_USER, key, "Replaced");
  EXPECT_EQ(replaced.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(replaced.data, (std::vector<unsigned char>{1, 0, 0, 0}));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, key, "Neighbour").data,
            (std::vector<unsigned char>{'s', 't', 'a', 'y', 0}));
  HKEY opened = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, (key + "\\Child").c_str(), 0, KEY_READ, &opened),
            ERROR_SUCCESS);
  ::RegCloseKey(opened);
}

// HKLM\SOFTWARE is the part of the registry that WOW64 splits in two views.
TEST(RegistryWriter, SoftwareKeysLandInTheNativeView) {
  Win32Os os;
  const std::string key = R"(SOFTWARE\BriskoTest\View)";
  platform::WriteRegistryDword(os, platform::kHkeyLocalMachine, key, "Number", 7);
  EXPECT_TRUE(Read(HKEY_LOCAL_MACHINE, key, "Number", NativeView()).found);
  if (SixtyFourBit()) {
    EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, key, "Number", KEY_WOW64_32KEY).found)
        << "written to Wow6432Node";
  }
}

TEST(RegistryWriter, TextReadsBackTerminated) {
  Win32Os os;
  for (const std::string text : {"y", ".NONE", ""}) {
    platform::WriteRegistryString(os, platform::kHkeyCurrentUser, R"(Software\BriskoTest)", "Text",
                                  text);
    Value value = Read(HKEY_CURRENT_USER, R"(Software\BriskoTest)", "Text");
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(value.data.size(), text.size() + 1) << '"' << text << '"';
    EXPECT_EQ(value.data.back(), 0);
    EXPECT_EQ(std::string(value.data.begin(), value.data.end() - 1), text);
  }
}

TEST(RegistryTweaks, AllValuesReadBack) {
  Win32Os os;
  catalogue::ApplyRegistryTweaks(os);
  for (const auto& row : catalogue::kRegistryTweaks) {
    Value value =
        Read(RootOf(row.root), std::string(row.keyPath), std::string(row.valueName), NativeView());
    ASSERT_TRUE(value.found) << row.keyPath << " " << row.valueName;
    EXPECT_EQ(value.type, row.type) << row.valueName;
    std::vector<unsigned char> expected;
    if (row.type == platform::kRegSz) {
      expected.assign(row.text.begin(), row.text.end());
      expected.push_back(0);
    } else {
      const auto bits = static_cast<std::uint32_t>(row.number);
      expected = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                  static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    }
    EXPECT_EQ(value.data, expected) << row.keyPath << " " << row.valueName;
  }
}

TEST(CleanupActions, WallpaperIsRemovedAndSavedInTheProfile) {
  Win32Os os;
  HKEY desktop = nullptr;
  ASSERT_EQ(::RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop), ERROR_SUCCESS);
  ::RegSetValueExA(desktop, "Wallpaper", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>("C:\\windows\\old.bmp"), 19);
  ::RegCloseKey(desktop);
  EXPECT_TRUE(catalogue::SetWallpaper(os, ""));
  Value wallpaper = Read(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper");
  ASSERT_TRUE(wallpaper.found);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(wallpaper.data.data())), "");
}

TEST(CleanupActions, ClipboardIsEmptiedAndFreedAgain) {
  Win32Os os;
  HandleOnly toolkit;
  ASSERT_TRUE(driver::PutTextOnClipboard("hello"));

  catalogue::CleanDiskAndDesktop(os, os, platform::Window(toolkit, 1));
  EXPECT_FALSE(::IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(::OpenClipboard(nullptr)) << "the clipboard must be free for others";
  ::CloseClipboard();
}

TEST(CleanupActions, RecycleBinIsEmptied) {
  Win32Os os;
  HandleOnly toolkit;
  ASSERT_TRUE(driver::RecycleNewFile("C:\\binned.txt")) << "the file did not reach the recycle bin";
  SHQUERYRBINFO bin{};
  bin.cbSize = sizeof bin;

  catalogue::EmptyRecycleBin(os, platform::Window(toolkit, 1));
  ASSERT_EQ(::SHQueryRecycleBinA(nullptr, &bin), S_OK);
  EXPECT_EQ(bin.i64NumItems, 0);
  EXPECT_FALSE(Exists("C:\\binned.txt"));
}

TEST(CleanupActions, TempFolderLosesItsFilesOnly) {
  Win32Os os;
  char windows[MAX_PATH];
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string temp = std::string(windows) + "\\temp";
  ::CreateDirectoryA(temp.c_str(), nullptr);
  ::CreateDirectoryA((temp + "\\keep").c_str(), nullptr);
  Touch(temp + "\\one.tmp");
  Touch(temp + "\\two.log");
  Touch(temp + "\\keep\\inner.tmp");
  Touch("C:\\tests\\elsewhere.tmp");

  catalogue::DeleteTempFiles(os);
  EXPECT_TRUE(WaitFor([&] { return !Exists(temp + "\\one.tmp") && !Exists(temp + "\\two.log"); }));
  ASSERT_TRUE(driver::WaitLinesEnded());
  EXPECT_TRUE(Exists(temp + "\\keep\\inner.tmp"));
  EXPECT_TRUE(Exists("C:\\tests\\elsewhere.tmp"));
}

TEST(CleanupActions, UrlHistoryObjectIsCreatedAndReleased) {
  Win32Os os;
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  EXPECT_TRUE(catalogue::ClearUrlHistory(os));
  ::CoUninitialize();
}

TEST(SystemQueries, VersionMemoryAndDrive) {
  Win32Os os;
  platform::VersionInfo version;
  version.size = 148;
  EXPECT_TRUE(os.QueryVersion(&version));
  // What the prefix reports. This test program declares no supported systems in a manifest,
  // so Windows 10 tells it 6.2 as Windows does; brisko.exe declares them and is told 10.0.
  const std::string expected = Flavour() == "win10-64"  ? "6.2.9200"
                               : Flavour() == "win7-64" ? "6.1.7601"
                                                        : "5.1.2600";
  EXPECT_EQ(std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                std::to_string(version.build),
            expected);

  platform::MemoryStatusEx memory;
  memory.length = 64;
  EXPECT_EQ(os.GlobalMemoryStatusEx(&memory), platform::RuntimeCall::kSucceeded);
  EXPECT_GT(memory.totalPhys, 0u);
  EXPECT_LE(memory.availPhys, memory.totalPhys);

  std::uint64_t available = 0, total = 0, free = 0;
  // Found and answering for C:, found and refusing a drive that is not there.
  EXPECT_EQ(os.QueryDiskFreeSpaceEx("C:\\", &available, &total, &free),
            platform::RuntimeCall::kSucceeded);
  EXPECT_GT(total, 0u);
  EXPECT_EQ(os.QueryDiskFreeSpaceEx("Q:\\", &available, &total, &free),
            platform::RuntimeCall::kFailed);
}

// A function that cannot be had comes back null for a caller that decides itself, and ends
// the step of a caller that cannot go on without it, instead of being called through null.
TEST(SystemFunctions, MissingFunctionIsNullOrAFailureAsAsked) {
  using platform::win32::IfMissing;
  using platform::win32::SystemFunction;
  using platform::win32::SystemLibrary;
  using NoSuchFunction = void(WINAPI*)();
  EXPECT_EQ(SystemFunction<NoSuchFunction>(SystemLibrary::kKernel32, "BriskoNoSuchFunction",
                                           IfMissing::kGiveNull),
            nullptr);
  try {
    SystemFunction<NoSuchFunction>(SystemLibrary::kKernel32, "BriskoNoSuchFunction",
                                   IfMissing::kThrowFailure);
    ADD_FAILURE() << "no failure for a missing function";
  } catch (const platform::Failure& failure) {
    EXPECT_STREQ(failure.what(), "cannot load kernel32.dll");
  }
  EXPECT_NE(SystemFunction<decltype(&::GetTickCount)>(SystemLibrary::kKernel32, "GetTickCount",
                                                      IfMissing::kThrowFailure),
            nullptr);
}

TEST(Hardening, LibrariesAreNotLoadedFromTheCurrentFolder) {
  // The probe library lies only in a planted folder, which becomes the current folder.
  ::CreateDirectoryA("C:\\planted", nullptr);
  ASSERT_TRUE(::CopyFileA("C:\\tests\\briskoprobe.dll", "C:\\planted\\briskoprobe.dll", FALSE));
  ::DeleteFileA("C:\\tests\\briskoprobe.dll");
  ::SetCurrentDirectoryA("C:\\planted");

  HMODULE before = ::LoadLibraryA("briskoprobe.dll");
  ASSERT_NE(before, nullptr) << "without protection the current folder is searched";
  ::FreeLibrary(before);

  platform::win32::Win32StartUp start;  // what brisko.exe does first
  HMODULE after = ::LoadLibraryA("briskoprobe.dll");
  EXPECT_EQ(after, nullptr) << "a library planted in the current folder was loaded";
  if (after != nullptr) ::FreeLibrary(after);
  ::SetCurrentDirectoryA("C:\\tests");
}

// --- the way back: values read as they are and put back exactly ---------------------------

// Every row is handed over from a buffer whose next character is zero, as a caller's larger
// buffer may be: text saved without its terminator must come back without one.
TEST(RegistryWayBack, ValuesComeBackByteForByteAndAreDeleted) {
  using namespace std::string_view_literals;
  struct Row {
    const char* what;
    std::string name;  // UTF-8
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<std::uint8_t> large(5000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7 % 251);
  const Row rows[] = {
      {"non-ASCII text under a non-ASCII name", "Miasto Łódź", platform::kRegSz,
       Utf16Bytes(u"Łódź\0"sv)},
      {"text with a variable", "Expand", platform::kRegExpandSz,
       Utf16Bytes(u"%SystemRoot%\\Łódź\0"sv)},
      {"a list of texts", "Multi", platform::kRegMultiSz, Utf16Bytes(u"jeden\0dwa\0\0"sv)},
      {"bytes with zeros", "Binary", platform::kRegBinary, {0x00, 0xFF, 0x00, 0x10, 0x80}},
      {"a number of three bytes", "Short", platform::kRegDword, {1, 2, 3}},
      {"text without its terminator", "Unterminated", platform::kRegSz, Utf16Bytes(u"ab"sv)},
      {"larger than the first read's buffer", "Large", platform::kRegBinary, large},
      {"nothing at all", "Empty", platform::kRegBinary, {}},
  };
  Win32Os os;
  const std::string path = R"(Software\BriskoTest\WayBack)";
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &created), ERROR_SUCCESS);
  ::RegCloseKey(created);
  platform::Handle key = 0;
  ASSERT_EQ(os.OpenKey(platform::kHkeyCurrentUser, path,
                       platform::kKeyRead | platform::kKeySetValue, &key),
            ERROR_SUCCESS);
  const HKEY opened = reinterpret_cast<HKEY>(key);

  for (const Row& row : rows) {
    std::vector<std::uint8_t> buffer = row.bytes;
    buffer.insert(buffer.end(), {0, 0});
    ASSERT_EQ(os.SetValueExact(key, row.name, row.type,
                               std::span<const std::uint8_t>(buffer).first(row.bytes.size())),
              ERROR_SUCCESS)
        << row.what;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> read(7, 0xEE);  // what was there before must not survive
    EXPECT_EQ(os.QueryValue(key, row.name, &type, &read), ERROR_SUCCESS) << row.what;
    EXPECT_EQ(type, row.type) << row.what;
    EXPECT_EQ(read, row.bytes) << row.what;
    // Under the very characters of its name, not an ANSI rendering of them.
    DWORD size = 0;
    EXPECT_EQ(
        ::RegQueryValueExW(opened, WideOf(row.name).c_str(), nullptr, nullptr, nullptr, &size),
        ERROR_SUCCESS)
        << row.what;
    EXPECT_EQ(size, row.bytes.size()) << row.what;

    EXPECT_EQ(os.DeleteValue(key, row.name), ERROR_SUCCESS) << row.what;
    EXPECT_EQ(os.QueryValue(key, row.name, &type, &read), platform::kErrorFileNotFound) << row.what;
    EXPECT_EQ(
        ::RegQueryValueExW(opened, WideOf(row.name).c_str(), nullptr, nullptr, nullptr, &size),
        ERROR_FILE_NOT_FOUND)
        << row.what;
  }
  EXPECT_EQ(os.CloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryWayBack, OpenKeyFindsOnlyWhatExists) {
  Win32Os os;
  const std::string path = R"(Software\BriskoTest\NoSuchKey)";
  ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
  platform::Handle key = 0;
  EXPECT_EQ(os.OpenKey(platform::kHkeyCurrentUser, path, platform::kKeyRead, &key),
            platform::kErrorFileNotFound);
  HKEY opened = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &opened),
            ERROR_FILE_NOT_FOUND)
      << "looking for a key created it";
}

// The way back reads and writes in the view that the access rights name: under WOW64 the
// 64-bit one only with kKeyWow64_64Key. A 64-bit program, and 32-bit Windows, see one view.
TEST(RegistryWayBack, ValuesAreReadAndWrittenInTheViewAsked) {
  Win32Os os;
  const std::string path = R"(SOFTWARE\BriskoTest\WayBackView)";
  const auto mark = [&](REGSAM view, DWORD number) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "View", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    ::RegCloseKey(key);
  };
  mark(NativeView(), 64);
  if (SixtyFourBit()) mark(KEY_WOW64_32KEY, 32);
  const auto seen = [&](std::uint32_t access) {
    platform::Handle key = 0;
    if (os.OpenKey(platform::kHkeyLocalMachine, path, access, &key) != ERROR_SUCCESS) return -1;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const long result = os.QueryValue(key, "View", &type, &data);
    os.CloseKey(key);
    return result == ERROR_SUCCESS && data.size() == 4 ? int{data[0]} : -1;
  };
  const std::uint32_t native64 = SixtyFourBit() ? platform::kKeyWow64_64Key : 0;
  EXPECT_EQ(seen(platform::kKeyRead | native64), 64);
  EXPECT_EQ(seen(platform::kKeyRead), UnderWow64() ? 32 : 64);

  platform::Handle key = 0;
  ASSERT_EQ(os.OpenKey(platform::kHkeyLocalMachine, path, platform::kKeySetValue | native64, &key),
            ERROR_SUCCESS);
  const std::vector<std::uint8_t> back = {65, 0, 0, 0};
  EXPECT_EQ(os.SetValueExact(key, "View", platform::kRegDword, back), ERROR_SUCCESS);
  os.CloseKey(key);
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, path, "View", NativeView()).data, back);
  if (SixtyFourBit()) {
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, path, "View", KEY_WOW64_32KEY).data,
              (std::vector<unsigned char>{32, 0, 0, 0}))
        << "written to Wow6432Node";
  }
}

// --- the way back: its files ---------------------------------------------------------------

// A folder name outside ASCII, so that a path converted through the ANSI code page is caught.
const std::string kSavedFolder = "C:\\tests\\Zapisy Łódź";

// The folder as the wrapper holds it: its facts, and whether the trust rules would use it.
struct HeldFolder {
  HeldFolder(Win32Files& files, const std::string& path, bool forChange) : files(files) {
    opened = files.OpenFolder(path, forChange, &handle);
  }
  ~HeldFolder() {
    if (opened == 0) files.CloseFolder(handle);
  }
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
  Win32Files& files;
  platform::Handle handle = 0;
  long opened = -1;
};

TEST(Files, ProtectedFolderBelongsToTheAdministratorsAndCannotBeMovedWhileHeld) {
  Win32Files files;
  const platform::AccountFacts account = files.Account();
  RemoveFolder(kSavedFolder);
  EXPECT_EQ(HeldFolder(files, kSavedFolder, false).opened, platform::kErrorFileNotFound);
  EXPECT_EQ(HeldFolder(files, kSavedFolder + "\\below", false).opened,
            platform::kErrorPathNotFound);
  ASSERT_EQ(files.CreateProtectedFolder(kSavedFolder), 0);
  EXPECT_EQ(files.CreateProtectedFolder(kSavedFolder), platform::kErrorAlreadyExists);
  const std::wstring wide = WideOf(kSavedFolder), moved = wide + L" moved";
  {
    HeldFolder held(files, kSavedFolder, true);
    ASSERT_EQ(held.opened, 0);
    const platform::FolderFacts facts = files.FolderFactsOf(held.handle);
    EXPECT_TRUE(facts.exists);
    EXPECT_TRUE(facts.directory);
    EXPECT_FALSE(facts.reparsePoint);
    EXPECT_TRUE(facts.security.kept);
    // Windows keeps the Administrators group as the owner; Wine keeps none but the Unix
    // account's, which is this process's.
    EXPECT_TRUE(platform::TrustedPrincipal(facts.security.owner, account))
        << facts.security.ownerSid;
    EXPECT_EQ(platform::UntrustedWriter(facts.security, account), "");
    // Nobody can swap the folder while it is held. (Wine does not keep a folder that is open
    // without delete sharing from being renamed, so there this is Windows' word alone.)
    if (!account.wine) {
      EXPECT_FALSE(::MoveFileW(wide.c_str(), moved.c_str())) << "moved away while held";
    }
  }
  ASSERT_TRUE(::MoveFileW(wide.c_str(), moved.c_str())) << ::GetLastError();
  ASSERT_TRUE(::MoveFileW(moved.c_str(), wide.c_str())) << ::GetLastError();
  EXPECT_NE(::GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << "not under its name";

  // Nobody but SYSTEM, the Administrators and this account may change anything in it, and
  // Everyone has no entry at all. (Windows keeps our list; Wine keeps only what the folder's
  // Unix permissions can say, and a folder made without our list is open to Everyone there.)
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(::GetNamedSecurityInfoW(const_cast<wchar_t*>(wide.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr, &list, nullptr,
                                    &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(list, nullptr) << "no access list: everyone may do anything";
  const Sid everyone("S-1-1-0"), system("S-1-5-18"), administrators("S-1-5-32-544");
  constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                   FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                   WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* entry = nullptr;
    ASSERT_TRUE(::GetAce(list, i, &entry));
    if (static_cast<ACE_HEADER*>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const PSID who = &allowed->SidStart;
    EXPECT_FALSE(::EqualSid(who, everyone.sid)) << "entry " << i;
    if ((allowed->Mask & kChanges) != 0) {
      EXPECT_TRUE(::EqualSid(who, system.sid) || ::EqualSid(who, administrators.sid) ||
                  IsThisAccount(who))
          << "entry " << i << " lets someone else change the folder";
    }
  }
  ::LocalFree(descriptor);
  RemoveFolder(kSavedFolder);
}

// A folder that lets everyone add files, as the common application data folder passes on to a
// folder an administrator makes in it, is told apart and gets the protected list back.
TEST(Files, AFolderOthersMayChangeIsToldApartAndProtected) {
  Win32Files files;
  const platform::AccountFacts account = files.Account();
  const std::string open = "C:\\tests\\open to all";
  RemoveFolder(open);
  ASSERT_TRUE(::CreateDirectoryW(WideOf(open).c_str(), nullptr));
  // Everyone may do anything (given after the folder is made, so that no creation mask of
  // Wine's takes anything away).
  PSECURITY_DESCRIPTOR everyone = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;OICI;FA;;;WD)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1, &everyone, nullptr));
  ASSERT_EQ(::SetFileSecurityW(WideOf(open).c_str(), DACL_SECURITY_INFORMATION, everyone), TRUE);
  ::LocalFree(everyone);
  {
    HeldFolder held(files, open, true);
    ASSERT_EQ(held.opened, 0);
    EXPECT_EQ(platform::UntrustedWriter(files.FolderFactsOf(held.handle).security, account),
              "S-1-1-0");
    EXPECT_EQ(files.ProtectFolder(held.handle), 0);
    EXPECT_EQ(platform::UntrustedWriter(files.FolderFactsOf(held.handle).security, account), "");
  }
  // A file is a file, not a folder, when opened as one.
  Touch(open + "\\file.txt");
  {
    HeldFolder held(files, open + "\\file.txt", false);
    ASSERT_EQ(held.opened, 0);
    EXPECT_FALSE(files.FolderFactsOf(held.handle).directory);
  }
  RemoveFolder(open);
}

TEST(Files, NewFilesAreWrittenWholeOrNotAtAllReadBackWithTheirFactsAndListed) {
  Win32Files files;
  const platform::AccountFacts account = files.Account();
  RemoveFolder(kSavedFolder);
  ASSERT_EQ(files.CreateProtectedFolder(kSavedFolder), 0);
  struct Row {
    std::string name;  // UTF-8
    std::vector<std::uint8_t> bytes;
  };
  std::vector<std::uint8_t> bytes(70000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 % 256);
  const Row rows[] = {{"Zapis Łódź.reg", bytes}, {"pusty.reg", {}}};
  const std::vector<std::uint8_t> other = {'o', 't', 'h', 'e', 'r'};

  for (const Row& row : rows) {
    const std::string path = kSavedFolder + "\\" + row.name;
    ASSERT_EQ(files.WriteNewFile(path, row.bytes), 0) << row.name;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ASSERT_TRUE(::GetFileAttributesExW(WideOf(path).c_str(), GetFileExInfoStandard, &attributes))
        << row.name << " is not under its name";
    EXPECT_EQ(attributes.nFileSizeLow, row.bytes.size()) << row.name;
    EXPECT_EQ(::GetFileAttributesW(WideOf(path + ".saving").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the name it was written under is left behind";

    std::vector<std::uint8_t> read = {1, 2, 3};  // what was there before must not survive
    platform::FileFacts facts;
    EXPECT_EQ(files.ReadWholeFile(path, row.bytes.size(), &read, &facts), 0) << row.name;
    EXPECT_EQ(read, row.bytes) << row.name;
    EXPECT_TRUE(facts.diskFile) << row.name;
    EXPECT_FALSE(facts.reparsePoint) << row.name;
    EXPECT_EQ(facts.links, 1u) << row.name;
    EXPECT_TRUE(platform::TrustedPrincipal(facts.security.owner, account))
        << facts.security.ownerSid;
    // Never over an existing file, which keeps what it held.
    EXPECT_EQ(files.WriteNewFile(path, other), platform::kErrorFileExists) << row.name;
    EXPECT_EQ(files.ReadWholeFile(path, row.bytes.size() + other.size(), &read, &facts), 0);
    EXPECT_EQ(read, row.bytes) << row.name << " was changed by the refused write";
    if (!row.bytes.empty()) {
      EXPECT_EQ(files.ReadWholeFile(path, row.bytes.size() - 1, &read, &facts),
                platform::kErrorFileTooLarge)
          << row.name;
      EXPECT_EQ(facts.links, 1u) << "the facts of a file too large are known all the same";
    }
  }
  // A second name for a file is seen through the handle that reads it.
  const std::string first = kSavedFolder + "\\" + rows[1].name, second = kSavedFolder + "\\drugi";
  ASSERT_TRUE(::CreateHardLinkW(WideOf(second).c_str(), WideOf(first).c_str(), nullptr));
  std::vector<std::uint8_t> read;
  platform::FileFacts facts;
  EXPECT_EQ(files.ReadWholeFile(first, 100, &read, &facts), 0);
  EXPECT_EQ(facts.links, 2u);
  ::DeleteFileW(WideOf(second).c_str());
  // A name whose temporary file is left from a write that never ended is not used.
  const std::string stale = kSavedFolder + "\\stale.reg";
  std::ofstream(WideOf(stale + ".saving").c_str()) << "x";
  EXPECT_EQ(files.WriteNewFile(stale, other), platform::kErrorFileExists);
  EXPECT_EQ(::GetFileAttributesW(WideOf(stale).c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(files.WriteNewFile(kSavedFolder + "\\missing\\x.reg", other), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(files.ReadWholeFile(kSavedFolder + "\\missing.reg", 100, &read, &facts),
            platform::kErrorFileNotFound);

  // Files only, by the pattern: not another kind of file, not a folder whose name matches.
  ASSERT_EQ(files.WriteNewFile(kSavedFolder + "\\notatki.txt", other), 0);
  ASSERT_TRUE(::CreateDirectoryW(WideOf(kSavedFolder + "\\stary.reg").c_str(), nullptr));
  std::vector<std::string> names = files.ListFiles(kSavedFolder, "*.reg");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{rows[0].name, rows[1].name}));
  EXPECT_TRUE(files.ListFiles(kSavedFolder, "*.none").empty());
  EXPECT_TRUE(files.ListFiles(kSavedFolder + "\\missing", "*.reg").empty());
  RemoveFolder(kSavedFolder);
}

TEST(Files, SharedDataFolderFullPathsClockAccountAndComputerName) {
  Win32Files files;
  const std::string shared = files.CommonAppDataFolder();
  ASSERT_FALSE(shared.empty());
  {
    HeldFolder held(files, shared, false);
    ASSERT_EQ(held.opened, 0) << shared;
    const platform::FolderFacts facts = files.FolderFactsOf(held.handle);
    EXPECT_TRUE(facts.directory) << shared;
  }
  char current[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH, current), 0u);
  EXPECT_EQ(files.FullPath("x.log"), std::string(current) + "\\x.log");
  EXPECT_EQ(files.FullPath("C:\\a\\..\\b\\x.log"), "C:\\b\\x.log");

  // Coordinated universal time, whatever the time zone.
  const auto moment = [](int year, int month, int day, int hour, int minute, int second) {
    return std::make_tuple(year, month, day, hour, minute, second);
  };
  SYSTEMTIME before{}, after{};
  ::GetSystemTime(&before);
  const platform::CalendarTime now = files.Now();
  ::GetSystemTime(&after);
  const auto nowMoment = moment(now.year, now.month, now.day, now.hour, now.minute, now.second);
  EXPECT_LE(moment(before.wYear, before.wMonth, before.wDay, before.wHour, before.wMinute,
                   before.wSecond),
            nowMoment);
  EXPECT_LE(nowMoment, moment(after.wYear, after.wMonth, after.wDay, after.wHour, after.wMinute,
                              after.wSecond));

  // Wine says it is Wine; a token's elevation is known wherever Windows has it (Vista on).
  const platform::AccountFacts account = files.Account();
  EXPECT_EQ(account.wine,
            ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr);
  OSVERSIONINFOA version{sizeof version};
  ::GetVersionExA(&version);
  if (version.dwMajorVersion >= 6) {
    EXPECT_EQ(account.elevationQuery, platform::RuntimeCall::kSucceeded);
  }

  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(::GetComputerNameA(name, &size));
  EXPECT_EQ(files.ComputerName(), std::string(name, size));
}

// --- start-up: the log and the lock --------------------------------------------------------

// The log is opened as asked, without emptying it, and the system says where the open led.
TEST(StartUp, TheLogSaysWhereItsOpenLed) {
  const std::string path = "C:\\tests\\Dziennik Łódź.log";
  std::ofstream(WideOf(path).c_str()) << "kept";
  platform::win32::Win32StartUp startUp;
  const platform::LogFacts facts = startUp.OpenLog(path);
  ASSERT_TRUE(facts.opened) << facts.error;
  EXPECT_TRUE(facts.diskFile);
  EXPECT_EQ(facts.links, 1u);
  if (facts.finalPathQuery != platform::RuntimeCall::kMissing) {
    EXPECT_EQ(facts.finalPathQuery, platform::RuntimeCall::kSucceeded);
    EXPECT_EQ(facts.finalPath, "\\\\?\\" + path);
  }
  startUp.CloseLog();
  std::ifstream kept(WideOf(path).c_str());
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept") << "opening emptied it";
  kept.close();
  ::DeleteFileW(WideOf(path).c_str());
}

namespace {

// Holds something on a thread of its own until the test is done with it: a mutex owned by the
// test's own thread would be the test's to take again.
class OnAnotherThread {
 public:
  OnAnotherThread(std::function<void()> take, std::function<void()> release)
      : thread_([this, take, release] {
          take();
          taken_ = true;
          WaitFor([&] { return done_.load(); }, driver::kPatienceMs, "the test to be done");
          release();
        }) {
    WaitFor([&] { return taken_.load(); }, driver::kPatienceMs, "the lock to be taken");
  }
  ~OnAnotherThread() { done_ = true; }  // the thread ends and is joined after this
  OnAnotherThread(const OnAnotherThread&) = delete;
  OnAnotherThread& operator=(const OnAnotherThread&) = delete;

 private:
  std::atomic<bool> taken_{false}, done_{false};
  std::jthread thread_;
};

}  // namespace

// A lock that is held says who made it: another Brisko makes it the administrators'. Where the
// lock lives in the Global namespace (2000, XP, Wine), anyone may make an object of its name
// first, with a list that lets everyone open it, and hold it: that is not another Brisko's.
TEST(StartUp, AHeldLockIsAnotherBriskosOnlyWhenTheAdministratorsMadeIt) {
  using platform::win32::Win32StartUp;
  std::string where;
  {
    std::unique_ptr<Win32StartUp> other;
    OnAnotherThread brisko(
        [&] {
          other = std::make_unique<Win32StartUp>();
          where = other->TakeMachineLock().where;
        },
        [&] { other.reset(); });
    Win32StartUp second;
    const platform::LockAttempt attempt = second.TakeMachineLock();
    EXPECT_FALSE(attempt.owned);
    EXPECT_EQ(attempt.error, 0);
    EXPECT_EQ(attempt.owner, platform::Principal::kAdministrators) << attempt.ownerSid;
    EXPECT_EQ(app::ClaimMachine(second).claim, app::Claim::kHeld);
  }
  if (where != "Global") GTEST_SKIP() << "the lock lives in a private namespace here";
  HANDLE planted = nullptr;
  OnAnotherThread squatter(
      [&] { planted = ::CreateMutexW(nullptr, TRUE, L"Global\\BriskoMachineLock"); },
      [&] {
        ::ReleaseMutex(planted);
        ::CloseHandle(planted);
      });
  ASSERT_NE(planted, nullptr);
  Win32StartUp brisko;
  const app::MachineClaim claim = app::ClaimMachine(brisko);
  EXPECT_EQ(claim.claim, app::Claim::kFailed);
  EXPECT_NE(claim.reason.find("not by another Brisko"), std::string::npos) << claim.reason;
}
