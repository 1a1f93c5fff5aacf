// brisko.exe: without arguments the disclaimer window first, then the message loop until no
// window is left; with switches the usage, the unattended run, the way back or the audit, which
// never open a window.
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/audit.h"
#include "app/command_line.h"
#include "app/program.h"
#include "app/single_instance.h"
#include "app/unattended.h"
#include "app/undo.h"
#include "platform/failure.h"
#include "platform/win32/command_line_w.h"
#include "platform/win32/win32_start_up.h"

namespace {

int Run(const std::vector<std::string>& arguments) {
  platform::win32::Win32StartUp startUp;
  const app::Invocation invocation = app::ParseCommandLine(arguments);
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
    case app::Action::kAudit: {
      platform::win32::Win32System system;
      // A failure nobody foresaw leaves the question unanswered, which is 2, not "differs".
      int exitCode = app::kExitNotUnderstood;
      platform::Trap([&] { exitCode = app::RunAudit(invocation, system.System(), startUp); });
      return exitCode;
    }
    case app::Action::kShowUsage:
    case app::Action::kRefuse:
      return app::AnswerCommandLine(invocation, startUp);
  }

  switch (app::ClaimForWindows(startUp)) {
    case app::Claim::kClaimed:
      break;
    case app::Claim::kHeld:
      return app::kExitBusy;
    case app::Claim::kFailed:
      return app::kExitIncomplete;
  }
  platform::win32::Win32Platform win32;
  app::Program program(win32.Host(), win32.System());
  // Without a desktop to draw on (a service session, say) there is nothing to show.
  if (!platform::Trap([&] { program.Start(); })) return app::kExitIncomplete;
  return win32.RunMessageLoop();
}

}  // namespace

int main() {
  // Nothing may leave main as an exception: the C++ runtime would end the program with an exit
  // code of its own (3), which a deployment tool would read as something else entirely.
  try {
    // The arguments as typed, from the UTF-16 command line: the C runtime's argv comes from the
    // ANSI one, where a path beyond the code page turns into another file.
    return Run(app::SplitCommandLine(platform::win32::CommandLineW()));
  } catch (...) {
    return app::kExitIncomplete;
  }
}
