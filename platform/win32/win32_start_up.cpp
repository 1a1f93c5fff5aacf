// Start-up of the Win32 side: the start-up services (Win32StartUp, made first: it narrows the
// library search), then the common controls, the toolkit and the system interfaces for the
// windows (Win32Platform) or for a run from the command line (Win32System). Only what the first
// window needs happens before it shows: COM and the shell and picture libraries are started on
// first use (system_library.h).
#include "platform/win32/win32_start_up.h"

#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <sddl.h>

#include "platform/win32/owned.h"
#include "platform/win32/security.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
namespace {

// A library planted in the current folder must never be loaded in place of a system one.
// SetDllDirectoryA("") takes the current folder out of the search from XP SP1 on; where
// the system has SetDefaultDllDirectories (Windows 8, 7 with KB2533623, Wine), the search
// is narrowed to our own folder and the system's. Both are looked up, not imported, so the
// program still starts where they are missing; kernel32 is already in the process, so the
// lookup loads nothing. Headers for XP need not declare either, hence the function types of
// their documentation.
void RemoveCurrentFolderFromLibrarySearch() {
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
  if (const auto setDllDirectory = SystemFunction<SetDllDirectoryFunction>(
          SystemLibrary::kKernel32, "SetDllDirectoryA", IfMissing::kGiveNull)) {
    setDllDirectory("");
  }
  if (const auto setDefaultDllDirectories = SystemFunction<SetDefaultDllDirectoriesFunction>(
          SystemLibrary::kKernel32, "SetDefaultDllDirectories", IfMissing::kGiveNull)) {
    setDefaultDllDirectories(kSearchDefaultDirs);
  }
}

// Brisko takes no text input, so an input method editor is of no use to it. Switched off for
// the whole process before the first window, the system sets none up for our windows (which
// it would do as the first one is created and shown), and a key typed on the disclaimer
// reaches it at once even where an input method is active. Looked up, not imported.
void SwitchOffInputMethod() {
  if (const auto disable = SystemFunction<decltype(&::ImmDisableIME)>(
          SystemLibrary::kImm32, "ImmDisableIME", IfMissing::kGiveNull)) {
    disable(static_cast<DWORD>(-1));  // every thread of this process
  }
}

}  // namespace

struct Win32Platform::Parts {
  explicit Parts(HINSTANCE instance) : host(instance) {}
  Win32Os os;
  Win32Files files;
  Os system{os, os, os, os, os, files};
  Win32Host host;
};

Win32Platform::Win32Platform() {
  SwitchOffInputMethod();
  // The common controls we use beyond buttons and labels: progress bars and tool tips.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);
  parts_ = std::make_unique<Parts>(::GetModuleHandleA(nullptr));
}

Win32Platform::~Win32Platform() {
  parts_.reset();
  StopCom();
}

WindowHost& Win32Platform::Host() { return parts_->host; }
Os& Win32Platform::System() { return parts_->system; }
int Win32Platform::RunMessageLoop() { return parts_->host.RunMessageLoop(); }

struct Win32System::Parts {
  Win32Os os;
  Win32Files files;
  Os system{os, os, os, os, os, files};
};

// COM is started by the first action that needs it, as for the windows.
Win32System::Win32System() : parts_(std::make_unique<Parts>()) {}

Win32System::~Win32System() {
  parts_.reset();
  StopCom();
}

Os& Win32System::System() { return parts_->system; }

