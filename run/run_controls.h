// The controls of the main window that a run drives. A run keeps no state of its own:
// whether one is under way is just whether the progress timer runs and the buttons are disabled.
#pragma once

#include <array>

#include "platform/toolkit.h"

namespace run {

struct RunControls {
  platform::Button optimizeButton, exitButton, disclaimerButton, defragButton,
      defaultSettingsButton;
  platform::Timer progressTimer;
  platform::ProgressBar progressBar;
  platform::CheckBoxArray categoryBoxes;

  // In the order a run disables them and its end enables them again.
  std::array<platform::Button, 5> Buttons() const {
    return {optimizeButton, exitButton, disclaimerButton, defragButton, defaultSettingsButton};
  }
};

}  // namespace run
