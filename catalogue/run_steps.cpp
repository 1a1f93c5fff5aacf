// The run in the order of its table.
#include "catalogue/run_steps.h"

#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/run_listener.h"
#include "catalogue/service_catalogue.h"
#include "platform/failure.h"

namespace catalogue {

std::string_view StepName(RunStep step) {
  for (const RunStepName& row : kRunSteps) {
    if (row.step == step) return row.name;
  }
  return {};
}

void ApplyRunSteps(platform::Os& os, const platform::Window& mainWindow, const RunOptions& options,
                   RunListener& listener) {
  for (const RunStepName& row : kRunSteps) {
    switch (row.step) {
      case RunStep::kCleanDiskAndDesktop:
        CleanDiskAndDesktop(os.processes, os.desktop, mainWindow, options, listener);
        break;
      case RunStep::kStopAndDisableServices:
        StopAndDisableServices(os.processes, options, listener);
        break;
      case RunStep::kApplyRegistryTweaks:
        ApplyRegistryTweaks(os.registry, listener);
        break;
      case RunStep::kEmptyRecycleBin:
        EmptyRecycleBin(os.desktop, mainWindow, options, listener);
        break;
      case RunStep::kDeleteTempFiles:
        DeleteTempFiles(os.processes, options, listener);
        break;
      case RunStep::kClearUrlHistory:
        platform::Ignore(ClearUrlHistory(os.com, listener));
        break;
    }
  }
}

}  // namespace catalogue
