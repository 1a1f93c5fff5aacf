// The disclaimer window: the first window at start-up, shown again by
// "Disclaimer". "Next" opens the main window; any other typed key only closes it.
#pragma once

#include "platform/toolkit.h"

namespace app {

class DisclaimerWindow : public platform::WindowLogic {
 public:
  explicit DisclaimerWindow(platform::ControlHost& toolkit);

  void Click(platform::ControlId id) override;
  void OnKeyPress(int character) override;

 private:
  void OnNext();

  platform::Window mainWindow_, disclaimerWindow_;
};

}  // namespace app
