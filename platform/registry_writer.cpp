// A refused write must not stop a tuning run, so no registry result is examined here; the
// key is always closed again, even when it could not be opened. The result is handed back
// for a caller that reports it. The way back reads a value as it is and puts it back
// exactly, in the same view as the run's writes.
//
// On 64-bit Windows a 32-bit program's keys below HKLM\SOFTWARE are redirected to
// Wow6432Node, where Windows does not look for these settings. There every key is opened in the
// 64-bit view: RegCreateKeyExA with the rights RegCreateKeyA asks for itself
// (MAXIMUM_ALLOWED) and KEY_WOW64_64KEY. 32-bit Windows gets RegCreateKeyA as always.
#include "platform/registry_writer.h"

#include <array>
#include <vector>

#include "platform/failure.h"
#include "platform/system_constants.h"
#include "platform/wow64.h"

namespace platform {
namespace {

// Holds a key from its creation to RegCloseKey, whatever happens in between.
class CreatedKey {
 public:
  CreatedKey(Registry& registry, std::uint32_t root, const std::string& path)
      : registry_(registry) {
    opened_ = RunsUnderWow64(registry_)
                  ? registry_.CreateKeyEx(root, path, kMaximumAllowed | kKeyWow64_64Key, &key_)
                  : registry_.CreateKey(root, path, &key_);
  }
  ~CreatedKey() { Ignore(registry_.CloseKey(key_)); }
  CreatedKey(const CreatedKey&) = delete;
  CreatedKey& operator=(const CreatedKey&) = delete;
  Handle get() const { return key_; }
  // The key's error, else the write's.
  long Outcome(long written) const { return opened_ != 0 ? opened_ : written; }

 private:
  Registry& registry_;
  Handle key_ = 0;
  long opened_ = 0;
};

// An existing key, opened for the rights given in the view the run writes to, and closed
// again if it was opened. A key that is not there is never made.
class ExistingKey {
 public:
  ExistingKey(Registry& registry, std::uint32_t root, const std::string& path,
              std::uint32_t rights)
      : registry_(registry) {
    const std::uint32_t view = RunsUnderWow64(registry_) ? kKeyWow64_64Key : 0;
    opened_ = registry_.OpenKey(root, path, rights | view, &key_);
  }
  ~ExistingKey() {
    if (opened_ == 0) Ignore(registry_.CloseKey(key_));
  }
  ExistingKey(const ExistingKey&) = delete;
  ExistingKey& operator=(const ExistingKey&) = delete;
  Handle get() const { return key_; }
  long opened() const { return opened_; }

 private:
  Registry& registry_;
  Handle key_ = 0;
  long opened_ = 0;
};

}  // namespace

long ReadRegistryValue(Registry& registry, std::uint32_t root, const std::string& keyPath,
                       const std::string& valueName, std::uint32_t* type,
                       std::vector<std::uint8_t>* data) {
  ExistingKey key(registry, root, keyPath, kKeyRead);
  if (key.opened() != 0) return key.opened();
  return registry.QueryValue(key.get(), valueName, type, data);
}

long FindRegistryKey(Registry& registry, std::uint32_t root, const std::string& keyPath) {
  return ExistingKey(registry, root, keyPath, kKeyRead).opened();
}

long WriteRegistryValueExact(Registry& registry, std::uint32_t root, const std::string& keyPath,
                             const std::string& valueName, std::uint32_t type,
                             std::span<const std::uint8_t> data) {
  CreatedKey key(registry, root, keyPath);
  return key.Outcome(registry.SetValueExact(key.get(), valueName, type, data));
}

long DeleteRegistryValue(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName) {
  ExistingKey key(registry, root, keyPath, kKeySetValue);
  const long result =
      key.opened() != 0 ? key.opened() : registry.DeleteValue(key.get(), valueName);
  return result == kErrorFileNotFound ? 0 : result;
}

long WriteRegistryDword(Registry& registry, std::uint32_t root, const std::string& keyPath,
                        const std::string& valueName, std::int32_t data) {
  const auto bits = static_cast<std::uint32_t>(data);
  const std::array<std::uint8_t, 4> bytes = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  CreatedKey key(registry, root, keyPath);
  return key.Outcome(registry.SetValue(key.get(), valueName, kRegDword, bytes));
}

// The stored length counts the terminating zero: a REG_SZ without it reads back
// unterminated in other programs.
long WriteRegistryString(Registry& registry, std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data) {
  std::vector<std::uint8_t> bytes(data.begin(), data.end());
  bytes.push_back(0);
  CreatedKey key(registry, root, keyPath);
  return key.Outcome(registry.SetValue(key.get(), valueName, kRegSz, bytes));
}

}  // namespace platform
