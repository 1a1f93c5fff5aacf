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

// --- files: the saved settings of the way back, and who may change them -------------------
// Paths and names are UTF-8; the wrappers hand them to the system's wide-character calls.
struct CalendarTime {  // GetSystemTime: coordinated universal time
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Who a security identifier in an owner or an access list is, as far as trust goes.
enum class Principal {
  kNone,            // no owner given at all
  kSystem,          // LocalSystem, S-1-5-18
  kAdministrators,  // the BUILTIN\Administrators group, S-1-5-32-544
  kProcessUser,     // the account this process runs as (its token's user)
  kOther,           // anyone else, or an entry the wrapper could not read
};

// One entry of an access list that allows something, and applies to the object itself (not
// only to what is made in it). Rights as the entry gives them, generic ones included.
struct AccessGrant {
  Principal who = Principal::kOther;
  std::string sid;  // "S-1-5-32-545", for a report
  std::uint32_t rights = 0;
};

// The owner and access list of a file or folder, read through its handle.
struct SecurityFacts {
  // The file system keeps owners and access lists (NTFS); FAT, on some old machines, keeps
  // none, and every user may change everything on it anyway.
  bool kept = true;
  Principal owner = Principal::kNone;
  std::string ownerSid;
  bool listPresent = true;     // false: a null list, which lets everyone do everything
  bool listProtected = false;  // nothing is inherited from the parent folder
  std::vector<AccessGrant> grants;
};

// What a path names, found without following a reparse point at its end.
struct FolderFacts {
  bool exists = false;
  bool directory = false;
  bool reparsePoint = false;  // a junction, mount point or symbolic link
  SecurityFacts security;
};

// What the file a handle was opened on is.
struct FileFacts {
  bool diskFile = false;      // a file on a disk, not a device or pipe
  bool reparsePoint = false;  // a junction or symbolic link itself
  std::uint32_t links = 0;    // the names the file has (hard links)
  SecurityFacts security;
};

// The account this process runs as: whether an administrator's token is split in two here
// (Vista and later with UAC: the same account also runs unelevated processes), and whether
// this is Wine, where every process of the Unix account has the same rights whatever its
// token says.
struct AccountFacts {
  RuntimeCall elevationQuery = RuntimeCall::kMissing;  // TokenElevationType: Vista and later
  std::uint32_t elevationType = 0;                     // 1 default (not split), 2 full, 3 limited
  bool wine = false;
};

class Files {
 public:
  virtual ~Files() = default;
  // SHGetFolderPathW(CSIDL_COMMON_APPDATA): C:\ProgramData on Vista and later, the All
  // Users profile's Application Data on 2000/XP. Throws Failure when it cannot be had.
  virtual std::string CommonAppDataFolder() = 0;
  // GetFullPathNameW. Throws Failure when the path cannot be made full.
  virtual std::string FullPath(const std::string& path) = 0;

  // --- a folder held open while it is used
  // CreateFileW on the path itself (FILE_FLAG_OPEN_REPARSE_POINT, backup semantics), with the
  // rights to read its attributes and security and, forChange, to replace its access list;
  // shared for reading and writing but not for deleting, so that nobody can rename or remove
  // it while it is held. 0 with the handle, or the system's error code
  // (kErrorFileNotFound or kErrorPathNotFound where it is missing).
  virtual long OpenFolder(const std::string& path, bool forChange, Handle* folder) = 0;
  // GetFileInformationByHandle and GetSecurityInfo on the held folder. Throws Failure.
  virtual FolderFacts FolderFactsOf(Handle folder) = 0;
  // SetSecurityInfo on the held folder: the protected list (SYSTEM and Administrators full
  // control, Users read and list), nothing inherited. 0, or the system's error code.
  virtual long ProtectFolder(Handle folder) = 0;
  virtual void CloseFolder(Handle folder) = 0;

  // CreateDirectoryW owned by the Administrators group, with the protected list above. 0, or
  // the system's error code.
  virtual long CreateProtectedFolder(const std::string& path) = 0;
  // A new file of exactly these bytes, owned by the Administrators group, or none: written to
  // "<path>.saving" (CREATE_NEW), flushed to the disk and closed, then renamed to path
  // (MoveFileExW with MOVEFILE_WRITE_THROUGH, never over an existing file), so that no file
  // cut short ever has the name. 0, or the system's error code (kErrorFileExists or
  // kErrorAlreadyExists where either name is taken); whatever fails leaves nothing behind.
  virtual long WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
  // CreateFileW on the file itself (FILE_FLAG_OPEN_REPARSE_POINT), shared for reading only;
  // what it is (GetFileType, GetFileInformationByHandle, GetSecurityInfo), then, when it is
  // no larger than maxBytes, all of it, through the same handle. 0, or the system's error
  // code (ERROR_FILE_TOO_LARGE for a larger one; *facts is filled all the same).
  virtual long ReadWholeFile(const std::string& path, std::size_t maxBytes,
                             std::vector<std::uint8_t>* bytes, FileFacts* facts) = 0;
  // FindFirstFileW/FindNextFileW: the names of the files (not folders) in folder that match
  // pattern ("*.reg"), in no particular order.
  virtual std::vector<std::string> ListFiles(const std::string& folder,
                                             const std::string& pattern) = 0;
  virtual CalendarTime Now() = 0;          // GetSystemTime
  virtual std::string ComputerName() = 0;  // GetComputerNameW
  // GetTokenInformation(TokenElevationType), and whether ntdll is Wine's.
  virtual AccountFacts Account() = 0;
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
