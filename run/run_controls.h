// The controls of the main window that a run drives. A run keeps no state of its own:
// whether one is under way is just whether Timer2 runs and the buttons are disabled.
#pragma once

#include <array>

#include "platform/toolkit.h"

namespace run {

struct RunControls {
  platform::Button command1, command2, command3, command4, command6;
  platform::Timer timer2;
  platform::ProgressBar progressBar1;
  platform::CheckBoxArray check1;

  // In the order a run disables them and its end enables them again.
  std::array<platform::Button, 5> Buttons() const {
    return {command1, command2, command3, command4, command6};
  }
};

}  // namespace run
