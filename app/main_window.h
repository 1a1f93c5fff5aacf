// The main window: the monitor panel, the category boxes, the run and the buttons.
#pragma once

#include "monitor/live_statistics.h"
#include "platform/os.h"
#include "platform/toolkit.h"
#include "run/run_controls.h"

namespace app {

class MainWindow : public platform::WindowLogic {
 public:
  MainWindow(platform::ControlHost& toolkit, platform::Os& os);

  void OnLoad() override;
  void Click(platform::ControlId id) override;
  void Tick(platform::ControlId timer) override;

 private:
  void OnExit();
  void OnDisclaimer();
  void OnDefaultSettings();

  platform::ControlHost& toolkit_;
  platform::Os& os_;
  platform::Window mainWindow_, disclaimerWindow_;
  run::RunControls run_;
  monitor::MonitorControls monitor_;
  platform::Label versionLabel_;
};

}  // namespace app
