// Form1's handlers: each decodes nothing, it just calls the step it stands for.
#include "app/main_window.h"

#include "app/control_ids.h"
#include "catalogue/maintenance_commands.h"
#include "monitor/version_line.h"
#include "platform/failure.h"
#include "run/progress_display.h"
#include "run/run_controller.h"

namespace app {

using namespace form1;

MainWindow::MainWindow(platform::ControlHost& toolkit, platform::Os& os)
    : toolkit_(toolkit),
      os_(os),
      form1_(toolkit, kForm1),
      frmSplash_(toolkit, kFrmSplash),
      run_{{toolkit, kCommand1},      {toolkit, kCommand2},
           {toolkit, kCommand3},      {toolkit, kCommand4},
           {toolkit, kCommand6},      {toolkit, kTimer2},
           {toolkit, ProgressBar(1)}, {toolkit, kCheck1, kCheck1Count}},
      monitor_{{toolkit, Label(1)},       {toolkit, Label(2)},       {toolkit, Label(3)},
               {toolkit, Label(4)},       {toolkit, Label(5)},       {toolkit, Label(6)},
               {toolkit, Label(7)},       {toolkit, ProgressBar(2)}, {toolkit, ProgressBar(3)},
               {toolkit, ProgressBar(4)}, {toolkit, ProgressBar(5)}},
      label8_(toolkit, Label(8)) {}

void MainWindow::Form_Load() {
  platform::Trap([&] { monitor::GetWindowsVersion(label8_, os_.info); });
}

void MainWindow::Click(platform::ControlId id) {
  switch (id) {
    case kCommand1:
      run::Command1_Click(run_, os_, form1_);
      break;
    case kCommand2:
      Command2_Click();
      break;
    case kCommand3:
      Command3_Click();
      break;
    case kCommand4:
      catalogue::Command4_Click(os_.processes);
      break;
    case kCommand6:
      Command6_Click();
      break;
    default:
      break;
  }
}

void MainWindow::Tick(platform::ControlId timer) {
  if (timer == kTimer1) monitor::Timer1_Timer(monitor_, os_.info);
  if (timer == kTimer2) run::Timer2_Timer(run_);
}

void MainWindow::Command2_Click() {
  platform::Trap([&] {
    form1_.Unload();
    toolkit_.EndProgram();
  });
}

void MainWindow::Command3_Click() {
  platform::Trap([&] { frmSplash_.Show(); });
}

// The button's own handler lets a failure pass; here the user hears of it instead of the
// program going down, since they asked for the check and waited for an answer.
void MainWindow::Command6_Click() {
  platform::TrapAndReport([&] { catalogue::Command6_Click(toolkit_, os_.processes); },
                          [&](const std::string& reason) {
                            constexpr unsigned kMbOkWarning = 0x30;
                            toolkit_.ShowMessage(
                                "The system file check could not be started.\n\n" + reason,
                                "Brisko", kMbOkWarning);
                          });
}

}  // namespace app
