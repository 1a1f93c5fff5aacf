// The "Defrag" and "Default Settings" buttons: one system command each, outside any run.
#pragma once

#include <string_view>

#include "platform/os.h"
#include "platform/toolkit.h"

namespace catalogue {

inline constexpr std::string_view kDefragLine = "cmd /c DEFRAG C:";
// "orginal" and "continute" are the program's own spellings, which its users know: keep them.
inline constexpr std::string_view kRestoreQuestion =
    "Restore Default may ask for orginal operating system disk - continute";
inline constexpr std::string_view kRestoreTitle = "Brisko";
inline constexpr std::string_view kSystemFileCheckLine = "cmd /c SFC /SCANNOW";

// Starts the defragmentation of C: in a visible console; a start failure ends it quietly.
void StartDefrag(platform::Processes& processes);
// Asks first; on Yes starts the system file check hidden. Has no trap: a failure to start
// passes to the caller.
void AskAndStartSystemFileCheck(platform::ControlHost& toolkit, platform::Processes& processes);

}  // namespace catalogue
