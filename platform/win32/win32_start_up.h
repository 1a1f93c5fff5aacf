// The Win32 side as the program's start-up sees it: the start-up services, the toolkit host,
// the operating system interfaces and the message loop. Deliberately free of <windows.h>.
#pragma once

#include <memory>

#include "platform/os.h"
#include "platform/start_up.h"
#include "platform/window_host.h"

namespace platform::win32 {

class Win32Platform {
 public:
  Win32Platform();
  ~Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  WindowHost& Host();
  Os& System();
  // Runs until no window is left or the program is ended; returns the exit code.
  int RunMessageLoop();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// The operating system without the window toolkit, for a start from the command line: the
// same safe library search and COM apartment as the windows get, and no window at any
// moment.
class Win32System {
 public:
  Win32System();
  ~Win32System();
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  Os& System();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// The start-up services over kernel32, user32 and advapi32. Made first of all: it narrows
// the library search before anything can be loaded.
class Win32StartUp : public StartUp {
 public:
  Win32StartUp();
  ~Win32StartUp() override;
  Win32StartUp(const Win32StartUp&) = delete;
  Win32StartUp& operator=(const Win32StartUp&) = delete;

  LockAttempt TakeMachineLock() override;
  AccountFacts Account() override;
  void ReleaseMachineLock() override;
  void QuietErrors() override;
  bool BringToFront(const std::string& windowClass) override;
  void Pause(std::uint32_t milliseconds) override;
  void ShowNotice(const std::string& text, const std::string& title) override;
  bool Ask(const std::string& text, const std::string& title) override;
  Station WindowStation() override;
  bool OpenOutput() override;
  void WriteOutput(const std::string& text) override;
  LogFacts OpenLog(const std::string& path) override;
  bool EmptyLog() override;
  void CloseLog() override;
  bool WriteLog(const std::string& text) override;
  UtcTime Now() override;
  std::string ComputerName() override;
  std::string UserName() override;

 private:
  enum class Output { kUnknown, kNone, kInherited, kConsole };
  Handle machineLock_ = 0;
  Handle lockNamespace_ = 0;  // a private namespace must stay open while its lock is used
  Handle log_ = 0;
  Handle output_ = 0;
  Output outputKind_ = Output::kUnknown;
};

}  // namespace platform::win32
