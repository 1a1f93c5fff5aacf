// Run step 2: stop services now and keep them from starting at the next boot.
#pragma once

#include <array>
#include <string_view>

#include "catalogue/run_listener.h"
#include "platform/os.h"

namespace catalogue {

// Stop lines first (net accepts display names), then disable lines (sc needs key names).
inline constexpr std::array<std::string_view, 67> kServiceLines = {
    R"(cmd /c net stop RemoteRegistry)",
    R"(cmd /c net stop Alerter)",
    R"(cmd /c net stop Themes)",
    R"(cmd /c net stop "Fast User Switching Compatibility")",
    R"(cmd /c net stop "Automatic Updates")",
    R"(cmd /c net stop "Ati HotKey Poller")",
    R"(cmd /c net stop "ATI Smart")",
    R"(cmd /c net stop "Error Reporting Service")",
    R"(cmd /c net stop "Background Intelligent Transfer Service")",
    R"(cmd /c net stop Server)",
    R"(cmd /c net stop Clipbook)",
    R"(cmd /c net stop "Indexing Service")",
    R"(cmd /c net stop "Help and Support")",
    R"(cmd /c net stop "Event Log")",
    R"(cmd /c net stop "IMAPI CD-Burning COM Service")",
    R"(cmd /c net stop "HID Input Service")",
    R"(cmd /c net stop "iPodService")",
    R"(cmd /c net stop "Computer Browser")",
    R"(cmd /c net stop "Distributed Link Tracking Client")",
    R"(cmd /c net stop "Human Interface Access Devices")",
    R"(cmd /c net stop "Netmeeting Remote Desktop Sharing")",
    R"(cmd /c net stop "Portable Media Serial Number")",
    R"(cmd /c net stop "IPSEC Services")",
    R"(cmd /c net stop "Upload Manager")",
    R"(cmd /c net stop "TCP/IP NetBIOS Helper")",
    R"(cmd /c net stop "Messenger")",
    R"(cmd /c net stop "Performance Logs And Alerts")",
    R"(cmd /c net stop "Alerts and Performance Logs")",
    R"(cmd /c net stop "Smart Card")",
    R"(cmd /c net stop "Smart Card Helper")",
    R"(cmd /c net stop "Uninterruptible Power Supply")",
    R"(cmd /c net stop "UPS")",
    R"(cmd /c net stop "Upload Manager")",
    R"(cmd /c net stop "Volume Shadow Copy")",
    R"(cmd /c net stop "Windows Time")",
    R"(cmd /c net stop "Wireless Zero Configuration")",
    R"(cmd /c net stop "WMI Performance Adapter")",
    R"(cmd /c sc config RemoteRegistry start= disabled)",
    R"(cmd /c sc config Alerter start= disabled)",
    R"(cmd /c sc config Themes start= disabled)",
    R"(cmd /c sc config FastUserSwitchingCompatibility start= disabled)",
    R"(cmd /c sc config wuaUserv start= disabled)",
    R"(cmd /c sc config Ersvc start= disabled)",
    R"(cmd /c sc config lmHosts start= disabled)",
    R"(cmd /c sc config PolicyAgent start= disabled)",
    R"(cmd /c sc config WmdmPmSN start= disabled)",
    R"(cmd /c sc config Nmnsrvc start= disabled)",
    R"(cmd /c sc config HidServ start= disabled)",
    R"(cmd /c sc config TrkWks start= disabled)",
    R"(cmd /c sc config EventLog start= disabled)",
    R"(cmd /c sc config Browser start= disabled)",
    R"(cmd /c sc config ImapiService start= disabled)",
    R"(cmd /c sc config BITS start= disabled)",
    R"(cmd /c sc config Clipsrv start= disabled)",
    R"(cmd /c sc config helpsvc start= disabled)",
    R"(cmd /c sc config CiSvc start= disabled)",
    R"(cmd /c sc config Messenger start= disabled)",
    R"(cmd /c sc config sysmonLog start= disabled)",
    R"(cmd /c sc config LanmanServer start= disabled)",
    R"(cmd /c sc config ScardSrv start= disabled)",
    R"(cmd /c sc config ScardDrv start= disabled)",
    R"(cmd /c sc config UPS start= disabled)",
    R"(cmd /c sc config uploadmgr start= disabled)",
    R"(cmd /c sc config VSS start= disabled)",
    R"(cmd /c sc config W32time start= disabled)",
    R"(cmd /c sc config WZCSVC start= disabled)",
    R"(cmd /c sc config WmiApSrv start= disabled)",
};

// Starts every line hidden, in order, waiting for none. A line that cannot be started
// ends the step; the run goes on.
void StopAndDisableServices(platform::Processes& processes, const RunOptions& options = {},
                            RunListener& listener = NoListener());

}  // namespace catalogue
