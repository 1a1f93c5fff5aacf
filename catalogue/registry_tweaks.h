// Run step 3: the fixed list of registry values every run writes, and the loop that
// writes them (kept as a module of its own).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "catalogue/run_listener.h"
#include "platform/os.h"
#include "platform/system_constants.h"

namespace catalogue {

struct RegistryTweak {
  std::uint32_t root = 0;
  std::string_view keyPath;
  std::string_view valueName;
  std::uint32_t type = platform::kRegDword;
  std::int32_t number = 0;  // REG_DWORD data
  std::string_view text;    // REG_SZ data
};

namespace detail {
constexpr std::uint32_t kCu = platform::kHkeyCurrentUser;
constexpr std::uint32_t kLm = platform::kHkeyLocalMachine;
constexpr std::uint32_t kUsers = platform::kHkeyUsers;
constexpr RegistryTweak Dword(std::uint32_t root, std::string_view key, std::string_view name,
                              std::int32_t number) {
  return {.root = root,
          .keyPath = key,
          .valueName = name,
          .type = platform::kRegDword,
          .number = number};
}
constexpr RegistryTweak Text(std::uint32_t root, std::string_view key, std::string_view name,
                             std::string_view text) {
  return {.root = root, .keyPath = key, .valueName = name, .type = platform::kRegSz, .text = text};
}
constexpr std::string_view kFx =
    R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects)";
constexpr std::string_view kMemory =
    R"(SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management)";
constexpr std::string_view kPriority = R"(SYSTEM\CurrentControlSet\Control\PriorityControl)";
constexpr std::string_view kDesktop = R"(Control Panel\Desktop)";
constexpr std::string_view kExplorerPolicies =
    R"(Software\Microsoft\Windows\CurrentVersion\Policies\Explorer)";
constexpr std::string_view kDefaultInternet =
    R"(.DEFAULT\SYSTEM\Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
constexpr std::string_view kConnection =
    R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings Connection)";
constexpr std::string_view kWorkstation =
    R"(SYSTEM\CurrentControlSet\Services\LanmanWorkstation\Parameters)";
}  // namespace detail

// One row per value, in the order they are written. Key paths keep their letter case as
// written here; the registry folds case, so the three FileSystem spellings meet in one key.
inline constexpr std::array<RegistryTweak, 49> kRegistryTweaks = {
    detail::Dword(detail::kCu, detail::kFx, "VisualFXSetting", 2),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\AnimateMinMax)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\ComboBoxAnimation)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\CursorShadow)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\DragFullWindows)",
        "DefaultApplied", 1),
    detail::Dword(detail::kCu,
                  R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\DropShadow)",
                  "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\FontSmoothing)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\DefaultApplied)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\ListviewAlphaSelect)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\ListviewShadow)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\ListviewWatermark)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\MenuAnimation)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\SelectionFade)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\TaskbarAnimations)",
        "DefaultApplied", 1),
    detail::Dword(
        detail::kCu,
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\TooltipAnimation)",
        "DefaultApplied", 1),
    detail::Dword(detail::kCu,
                  R"(Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects\WebView)",
                  "DefaultApplied", 1),
    detail::Dword(detail::kLm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\policies\system)",
                  "DisableStatusMessages", 1),
    detail::Dword(detail::kLm, detail::kMemory, "DisablePagingExecutive", 0),
    detail::Dword(detail::kLm, detail::kMemory, "LargeSystemCache", 1),
    detail::Dword(detail::kLm, detail::kMemory, "EnablePrefetcher", 0),
    detail::Dword(detail::kLm, detail::kMemory, "NoSaveSettings", 0),
    detail::Dword(detail::kLm, detail::kMemory, "ClearPageFileAtShutdown", 0),
    detail::Dword(detail::kLm, detail::kPriority, "IRQ8Priority", 1),
    detail::Dword(detail::kLm, detail::kPriority, "Win32PrioritySeparation", 38),
    detail::Dword(detail::kCu, detail::kDesktop, "MenuShowDelay", 0),
    detail::Dword(detail::kCu, detail::kDesktop, "WaitToKillAppTimeout", 3500),
    detail::Dword(detail::kCu, detail::kExplorerPolicies, "NoLowDiskSpaceChecks", 1),
    detail::Dword(detail::kLm, R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)",
                  "DisableTaskOffload", 0),
    detail::Dword(detail::kCu, detail::kExplorerPolicies, "NoSaveSettings", 1),
    detail::Dword(detail::kLm, R"(SYSTEM\CurrentControlSet\Control\FileSystem)",
                  "NtfsDisable8dot3NameCreation", 1),
    detail::Dword(detail::kLm, R"(System\CurrentControlSet\Control\FileSystem)",
                  "NtfsMftZoneReservation", 2),
    detail::Dword(detail::kLm, R"(SYSTEM\CurrentControlSet\Control\Filesystem)",
                  "NtfsDisableLastAccessUpdate", 1),
    detail::Dword(detail::kUsers, detail::kDefaultInternet, "MaxConnectionsPer1_0Server", 20),
    detail::Dword(detail::kUsers, detail::kDefaultInternet, "MaxConnectionsPerServer", 20),
    detail::Dword(detail::kCu, detail::kConnection, "MaxConnectionsPer1_0Server", 20),
    detail::Dword(detail::kCu, detail::kConnection, "MaxConnectionsPerServer", 20),
    detail::Text(detail::kLm, R"(SOFTWARE\Microsoft\Dfrg\BootOptimizeFunction)", "Enable", "y"),
    detail::Dword(detail::kLm, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer)",
                  "AlwaysUnloadDLL", 0),
    detail::Dword(detail::kCu, detail::kDesktop, "SmoothScroll", 1),
    detail::Dword(detail::kLm, detail::kWorkstation, "MaxCmds", 104),
    detail::Dword(detail::kLm, detail::kWorkstation, "MaxThreads", 104),
    detail::Dword(
        detail::kLm,
        R"(System\CurrentControlSet\Control\Class\{4D36E96A-E325-11CE-BFC1-08002BE10318}\0000)",
        "EnableUDMA66", 1),
    detail::Text(detail::kUsers, R"(.DEFAULT\AppEvents\Schemes)", "Default", ".NONE"),
    detail::Dword(detail::kCu, detail::kExplorerPolicies, "NoActiveDesktop", 1),
    detail::Dword(detail::kCu, detail::kDesktop, "FontSmoothing", 2),
    detail::Dword(detail::kCu, detail::kDesktop, "FontSmoothingType", 1),
    detail::Dword(detail::kLm, R"(Software\Microsoft\Windows\CurrentVersion\Applets\Tour)",
                  "RunCount", 0),
    detail::Dword(detail::kCu,
                  R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\CleanupWiz)",
                  "NoRun", 1),
    detail::Dword(detail::kCu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced)",
                  "EnableBalloonTips", 0),
};

// Writes every row, in order, with no condition. A refused row has no effect; a failure of
// our own machinery ends the step and the run goes on.
void ApplyRegistryTweaks(platform::Registry& registry, RunListener& listener = NoListener());

}  // namespace catalogue
