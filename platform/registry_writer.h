// Writing one registry value: open or create the key, set the value, close the key; and,
// for the way back, reading one as it is and putting it back exactly.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/os.h"

namespace platform {

// Both return 0 when the value was written, else the registry's error code: the key's when
// it could not be opened, the write's otherwise. A run goes on either way.
long WriteRegistryDword(Registry& registry, std::uint32_t root, const std::string& keyPath,
                        const std::string& valueName, std::int32_t data);
long WriteRegistryString(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data);

// All three work in the view the run writes to (the 64-bit one on 64-bit Windows).
// 0 with the value's type and bytes (text types in UTF-16LE); kErrorFileNotFound when the
// key or the value is not there; else the registry's error code.
long ReadRegistryValue(Registry& registry, std::uint32_t root, const std::string& keyPath,
                       const std::string& valueName, std::uint32_t* type,
                       std::vector<std::uint8_t>* data);
// 0 when the key is there, kErrorFileNotFound when it is not, else the registry's error code.
long FindRegistryKey(Registry& registry, std::uint32_t root, const std::string& keyPath);
// The value exactly as given, its key made where it is missing, as the run's own writes do.
long WriteRegistryValueExact(Registry& registry, std::uint32_t root, const std::string& keyPath,
                             const std::string& valueName, std::uint32_t type,
                             std::span<const std::uint8_t> data);
// Deletes the value; 0 also when it or its key is not there, which is what was asked. The
// key is never made.
long DeleteRegistryValue(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName);

}  // namespace platform
