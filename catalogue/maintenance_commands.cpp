// The two maintenance buttons of the main window.
#include "catalogue/maintenance_commands.h"

#include <string>

#include "platform/command_runner.h"
#include "platform/failure.h"
#include "platform/system_constants.h"

namespace catalogue {

void StartDefrag(platform::Processes& processes) {
  platform::Trap([&] {
    platform::Ignore(
        platform::RunCommandLine(processes, std::string(kDefragLine), platform::kSwShowNormal));
  });
}

void AskAndStartSystemFileCheck(platform::ControlHost& toolkit, platform::Processes& processes) {
  const int answer = toolkit.ShowMessage(std::string(kRestoreQuestion), std::string(kRestoreTitle),
                                         platform::kMbYesNo);
  if (answer == platform::kIdYes) {
    platform::Ignore(
        platform::RunCommandLine(processes, std::string(kSystemFileCheckLine), platform::kSwHide));
  }
}

}  // namespace catalogue
