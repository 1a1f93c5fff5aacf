// The Win32 side as the program's start-up sees it: the toolkit host, the operating
// system interfaces and the message loop. Deliberately free of <windows.h>.
#pragma once

#include <memory>

#include "platform/os.h"
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

}  // namespace platform::win32
