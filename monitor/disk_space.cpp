// The extended query is looked up on every call and the older one serves where it is
// missing. Both compute in 64 bits: a volume of 2 GiB or more must not read as 0.
#include "monitor/disk_space.h"

#include <cstdint>

#include "platform/failure.h"

namespace monitor {
namespace {

enum class Quantity { kTotal, kFree };

std::uint64_t CheckedProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) throw platform::Failure("overflow");
  return a * b;
}

Currency QuerySpace(platform::SystemInfo& info, const std::string& root, Quantity quantity) {
  Currency result = 0;
  platform::Trap([&] {
    const platform::Handle kernel32 = info.ModuleHandle("kernel32.dll");
    if (info.GetProcAddress(kernel32, "GetDiskFreeSpaceExA") != 0) {
      std::uint64_t availableToCaller = 0, total = 0, totalFree = 0;
      if (info.QueryDiskFreeSpaceEx(root, &availableToCaller, &total, &totalFree) != 0) {
        result = CurrencyFromBytes(quantity == Quantity::kTotal ? total : totalFree);
      }
    } else {
      std::uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
      if (info.QueryDiskFreeSpace(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                  &totalClusters) != 0) {
        const std::uint64_t cluster = CheckedProduct(sectorsPerCluster, bytesPerSector);
        result = CurrencyFromBytes(
            CheckedProduct(cluster, quantity == Quantity::kTotal ? totalClusters : freeClusters));
      }
    }
  });
  return result;
}

}  // namespace

Currency GetDriveTotalSpace(platform::SystemInfo& info, const std::string& root) {
  return QuerySpace(info, root, Quantity::kTotal);
}

Currency GetDriveFreeSpace(platform::SystemInfo& info, const std::string& root) {
  return QuerySpace(info, root, Quantity::kFree);
}

}  // namespace monitor
