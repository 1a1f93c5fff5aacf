// The settings the run replaces are saved first, so that it can be undone; then the buttons
// and the progress timer change before the first command line starts, so a run cannot be
// started twice. The handler never yields to the message loop (but to ask, when nothing could
// be saved): the progress animation begins only after every step has returned.
#include "run/run_controller.h"

#include "catalogue/run_listener.h"
#include "catalogue/run_steps.h"
#include "catalogue/settings_backup.h"
#include "platform/failure.h"
#include "platform/system_constants.h"

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

// The question when the settings could not be saved; No, the default, runs nothing.
constexpr char kRunWithoutSavingQuestion[] =
    "Brisko could not save your current settings, so they could not be restored later. "
    "Optimize anyway?";

}  // namespace

void OnOptimize(const RunControls& controls, platform::Os& os, const platform::Window& mainWindow,
                platform::ControlHost& toolkit) {
  platform::Trap([&] {
    if (!catalogue::SaveSettingsBeforeRun(os).saved &&
        toolkit.ShowMessage(kRunWithoutSavingQuestion, "Brisko",
                            platform::kMbYesNo | platform::kMbIconWarning |
                                platform::kMbDefButton2) != platform::kIdYes) {
      return;
    }
    if (!EnterRunningState(controls)) return;
    catalogue::ApplyRunSteps(os, mainWindow, {}, catalogue::NoListener());
  });
}

}  // namespace run
