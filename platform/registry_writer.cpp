// A refused write must not stop a tuning run, so no registry result is examined here; the
// key is always closed again, even when it could not be opened. The result is handed back
// for a caller that reports it.
#include "platform/registry_writer.h"

#include <array>
#include <vector>

#include "platform/failure.h"

namespace platform {
namespace {

// Holds a key from RegCreateKeyA to RegCloseKey, whatever happens in between.
class OpenKey {
 public:
  OpenKey(Registry& registry, std::uint32_t root, const std::string& path) : registry_(registry) {
    opened_ = registry_.CreateKey(root, path, &key_);
  }
  ~OpenKey() { Ignore(registry_.CloseKey(key_)); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  Handle get() const { return key_; }
  // The key's error, else the write's.
  long Outcome(long written) const { return opened_ != 0 ? opened_ : written; }

 private:
  Registry& registry_;
  Handle key_ = 0;
  long opened_ = 0;
};

}  // namespace

long WriteRegistryDword(Registry& registry, std::uint32_t root, const std::string& keyPath,
                        const std::string& valueName, std::int32_t data) {
  const auto bits = static_cast<std::uint32_t>(data);
  const std::array<std::uint8_t, 4> bytes = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  OpenKey key(registry, root, keyPath);
  return key.Outcome(registry.SetValue(key.get(), valueName, kRegDword, bytes));
}

// The stored length counts the terminating zero: a REG_SZ without it reads back
// unterminated in other programs.
long WriteRegistryString(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data) {
  std::vector<std::uint8_t> bytes(data.begin(), data.end());
  bytes.push_back(0);
  OpenKey key(registry, root, keyPath);
  return key.Outcome(registry.SetValue(key.get(), valueName, kRegSz, bytes));
}

}  // namespace platform
