// Interfaces to the operating system, one per area. Each method maps to one system call
// (or one small fixed group of them); what the program makes of the answers lives in
// portable code so that a test can watch it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {

using Handle = std::uintptr_t;  // a window, module or registry key handle; 0 is none

// What became of a call to a function that not every Windows has. Such functions are looked
// up when they are needed, because brisko.exe imports only what Windows XP has.
enum class RuntimeCall { kMissing, kFailed, kSucceeded };

// The one question both the process starter and the registry writer must ask: does this
// 32-bit program run on 64-bit Windows (WOW64), where the system folder and part of the
// registry it sees are 32-bit copies?
class Wow64Query {
 public:
  virtual ~Wow64Query() = default;
  // IsWow64Process for this process; *wow64 is written only when the call succeeded.
  virtual RuntimeCall IsWow64Process(bool* wow64) = 0;
};

// --- processes -------------------------------------------------------------------------
class Processes : public Wow64Query {
 public:
  // The system directory (GetSystemDirectoryA). Throws Failure when it cannot be had.
  virtual std::string SystemDirectory() = 0;
  // CreateProcessA with the given application, command line and current directory, the
  // parent's environment, the window shown with showState, not waited for. Returns the
  // process id. Throws SystemFailure with the system's error code when no process could be
  // started: the caller may have file-system redirection switched off, so the words for it
  // are left to SystemMessage once it is back on. Both handles are closed at once; with
  // keptProcess, the process handle is kept there instead, for a caller that waits for the
  // process (WaitForProcess) and closes it itself (CloseProcess).
  virtual std::uint32_t StartProcess(const std::string& application, const std::string& commandLine,
                                     int showState, const std::string& currentDirectory,
                                     Handle* keptProcess) = 0;
  // Wow64DisableWow64FsRedirection for the calling thread; *previous receives what
  // RevertFsRedirection must be given back.
  virtual RuntimeCall DisableFsRedirection(Handle* previous) = 0;
  // Wow64RevertWow64FsRedirection.
  virtual RuntimeCall RevertFsRedirection(Handle previous) = 0;
  // FormatMessageW: the system's text for an error code, in UTF-8 without the line break at
  // its end, or "error <code>" where the system has none. The text may come from message
  // files in the system folder, so it is asked for only while redirection is on.
  virtual std::string SystemMessage(unsigned long code) = 0;

  // --- waiting for a kept process
  // MsgWaitForMultipleObjects for up to timeoutMs, then GetExitCodeProcess: true with the
  // exit code once the process has ended, false while it still runs. Meanwhile every message
  // for this thread's windows (COM's hidden one among them) is dispatched as it arrives, so
  // that a program broadcasting with SendMessage is answered at once instead of hanging until
  // the wait ends. Throws Failure when the wait itself fails.
  virtual bool WaitForProcess(Handle process, std::uint32_t timeoutMs, std::uint32_t* exitCode) = 0;
  // CloseHandle on a kept process; the process itself runs on.
  virtual void CloseProcess(Handle process) = 0;
  // GetTickCount: milliseconds since the system started, for one time limit over many waits.
  virtual std::uint32_t Milliseconds() = 0;
};

// --- registry ----------------------------------------------------------------------------
// Roots, value types and access rights are those of platform/system_constants.h.
class Registry : public Wow64Query {
 public:
  // RegCreateKeyA: opens the key below root, creating every missing level.
  virtual long CreateKey(std::uint32_t root, const std::string& path, Handle* key) = 0;
  // RegCreateKeyExA with no class, a non-volatile key, the given access rights and no
  // security attributes: the same, with the registry view chosen by the access rights.
  virtual long CreateKeyEx(std::uint32_t root, const std::string& path, std::uint32_t access,
                           Handle* key) = 0;
  // RegSetValueExA with reserved 0.
  virtual long SetValue(Handle key, const std::string& name, std::uint32_t type,
                        std::span<const std::uint8_t> data) = 0;
  // RegCloseKey.
  virtual long CloseKey(Handle key) = 0;

  // --- the way back: reading a value as it is, and putting it back exactly
  // RegOpenKeyExA: an existing key only, with the given access rights (and so view).
  virtual long OpenKey(std::uint32_t root, const std::string& path, std::uint32_t access,
                       Handle* key) = 0;
  // RegQueryValueExW for the whole value: its type and its bytes as the registry holds them,
  // text types in UTF-16LE. The name is UTF-8.
  virtual long QueryValue(Handle key, const std::string& name, std::uint32_t* type,
                          std::vector<std::uint8_t>* data) = 0;
  // RegSetValueExW with reserved 0: the bytes exactly as given, text types in UTF-16LE.
  virtual long SetValueExact(Handle key, const std::string& name, std::uint32_t type,
                             std::span<const std::uint8_t> data) = 0;
  // RegDeleteValueW.
  virtual long DeleteValue(Handle key, const std::string& name) = 0;
};

// --- desktop, clipboard, recycle bin -------------------------------------------------------
class Desktop {
 public:
  virtual ~Desktop() = default;
  // SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, winIni).
  virtual int SetDeskWallpaper(const std::string& path, unsigned winIni) = 0;
  virtual int OpenClipboard(Handle window) = 0;
  virtual int EmptyClipboard() = 0;
  virtual int CloseClipboard() = 0;
  // SHEmptyRecycleBinA with a NULL root path (all drives).
  virtual long EmptyRecycleBin(Handle window, unsigned flags) = 0;
};

