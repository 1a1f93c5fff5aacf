// Run steps 1, 4, 5 and 6: disk lines, wallpaper, clipboard, recycle bins, temp folder
// and the browser's URL history.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "catalogue/run_listener.h"
#include "platform/os.h"
#include "platform/toolkit.h"

namespace catalogue {

// Run step 1, in start order. Lines 4 and 5 carry two blanks after "/c" on purpose.
inline constexpr std::array<std::string_view, 6> kDiskLines = {
    R"(cmd /c defrag c: -b)",
    R"(cmd /c del c:\windows\prefetch\*.* /q)",
    R"(cmd /c Rundll32.exe advapi32.dll, ProcessIdleTasks)",
    R"(cmd /c  DISKPERF -N)",
    R"(cmd /c  CHKNTFS/T:4)",
    R"(cmd /c FSUTIL behavior set disablelastaccess 1)",
};

// Run step 5: the interpreter expands %systemroot%; del /q keeps subfolders.
inline constexpr std::string_view kTempLineFolder = R"(cmd /c del "%systemroot%/temp")";
inline constexpr std::string_view kTempLineFiles = R"(\*.* /q)";

inline constexpr std::wstring_view kClsidCUrlHistory = L"{3C374A40-BAE4-11CF-BF7D-00AA006946EE}";
inline constexpr std::wstring_view kIidIUrlHistoryStg2 = L"{AFA0DC11-C313-11D0-831A-00C04FD5AE38}";

std::string TempLine();

// Sets the desktop wallpaper (an empty path removes it), saved in the user profile and
// announced to all windows. True when the system accepted it.
bool SetWallpaper(platform::Desktop& desktop, const std::string& path);

void CleanDiskAndDesktop(platform::Processes& processes, platform::Desktop& desktop,
                         const platform::Window& mainWindow, const RunOptions& options = {},
                         RunListener& listener = NoListener());
void EmptyRecycleBin(platform::Desktop& desktop, const platform::Window& mainWindow,
                     const RunOptions& options = {}, RunListener& listener = NoListener());
void DeleteTempFiles(platform::Processes& processes, const RunOptions& options = {},
                     RunListener& listener = NoListener());
// True when the URL history object was created and both calls on it were made.
bool ClearUrlHistory(platform::Com& com, RunListener& listener = NoListener());

}  // namespace catalogue
