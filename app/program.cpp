// Start-up: only the disclaimer window exists until "Next"; no timer runs before then.
#include "app/program.h"

#include "app/control_ids.h"
#include "app/layouts.h"

namespace app {

Program::Program(platform::WindowHost& host, platform::Os& os)
    : host_(host), form1_(host, os), frmSplash_(host) {
  host_.Register(Form1Layout(), form1_);
  host_.Register(FrmSplashLayout(), frmSplash_);
}

void Program::Start() { host_.ShowWindow(kFrmSplash); }

}  // namespace app