namespace {

// Every session and every account sees the lock, so a run as SYSTEM from a startup script and
// a user's run in their own session exclude each other. Where Windows has private namespaces
// (Vista and later) the lock lives in one bounded to the Administrators group, where nobody
// else can make an object of its name first; elsewhere in the Global namespace (Windows 2000
// without Terminal Services ignores the prefix, which comes to the same), where anyone can, so
// the lock is made owned by the Administrators group and its owner is asked before it is taken
// for another Brisko's. Its access list lets SYSTEM and the administrators, as whom every
// Brisko runs, open it whoever made it.
constexpr wchar_t kLockNamespace[] = L"Brisko";
constexpr wchar_t kPrivateLockName[] = L"Brisko\\MachineLock";
constexpr wchar_t kGlobalLockName[] = L"Global\\BriskoMachineLock";
constexpr wchar_t kLockSecurity[] = L"O:BAD:(A;;GA;;;SY)(A;;GA;;;BA)";
// The private namespace is made by the first Brisko and goes when the last one closes it: an
// attempt to open it may fall between the two, and then it is made again.
constexpr int kNamespaceAttempts = 5;

struct LockNamespace {
  RuntimeCall call = RuntimeCall::kMissing;  // missing: Windows (or Wine) has none
  HANDLE handle = nullptr;
  long error = 0;
};

// The private namespace of the lock, made or opened.
LockNamespace OpenLockNamespace(SECURITY_ATTRIBUTES* attributes) {
  using CreateBoundary = HANDLE(WINAPI*)(LPCWSTR, ULONG);
  using AddSid = BOOL(WINAPI*)(HANDLE*, PSID);
  using DeleteBoundary = VOID(WINAPI*)(HANDLE);
  using CreateNamespace = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
  using OpenNamespace = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
  const auto createBoundary = SystemFunction<CreateBoundary>(
      SystemLibrary::kKernel32, "CreateBoundaryDescriptorW", IfMissing::kGiveNull);
  const auto addSid = SystemFunction<AddSid>(SystemLibrary::kKernel32, "AddSIDToBoundaryDescriptor",
                                             IfMissing::kGiveNull);
  const auto deleteBoundary = SystemFunction<DeleteBoundary>(
      SystemLibrary::kKernel32, "DeleteBoundaryDescriptor", IfMissing::kGiveNull);
  const auto createNamespace = SystemFunction<CreateNamespace>(
      SystemLibrary::kKernel32, "CreatePrivateNamespaceW", IfMissing::kGiveNull);
  const auto openNamespace = SystemFunction<OpenNamespace>(
      SystemLibrary::kKernel32, "OpenPrivateNamespaceW", IfMissing::kGiveNull);
  if (!createBoundary || !addSid || !deleteBoundary || !createNamespace || !openNamespace) {
    return {};
  }
  LockNamespace space{.call = RuntimeCall::kFailed};
  HANDLE boundary = createBoundary(kLockNamespace, 0);
  if (boundary == nullptr) {
    space.error = static_cast<long>(::GetLastError());
    return space;
  }
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  AllocatedSid administrators;
  if (::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                 0, 0, 0, 0, administrators.Receive()) &&
      addSid(&boundary, administrators.Get())) {
    for (int attempt = 0; attempt < kNamespaceAttempts && space.handle == nullptr; ++attempt) {
      space.handle = createNamespace(attributes, boundary, kLockNamespace);
      if (space.handle != nullptr || ::GetLastError() != ERROR_ALREADY_EXISTS) break;
      space.handle = openNamespace(boundary, kLockNamespace);
      const DWORD error = ::GetLastError();
      if (space.handle == nullptr && error != ERROR_PATH_NOT_FOUND &&
          error != ERROR_FILE_NOT_FOUND) {
        break;
      }
    }
  }
  if (space.handle != nullptr) {
    space.call = RuntimeCall::kSucceeded;
  } else {
    space.error = static_cast<long>(::GetLastError());
    if (space.error == 0) space.error = ERROR_GEN_FAILURE;
  }
  deleteBoundary(boundary);
  return space;
}

HANDLE AsHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

