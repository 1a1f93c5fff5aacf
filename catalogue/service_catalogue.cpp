// Run step 2 of "Optimize".
#include "catalogue/service_catalogue.h"

namespace catalogue {

void StopAndDisableServices(platform::Processes& processes, const RunOptions& options,
                            RunListener& listener) {
  constexpr RunStep kStep = RunStep::kStopAndDisableServices;
  TrapStep(kStep, listener, [&] {
    for (std::string_view line : kServiceLines) {
      StartRunLine(processes, kStep, line, options, listener);
    }
  });
}

}  // namespace catalogue
