// Each tick asks the system afresh and keeps nothing. The first failure ends the tick;
// what it already wrote stays, so a missing drive C: leaves the memory figures live.
#include "monitor/live_statistics.h"

#include <cstdint>
#include <string>

#include "monitor/disk_space.h"
#include "monitor/numbers.h"
#include "platform/failure.h"

namespace monitor {
namespace {

const std::string kDriveC = "C:\\";

struct Memory {
  std::uint32_t load = 0;
  std::uint64_t totalPhys = 0, availPhys = 0;
};

// The 64-bit query where the system has it, so that 2 GiB and more read right. Whether it
// succeeded is not examined: its figures are taken as they are.
Memory QueryMemory(platform::SystemInfo& info) {
  platform::MemoryStatusEx extended;
  extended.length = 64;
  if (info.GlobalMemoryStatusEx(&extended) != platform::RuntimeCall::kMissing) {
    return {extended.memoryLoad, extended.totalPhys, extended.availPhys};
  }
  platform::MemoryStatus status;
  status.length = 32;
  info.GlobalMemoryStatus(&status);
  return {status.memoryLoad, status.totalPhys, status.availPhys};
}

std::int64_t TotalTenths(platform::SystemInfo& info) {
  return ToInt64(AmountOf(GetDriveTotalSpace(info, kDriveC)) / kBytesPerDriveTenth);
}

std::int64_t FreeTenths(platform::SystemInfo& info) {
  return ToInt64(AmountOf(GetDriveFreeSpace(info, kDriveC)) / kBytesPerDriveTenth);
}

std::int32_t UsedPercent(platform::SystemInfo& info) {
  const double free = AmountOf(GetDriveFreeSpace(info, kDriveC));
  const double total = AmountOf(GetDriveTotalSpace(info, kDriveC));
  return ToInt32(Checked(100 - Checked(Divide(free, total) * 100)));
}

std::uint8_t ToByte(std::uint32_t value) {
  if (value > 255) throw platform::Failure("overflow");
  return static_cast<std::uint8_t>(value);
}

}  // namespace

void OnMonitorTick(const MonitorControls& controls, platform::SystemInfo& info) {
  platform::Trap([&] {
    const Memory memory = QueryMemory(info);
    const platform::LocaleSeparators locale = info.Separators();
    const auto kilobytes = [&](std::uint64_t bytes) {
      return ReadBackInt32(FormatGrouped(static_cast<double>(bytes) / 1024, locale), locale);
    };
    const auto megabytes = [&](std::uint64_t bytes) {
      return FormatGrouped(static_cast<double>(bytes) / 1024 / 1024, locale) + " MB";
    };
    const std::int32_t availableKb = kilobytes(memory.availPhys);
    const std::int32_t totalKb = kilobytes(memory.totalPhys);
    const std::uint8_t load = ToByte(memory.load);

    controls.totalMemory.SetCaption(megabytes(memory.totalPhys));
    controls.availableMemory.SetCaption(megabytes(memory.availPhys));
    controls.availableMemoryBar.SetMax(static_cast<float>(totalKb));
    controls.availableMemoryBar.SetValue(static_cast<float>(availableKb));
    controls.memoryLoad.SetCaption(std::to_string(memory.load) + "%");
    controls.memoryLoadBar.SetValue(load);
    controls.processor.SetCaption(info.Environment("PROCESSOR_IDENTIFIER"));

    // Every drive figure is fetched again for each use; nothing is cached.
    controls.driveFreeBar.SetMax(static_cast<float>(TotalTenths(info) / 10.0));
    controls.driveFreeBar.SetValue(static_cast<float>(FreeTenths(info) / 10.0));
    controls.driveUsedBar.SetValue(static_cast<float>(UsedPercent(info)));
    controls.driveTotal.SetCaption(ShortestDecimal(TotalTenths(info) / 10.0, locale) + " MB");
    controls.driveFree.SetCaption(ShortestDecimal(FreeTenths(info) / 10.0, locale) + " MB");
    controls.driveUsed.SetCaption(std::to_string(UsedPercent(info)) + " %");
  });
}

}  // namespace monitor
