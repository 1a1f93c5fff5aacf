// Run step 3 of "Optimize".
#include "catalogue/registry_tweaks.h"

#include <string>

#include "platform/failure.h"
#include "platform/registry_writer.h"
#include "platform/system_constants.h"

namespace catalogue {

namespace {

// One row; a failure inside the program is told to the listener and then ends the step.
void Apply(platform::Registry& registry, const RegistryTweak& row, RunListener& listener) {
  long result = 0;
  bool written = false;
  std::string reason;
  platform::TrapAndReport(
      [&] {
        const std::string key(row.keyPath), name(row.valueName);
        if (row.type == platform::kRegSz) {
          result =
              platform::WriteRegistryString(registry, row.root, key, name, std::string(row.text));
        } else {
          result = platform::WriteRegistryDword(registry, row.root, key, name, row.number);
        }
        written = true;
      },
      [&](const std::string& why) { reason = why; });
  if (!written) {
    listener.ValueNotWritten(row, reason);
    throw platform::Failure(reason);
  }
  listener.ValueWritten(row, result);
}

}  // namespace

void ApplyRegistryTweaks(platform::Registry& registry, RunListener& listener) {
  TrapStep(RunStep::kApplyRegistryTweaks, listener, [&] {
    for (const RegistryTweak& row : kRegistryTweaks) Apply(registry, row, listener);
  });
}

}  // namespace catalogue
