// The build number is printed from the whole 32-bit field, as a signed number.
#include "monitor/version_line.h"

#include <cstdint>
#include <string>

#include "platform/failure.h"

namespace monitor {

platform::VersionInfo QueryWindowsVersion(platform::SystemInfo& info) {
  platform::VersionInfo version;
  version.size = 148;  // OSVERSIONINFOA
  platform::Ignore(info.QueryVersion(&version));
  return version;
}

void ShowWindowsVersion(const platform::Label& versionLabel, platform::SystemInfo& info) {
  platform::Trap([&] {
    const platform::VersionInfo version = QueryWindowsVersion(info);
    const auto plain = [](std::uint32_t field) {
      return std::to_string(static_cast<std::int32_t>(field));
    };
    versionLabel.SetCaption("Windows Version : " + plain(version.major) + "." +
                            plain(version.minor) + " Built " + plain(version.build));
  });
}

}  // namespace monitor
