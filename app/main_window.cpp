// The main window's handlers: each decodes nothing, it just calls the step it stands for.
#include "app/main_window.h"

#include "app/control_ids.h"
#include "catalogue/maintenance_commands.h"
#include "monitor/version_line.h"
#include "platform/failure.h"
#include "platform/system_constants.h"
#include "run/progress_display.h"
#include "run/run_controller.h"

namespace app {

using namespace main_window;

MainWindow::MainWindow(platform::ControlHost& toolkit, platform::Os& os)
    : toolkit_(toolkit),
      os_(os),
      mainWindow_(toolkit, kMainWindow),
      disclaimerWindow_(toolkit, kDisclaimerWindow),
      run_{{toolkit, kOptimizeButton},        {toolkit, kExitButton},
           {toolkit, kDisclaimerButton},      {toolkit, kDefragButton},
           {toolkit, kDefaultSettingsButton}, {toolkit, kRunProgressTimer},
           {toolkit, kRunProgressBar},        {toolkit, kFirstCategoryBox, kCategoryBoxCount}},
      monitor_{{toolkit, kTotalMemoryLabel}, {toolkit, kAvailableMemoryLabel},
               {toolkit, kMemoryLoadLabel},  {toolkit, kProcessorLabel},
               {toolkit, kDriveTotalLabel},  {toolkit, kDriveFreeLabel},
               {toolkit, kDriveUsedLabel},   {toolkit, kAvailableMemoryBar},
               {toolkit, kMemoryLoadBar},    {toolkit, kDriveFreeBar},
               {toolkit, kDriveUsedBar}},
      versionLabel_(toolkit, kVersionLabel) {}

void MainWindow::OnLoad() {
  platform::Trap([&] { monitor::ShowWindowsVersion(versionLabel_, os_.info); });
}

void MainWindow::Click(platform::ControlId id) {
  switch (id) {
    case kOptimizeButton:
      run::OnOptimize(run_, os_, mainWindow_, toolkit_);
      break;
    case kExitButton:
      OnExit();
      break;
    case kDisclaimerButton:
      OnDisclaimer();
      break;
    case kDefragButton:
      catalogue::StartDefrag(os_.processes);
      break;
    case kDefaultSettingsButton:
      OnDefaultSettings();
      break;
    default:
      break;
  }
}

void MainWindow::Tick(platform::ControlId timer) {
  if (timer == kMonitorTimer) monitor::OnMonitorTick(monitor_, os_.info);
  if (timer == kRunProgressTimer) run::OnProgressTick(run_);
}

void MainWindow::OnExit() {
  platform::Trap([&] {
    mainWindow_.Unload();
    toolkit_.EndProgram();
  });
}

void MainWindow::OnDisclaimer() {
  platform::Trap([&] { disclaimerWindow_.Show(); });
}

// The button's own handler lets a failure pass; here the user hears of it instead of the
// program going down, since they asked for the check and waited for an answer.
void MainWindow::OnDefaultSettings() {
  platform::TrapAndReport([&] { catalogue::AskAndStartSystemFileCheck(toolkit_, os_.processes); },
                          [&](const std::string& reason) {
                            toolkit_.ShowMessage(
                                "The system file check could not be started.\n\n" + reason,
                                "Brisko", platform::kMbOk | platform::kMbIconWarning);
                          });
}

}  // namespace app
