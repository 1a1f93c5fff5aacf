// Writing one registry value: open or create the key, set the value, close the key.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace platform {

// Both return 0 when the value was written, else the registry's error code: the key's when
// it could not be opened, the write's otherwise. A run goes on either way.
long WriteRegistryDword(Registry& registry, std::uint32_t root, const std::string& keyPath,
                        const std::string& valueName, std::int32_t data);
long WriteRegistryString(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data);

}  // namespace platform
