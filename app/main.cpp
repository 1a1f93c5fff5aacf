// brisko.exe: without arguments the disclaimer window first, then the message loop until no
// window is left; with switches the usage or the unattended run, which never opens a window.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "app/single_instance.h"
#include "app/unattended.h"
#include "app/undo.h"
#include "platform/failure.h"
#include "platform/win32/win32_start_up.h"

int main(int argc, char** argv) {
  platform::win32::Win32StartUp startUp;
  const app::Invocation invocation =
      app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (invocation.action) {
    case app::Action::kOpenWindows:
      break;
    case app::Action::kOptimize:
    case app::Action::kUndo: {
      platform::win32::Win32System system;
      int exitCode = app::kExitIncomplete;
      platform::Trap([&] {
        exitCode = invocation.action == app::Action::kOptimize
                       ? app::RunOptimize(invocation, system.System(), startUp)
                       : app::RunUndo(invocation, system.System(), startUp);
      });
      return exitCode;
    }
    case app::Action::kShowUsage:
    case app::Action::kRefuse:
      return app::AnswerCommandLine(invocation, startUp);
  }

  if (!app::ClaimForWindows(startUp)) return app::kExitBusy;
  platform::win32::Win32Platform win32;
  app::Program program(win32.Host(), win32.System());
  // Without a desktop to draw on (a service session, say) there is nothing to show.
  if (!platform::Trap([&] { program.Start(); })) return 1;
  return win32.RunMessageLoop();
}
