// Start-up: only the disclaimer window exists until "Next"; no timer runs before then.
#include "app/program.h"

#include "app/control_ids.h"
#include "app/layouts.h"

namespace app {

Program::Program(platform::WindowHost& host, platform::Os& os)
    : host_(host), mainWindow_(host, os), disclaimerWindow_(host) {
  host_.Register(MainWindowLayout(), mainWindow_);
  host_.Register(DisclaimerWindowLayout(), disclaimerWindow_);
}

void Program::Start() { host_.ShowWindow(kDisclaimerWindow); }

}  // namespace app
