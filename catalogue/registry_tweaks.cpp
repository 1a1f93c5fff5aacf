// Run step 3 of "Optimize".
#include "catalogue/registry_tweaks.h"

#include <string>

#include "platform/failure.h"
#include "platform/registry_writer.h"

namespace catalogue {

void ApplyRegistryTweaks(platform::Registry& registry) {
  platform::Trap([&] {
    for (const RegistryTweak& row : kRegistryTweaks) {
      const std::string key(row.keyPath), name(row.valueName);
      if (row.type == platform::kRegSz) {
        platform::WriteRegistryString(registry, row.root, key, name, std::string(row.text));
      } else {
        platform::WriteRegistryDword(registry, row.root, key, name, row.number);
      }
    }
  });
}

}  // namespace catalogue
