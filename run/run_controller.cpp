// The buttons and the progress timer change before the first command line starts, so a run cannot
// be started twice. The handler never yields to the message loop: the progress animation begins
// only after every step has returned.
#include "run/run_controller.h"

#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"
#include "platform/failure.h"

namespace run {

void ApplyRunSteps(platform::Os& os, const platform::Window& mainWindow,
                   catalogue::RunListener& listener) {
  catalogue::CleanDiskAndDesktop(os.processes, os.desktop, mainWindow, listener);
  catalogue::StopAndDisableServices(os.processes, listener);
  catalogue::ApplyRegistryTweaks(os.registry, listener);
  catalogue::EmptyRecycleBin(os.desktop, mainWindow, listener);
  catalogue::DeleteTempFiles(os.processes, listener);
  platform::Ignore(catalogue::ClearUrlHistory(os.com, listener));
}

void OnOptimize(const RunControls& controls, platform::Os& os, const platform::Window& mainWindow) {
  platform::Trap([&] {
    for (const platform::Button& button : controls.Buttons()) button.SetEnabled(false);
    controls.progressTimer.SetEnabled(true);
    ApplyRunSteps(os, mainWindow, catalogue::NoListener());
  });
}

}  // namespace run
