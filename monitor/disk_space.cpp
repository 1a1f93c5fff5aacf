// The extended query is asked first on every call and the older one serves where the system
// lacks it. Both compute in 64 bits: a volume of 2 GiB or more must not read as 0.
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
    std::uint64_t availableToCaller = 0, total = 0, totalFree = 0;
    const platform::RuntimeCall extended =
        info.QueryDiskFreeSpaceEx(root, &availableToCaller, &total, &totalFree);
    // Where the extended query is there its answer stands, a failure too (0).
    if (extended == platform::RuntimeCall::kSucceeded) {
      result = CurrencyFromBytes(quantity == Quantity::kTotal ? total : totalFree);
    } else if (extended == platform::RuntimeCall::kMissing) {
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
