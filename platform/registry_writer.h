// Writing one registry value: open or create the key, set the value, close the key.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace platform {

void WriteRegistryDword(Registry& registry, std::uint32_t root, const std::string& keyPath,
                        const std::string& valueName, std::int32_t data);
void WriteRegistryString(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data);

}  // namespace platform