bool WriteAll(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace

Win32StartUp::Win32StartUp() { RemoveCurrentFolderFromLibrarySearch(); }

Win32StartUp::~Win32StartUp() {
  if (log_ != 0) ::CloseHandle(AsHandle(log_));
  if (outputKind_ == Output::kConsole) ::CloseHandle(AsHandle(output_));
  if (machineLock_ != 0) {
    ::ReleaseMutex(AsHandle(machineLock_));
    ::CloseHandle(AsHandle(machineLock_));
  }
  if (lockNamespace_ != 0) {
    using CloseNamespace = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    if (const auto close = SystemFunction<CloseNamespace>(
            SystemLibrary::kKernel32, "ClosePrivateNamespace", IfMissing::kGiveNull)) {
      close(AsHandle(lockNamespace_), 0);
    }
  }
}

// As the destructor does, but at once, for a start that only needs to know that no run is under
// way: the mutex first, then the namespace it was made in, which must stay open while its lock
// is used.
void Win32StartUp::ReleaseMachineLock() {
  if (machineLock_ != 0) {
    ::ReleaseMutex(AsHandle(machineLock_));
    ::CloseHandle(AsHandle(machineLock_));
    machineLock_ = 0;
  }
  if (lockNamespace_ != 0) {
    using CloseNamespace = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    if (const auto close = SystemFunction<CloseNamespace>(
            SystemLibrary::kKernel32, "ClosePrivateNamespace", IfMissing::kGiveNull)) {
      close(AsHandle(lockNamespace_), 0);
    }
    lockNamespace_ = 0;
  }
}

// Owning the mutex, not merely opening it, is the lock: a Brisko that crashed leaves it
// abandoned, and the next one takes it over.
LockAttempt Win32StartUp::TakeMachineLock() {
  if (machineLock_ != 0) return {.owned = true};
  LocalMemory descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr)) {
    return {.owned = false, .error = static_cast<long>(::GetLastError()), .where = "Global"};
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
  if (lockNamespace_ == 0) {
    const LockNamespace space = OpenLockNamespace(&attributes);
    if (space.call == RuntimeCall::kFailed) {
      return {.owned = false, .error = space.error, .where = "private"};
    }
    lockNamespace_ = reinterpret_cast<Handle>(space.handle);
  }
  const bool inPrivate = lockNamespace_ != 0;
  const std::string where = inPrivate ? "private" : "Global";
  const HANDLE mutex =
      ::CreateMutexW(&attributes, FALSE, inPrivate ? kPrivateLockName : kGlobalLockName);
  if (mutex == nullptr) {
    return {.owned = false, .error = static_cast<long>(::GetLastError()), .where = where};
  }
  KernelHandle lock(mutex);
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    machineLock_ = reinterpret_cast<Handle>(lock.Take());
    return {.owned = true, .where = where};
  }
  if (waited == WAIT_FAILED) {
    return {.owned = false, .error = static_cast<long>(::GetLastError()), .where = where};
  }
  // Held: whose object it is decides whether that is another Brisko.
  LockAttempt attempt{.owned = false, .where = where};
  SecurityFacts security;
  if (const DWORD error = SecurityOf(mutex, SE_KERNEL_OBJECT, &security)) {
    attempt.error = static_cast<long>(error);
  }
  attempt.owner = security.owner;
  attempt.ownerSid = security.ownerSid;
  return attempt;
}

AccountFacts Win32StartUp::Account() { return ThisAccount(); }

