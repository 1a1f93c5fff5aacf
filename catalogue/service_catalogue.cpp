// Run step 2 of "Optimize".
#include "catalogue/service_catalogue.h"

#include <string>

#include "platform/command_runner.h"
#include "platform/failure.h"

namespace catalogue {

void StopAndDisableServices(platform::Processes& processes) {
  platform::Trap([&] {
    for (std::string_view line : kServiceLines) {
      platform::Ignore(platform::RunCommandLine(processes, std::string(line), platform::kSwHide));
    }
  });
}

}  // namespace catalogue
