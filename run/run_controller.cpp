// The buttons and the progress timer change before the first command line starts, so a run cannot
// be started twice. The handler never yields to the message loop: the progress animation begins
// only after every step has returned.
#include "run/run_controller.h"

#include "catalogue/run_listener.h"
#include "catalogue/run_steps.h"
#include "platform/failure.h"

namespace run {
namespace {

// Only the progress timer's last tick brings the window back to rest. When the window cannot
// be put into its running state (the timer cannot be started, or a button refuses), no tick
// would ever come and the buttons would stay disabled for the rest of the session; so the
// buttons are enabled again at once and the click does nothing more.
bool EnterRunningState(const RunControls& controls) {
  const bool running = platform::Trap([&] {
    for (const platform::Button& button : controls.Buttons()) button.SetEnabled(false);
    controls.progressTimer.SetEnabled(true);
  });
  if (!running) {
    for (const platform::Button& button : controls.Buttons()) {
      platform::Trap([&] { button.SetEnabled(true); });
    }
  }
  return running;
}

}  // namespace

void OnOptimize(const RunControls& controls, platform::Os& os, const platform::Window& mainWindow) {
  platform::Trap([&] {
    if (!EnterRunningState(controls)) return;
    catalogue::ApplyRunSteps(os, mainWindow, {}, catalogue::NoListener());
  });
}

}  // namespace run
