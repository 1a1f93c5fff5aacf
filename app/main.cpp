// brisko.exe: the disclaimer window first, then the message loop until no window is left.
#include "app/program.h"
#include "platform/failure.h"
#include "platform/win32/win32_platform.h"

int main() {
  platform::win32::Win32Platform win32;
  app::Program program(win32.Host(), win32.System());
  // Without a desktop to draw on (a service session, say) there is nothing to show.
  if (!platform::Trap([&] { program.Start(); })) return 1;
  return win32.RunMessageLoop();
}