void Win32StartUp::QuietErrors() {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

bool Win32StartUp::BringToFront(const std::string& windowClass) {
  HWND window = nullptr;
  while ((window = ::FindWindowExA(nullptr, window, windowClass.c_str(), nullptr)) != nullptr) {
    if (!::IsWindowVisible(window)) continue;
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    return true;
  }
  return false;
}

void Win32StartUp::Pause(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

// The texts are UTF-8 (a path may name a folder in any language), hence the wide calls.
void Win32StartUp::ShowNotice(const std::string& text, const std::string& title) {
  ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

bool Win32StartUp::Ask(const std::string& text, const std::string& title) {
  return ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_SETFOREGROUND) == IDYES;
}

Station Win32StartUp::WindowStation() {
  Station station{.visible = false, .session = 0};
  USEROBJECTFLAGS flags{};
  if (const HWINSTA windowStation = ::GetProcessWindowStation();
      windowStation != nullptr &&
      ::GetUserObjectInformationW(windowStation, UOI_FLAGS, &flags, sizeof flags, nullptr)) {
    station.visible = (flags.dwFlags & WSF_VISIBLE) != 0;
  }
  using SessionOfProcess = BOOL(WINAPI*)(DWORD, DWORD*);
  DWORD session = 0;
  if (const auto sessionOf = SystemFunction<SessionOfProcess>(
          SystemLibrary::kKernel32, "ProcessIdToSessionId", IfMissing::kGiveNull);
      sessionOf != nullptr && sessionOf(::GetCurrentProcessId(), &session)) {
    station.session = session;
  }
  return station;
}

// A GUI program has no console of its own. A caller that redirected our output (a script's
// "> file", a deployment agent's pipe) gets it there; a console user gets it in the console
// they started us from (AttachConsole is XP's, looked up so that 2000 still starts).
bool Win32StartUp::OpenOutput() {
  if (outputKind_ != Output::kUnknown) return outputKind_ != Output::kNone;
  outputKind_ = Output::kNone;
  const HANDLE inherited = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD type = inherited != nullptr && inherited != INVALID_HANDLE_VALUE
                         ? ::GetFileType(inherited)
                         : FILE_TYPE_UNKNOWN;
  // "> NUL" (or a port) is a character device that is not a console: the caller redirected
  // our output there, and it must not land in the parent's console instead.
  DWORD consoleMode = 0;
  const bool redirectedToDevice =
      type == FILE_TYPE_CHAR && !::GetConsoleMode(inherited, &consoleMode);
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE || redirectedToDevice) {
    output_ = reinterpret_cast<Handle>(inherited);
    outputKind_ = Output::kInherited;
    return true;
  }
  constexpr DWORD kAttachParentProcess = static_cast<DWORD>(-1);
  const auto attachConsole = SystemFunction<decltype(&::AttachConsole)>(
      SystemLibrary::kKernel32, "AttachConsole", IfMissing::kGiveNull);
  if (attachConsole == nullptr || !attachConsole(kAttachParentProcess)) return false;
  const HANDLE console =
      ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return false;
  output_ = reinterpret_cast<Handle>(console);
  outputKind_ = Output::kConsole;
  return true;
}

void Win32StartUp::WriteOutput(const std::string& text) {
  if (outputKind_ == Output::kInherited || outputKind_ == Output::kConsole) {
    WriteAll(AsHandle(output_), text);
  }
}

// The log is opened without emptying it and without following a link at its end, so that
// what it is, and where it really is, can be asked before anything in it changes.
LogFacts Win32StartUp::OpenLog(const std::string& path) {
  CloseLog();
  const HANDLE file =
      ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {.opened = false, .error = static_cast<long>(::GetLastError())};
  }
  log_ = reinterpret_cast<Handle>(file);
  LogFacts facts{.opened = true, .diskFile = ::GetFileType(file) == FILE_TYPE_DISK};
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(file, &information)) {
    facts.reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.links = information.nNumberOfLinks;
  }
  using FinalPath = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  if (const auto finalPath = SystemFunction<FinalPath>(
          SystemLibrary::kKernel32, "GetFinalPathNameByHandleW", IfMissing::kGiveNull)) {
    constexpr DWORD kVolumeNameDos = 0;  // "\\?\C:\...": the drive as a letter
    std::wstring text(MAX_PATH, L'\0');
    DWORD length = finalPath(file, text.data(), static_cast<DWORD>(text.size()), kVolumeNameDos);
    if (length >= text.size()) {  // too small: length is the size it needs, with the end
      text.assign(length, L'\0');
      length = finalPath(file, text.data(), static_cast<DWORD>(text.size()), kVolumeNameDos);
    }
    facts.finalPathQuery = RuntimeCall::kFailed;
    if (length != 0 && length < text.size()) {
      facts.finalPathQuery = RuntimeCall::kSucceeded;
      facts.finalPath = Utf8(std::wstring_view(text.data(), length));
    }
  }
  return facts;
}

bool Win32StartUp::EmptyLog() {
  const HANDLE file = AsHandle(log_);
  return log_ != 0 && ::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && ::SetEndOfFile(file);
}

void Win32StartUp::CloseLog() {
  if (log_ != 0) ::CloseHandle(AsHandle(log_));
  log_ = 0;
}

bool Win32StartUp::WriteLog(const std::string& text) {
  return log_ != 0 && WriteAll(AsHandle(log_), text);
}

UtcTime Win32StartUp::Now() {
  SYSTEMTIME time{};
  ::GetSystemTime(&time);
  return {time.wYear,   time.wMonth,  time.wDay,         time.wHour,
          time.wMinute, time.wSecond, time.wMilliseconds};
}

std::string Win32StartUp::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &size) ? Utf8(name) : std::string();
}

std::string Win32StartUp::UserName() {
  wchar_t name[257] = {};  // UNLEN + 1
  DWORD size = 257;
  return ::GetUserNameW(name, &size) ? Utf8(name) : std::string();
}

}  // namespace platform::win32