// --- COM ------------------------------------------------------------------------------------
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0, data3 = 0;
  std::uint8_t data4[8] = {};
};

// The URL history object, reached through its IUrlHistoryStg2 interface.
class UrlHistoryStg {
 public:
  virtual long ClearHistory() = 0;
  // Gives up the program's reference; the object must not be used afterwards.
  virtual unsigned long Release() = 0;

 protected:
  virtual ~UrlHistoryStg() = default;
};

class Com {
 public:
  virtual ~Com() = default;
  virtual long ClsidFromString(const std::wstring& text, Guid* id) = 0;
  // CoCreateInstance for the URL history object; *object is set only on success (0).
  virtual long CreateUrlHistory(const Guid& clsid, unsigned context, const Guid& iid,
                                UrlHistoryStg** object) = 0;
};

// --- system figures -----------------------------------------------------------------------
struct MemoryStatus {  // GlobalMemoryStatus, the 32-byte structure
  std::uint32_t length = 0, memoryLoad = 0, totalPhys = 0, availPhys = 0;
};
struct MemoryStatusEx {  // GlobalMemoryStatusEx, the 64-byte structure
  std::uint32_t length = 0, memoryLoad = 0;
  std::uint64_t totalPhys = 0, availPhys = 0;
};
struct VersionInfo {  // OSVERSIONINFOA
  std::uint32_t size = 0, major = 0, minor = 0, build = 0;
};
struct LocaleSeparators {
  std::string decimal = ".";
  std::string thousands = ",";
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GlobalMemoryStatusEx where the system has it. The figures are written whenever the
  // function is there, also when the call fails.
  virtual RuntimeCall GlobalMemoryStatusEx(MemoryStatusEx* status) = 0;
  virtual void GlobalMemoryStatus(MemoryStatus* status) = 0;
  // The variable's value, or empty text when it is not set.
  virtual std::string Environment(const std::string& name) = 0;
  virtual int QueryVersion(VersionInfo* info) = 0;
  // GetDiskFreeSpaceExA where the system has it.
  virtual RuntimeCall QueryDiskFreeSpaceEx(const std::string& root,
                                           std::uint64_t* availableToCaller, std::uint64_t* total,
                                           std::uint64_t* totalFree) = 0;
  virtual int QueryDiskFreeSpace(const std::string& root, std::uint32_t* sectorsPerCluster,
                                 std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                 std::uint32_t* totalClusters) = 0;
  // The user locale's decimal and thousands separators (GetLocaleInfo).
  virtual LocaleSeparators Separators() = 0;
};

// --- files: the saved settings of the way back -------------------------------------------
// Paths and names are UTF-8; the wrappers hand them to the system's wide-character calls.
struct LocalTime {  // GetLocalTime
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What a path names, found without following a reparse point at its end.
struct FolderFacts {
  bool exists = false;
  bool directory = false;
  bool reparsePoint = false;  // a junction, mount point or symbolic link
  // Owned by SYSTEM, by the Administrators group, or by the account this process runs as.
  bool ownerTrusted = false;
  // The file system keeps owners and access lists (NTFS); FAT, on some old machines, keeps
  // none, and every user may change everything on it anyway.
  bool accessControl = true;
};

class Files {
 public:
  virtual ~Files() = default;
  // SHGetFolderPathW(CSIDL_COMMON_APPDATA): C:\ProgramData on Vista and later, the All
  // Users profile's Application Data on 2000/XP. Throws Failure when it cannot be had.
  virtual std::string CommonAppDataFolder() = 0;
  // CreateFileW on the path itself (FILE_FLAG_OPEN_REPARSE_POINT), then its attributes and
  // its owner (GetSecurityInfo).
  virtual FolderFacts InspectFolder(const std::string& path) = 0;
  // CreateDirectoryW with a protected access list: SYSTEM and Administrators full control,
  // Users read. 0, or the system's error code.
  virtual long CreateProtectedFolder(const std::string& path) = 0;
  // CreateFileW with CREATE_NEW (never an existing file or link), the bytes written and
  // flushed to the disk (FlushFileBuffers), the file closed; a file that could not be written
  // whole is deleted again. 0, or the system's error code.
  virtual long WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
  // The whole file, when it is no larger than maxBytes. 0, or the system's error code
  // (ERROR_FILE_TOO_LARGE for a larger one).
  virtual long ReadWholeFile(const std::string& path, std::size_t maxBytes,
                             std::vector<std::uint8_t>* bytes) = 0;
  // FindFirstFileW/FindNextFileW: the names of the files (not folders) in folder that match
  // pattern ("*.reg"), in no particular order.
  virtual std::vector<std::string> ListFiles(const std::string& folder,
                                             const std::string& pattern) = 0;
  virtual LocalTime Now() = 0;             // GetLocalTime
  virtual std::string ComputerName() = 0;  // GetComputerNameW
};

// Everything the program reaches outside itself, apart from the window toolkit.
struct Os {
  Processes& processes;
  Registry& registry;
  Desktop& desktop;
  Com& com;
  SystemInfo& info;
  Files& files;
};

}  // namespace platform
