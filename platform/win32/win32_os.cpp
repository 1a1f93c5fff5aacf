// Thin wrappers: each maps one system call to the interface and decides nothing.
#include "platform/win32/win32_os.h"

#include <windows.h>
#include <shellapi.h>
#include <urlhist.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// What a looked-up function that was there gave.
RuntimeCall Outcome(BOOL result) { return result ? RuntimeCall::kSucceeded : RuntimeCall::kFailed; }

HKEY ToHkey(std::uint32_t root) {
  // Predefined keys are sign-extended 32-bit values.
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

GUID ToGuid(const Guid& id) {
  GUID guid{};
  guid.Data1 = id.data1;
  guid.Data2 = id.data2;
  guid.Data3 = id.data3;
  std::memcpy(guid.Data4, id.data4, sizeof guid.Data4);
  return guid;
}

class Win32UrlHistory : public UrlHistoryStg {
 public:
  explicit Win32UrlHistory(IUrlHistoryStg2* object) : object_(object) {}
  long ClearHistory() override { return object_->ClearHistory(); }
  unsigned long Release() override {
    const ULONG count = object_->Release();
    delete this;
    return count;
  }

 private:
  IUrlHistoryStg2* object_;
};

// A WM_QUIT taken from the queue while a wait dispatches belongs to a message loop further
// out: it is posted again once the wait is over.
class QuitForLater {
 public:
  QuitForLater() = default;
  ~QuitForLater() {
    if (taken_) ::PostQuitMessage(exitCode_);
  }
  QuitForLater(const QuitForLater&) = delete;
  QuitForLater& operator=(const QuitForLater&) = delete;
  void Keep(WPARAM exitCode) {
    taken_ = true;
    exitCode_ = static_cast<int>(exitCode);
  }

 private:
  bool taken_ = false;
  int exitCode_ = 0;
};

// Everything waiting for this thread: a message another thread sent is handed to its window
// inside PeekMessage itself, a posted one by DispatchMessage. Nothing on this thread sets a
// timer with a callback, so a WM_TIMER that carries one was posted by another program:
// dispatching it would call whatever its lParam points to, with our rights.
void DispatchWaitingMessages(QuitForLater& quit) {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit.Keep(message.wParam);
      continue;
    }
    if (message.message == WM_TIMER && message.lParam != 0) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

}  // namespace

// In UTF-16, not in the ANSI code page: a Chinese or Japanese system's text would otherwise
// reach the log as bytes that are not UTF-8.
std::string SystemMessage(unsigned long error) {
  Owned<wchar_t*, FreeLocal> text;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(text.Receive()), 0, nullptr);
  std::wstring message = length != 0 ? std::wstring(text.Get(), length) : std::wstring();
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : Utf8(message);
}

// The functions that Windows 2000 or XP may lack are looked up, never imported, and a missing
// one is reported to the caller.
RuntimeCall Win32Os::IsWow64Process(bool* wow64) {
  const auto query = SystemFunction<decltype(&::IsWow64Process)>(
      SystemLibrary::kKernel32, "IsWow64Process", IfMissing::kGiveNull);
  if (query == nullptr) return RuntimeCall::kMissing;
  BOOL answer = FALSE;
  if (!query(::GetCurrentProcess(), &answer)) return RuntimeCall::kFailed;
  *wow64 = answer != FALSE;
  return RuntimeCall::kSucceeded;
}

std::string Win32Os::SystemDirectory() {
  char path[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) throw Failure(SystemMessage(::GetLastError()));
  return std::string(path, length);
}

std::uint32_t Win32Os::StartProcess(const std::string& application, const std::string& commandLine,
                                    int showState, const std::string& currentDirectory,
                                    Handle* keptProcess) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION process{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');  // CreateProcessA may write into the command line
  if (!::CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.c_str(), &startup, &process)) {
    throw SystemFailure(::GetLastError());
  }
  KernelHandle processHandle(keptProcess != nullptr ? nullptr : process.hProcess),
      threadHandle(process.hThread);
  if (keptProcess != nullptr) *keptProcess = reinterpret_cast<Handle>(process.hProcess);
  return process.dwProcessId;
}

RuntimeCall Win32Os::DisableFsRedirection(Handle* previous) {
  const auto disable = SystemFunction<decltype(&::Wow64DisableWow64FsRedirection)>(
      SystemLibrary::kKernel32, "Wow64DisableWow64FsRedirection", IfMissing::kGiveNull);
  if (disable == nullptr) return RuntimeCall::kMissing;
  void* value = nullptr;
  if (!disable(&value)) return RuntimeCall::kFailed;
  *previous = reinterpret_cast<Handle>(value);
  return RuntimeCall::kSucceeded;
}

RuntimeCall Win32Os::RevertFsRedirection(Handle previous) {
  const auto revert = SystemFunction<decltype(&::Wow64RevertWow64FsRedirection)>(
      SystemLibrary::kKernel32, "Wow64RevertWow64FsRedirection", IfMissing::kGiveNull);
  if (revert == nullptr) return RuntimeCall::kMissing;
  return Outcome(revert(reinterpret_cast<void*>(previous)));
}

std::string Win32Os::SystemMessage(unsigned long code) {
  return platform::win32::SystemMessage(code);
}

// Raw input reaches only windows that asked for it, which none of ours does, and Windows 2000
// does not know the flag that XP's headers put into QS_ALLINPUT.
constexpr DWORD kEveryMessage = QS_ALLINPUT & ~QS_RAWINPUT;

bool Win32Os::WaitForProcess(Handle process, std::uint32_t timeoutMs, std::uint32_t* exitCode) {
  const HANDLE handle = reinterpret_cast<HANDLE>(process);
  QuitForLater quit;
  const DWORD start = ::GetTickCount();
  for (;;) {
    DispatchWaitingMessages(quit);
    const DWORD elapsed = ::GetTickCount() - start;
    const DWORD remaining =
        timeoutMs == INFINITE ? INFINITE : (elapsed < timeoutMs ? timeoutMs - elapsed : 0);
    const DWORD waited = ::MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, kEveryMessage);
    if (waited == WAIT_OBJECT_0 + 1) continue;  // a message: dispatched at the top
    if (waited == WAIT_TIMEOUT) return false;
    DWORD code = 0;
    if (waited != WAIT_OBJECT_0 || !::GetExitCodeProcess(handle, &code)) {
      throw Failure(SystemMessage(::GetLastError()));
    }
    *exitCode = code;
    return true;
  }
}

void Win32Os::CloseProcess(Handle process) { ::CloseHandle(reinterpret_cast<HANDLE>(process)); }

std::uint32_t Win32Os::Milliseconds() { return ::GetTickCount(); }

long Win32Os::CreateKey(std::uint32_t root, const std::string& path, Handle* key) {
  HKEY opened = nullptr;
  const LONG result = ::RegCreateKeyA(ToHkey(root), path.c_str(), &opened);
  *key = reinterpret_cast<Handle>(opened);
  return result;
}

long Win32Os::CreateKeyEx(std::uint32_t root, const std::string& path, std::uint32_t access,
                          Handle* key) {
  HKEY opened = nullptr;
  const LONG result = ::RegCreateKeyExA(ToHkey(root), path.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &opened, nullptr);
  *key = reinterpret_cast<Handle>(opened);
  return result;
}

long Win32Os::SetValue(Handle key, const std::string& name, std::uint32_t type,
                       std::span<const std::uint8_t> data) {
  return ::RegSetValueExA(reinterpret_cast<HKEY>(key), name.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

long Win32Os::CloseKey(Handle key) { return ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

long Win32Os::OpenKey(std::uint32_t root, const std::string& path, std::uint32_t access,
                      Handle* key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExA(ToHkey(root), path.c_str(), 0, access, &opened);
  *key = reinterpret_cast<Handle>(opened);
  return result;
}

// The value is read whole however large it has grown: a buffer too small is answered with
// ERROR_MORE_DATA and the size needed, and the value may grow again before the next try.
long Win32Os::QueryValue(Handle key, const std::string& name, std::uint32_t* type,
                         std::vector<std::uint8_t>* data) {
  const std::wstring wideName = Wide(name);
  std::vector<std::uint8_t> bytes(256);
  for (;;) {
    DWORD valueType = 0, size = static_cast<DWORD>(bytes.size());
    const LONG result = ::RegQueryValueExW(reinterpret_cast<HKEY>(key), wideName.c_str(), nullptr,
                                           &valueType, bytes.data(), &size);
    if (result == ERROR_MORE_DATA) {
      bytes.resize(size > bytes.size() ? size : 2 * bytes.size());
      continue;
    }
    if (result == ERROR_SUCCESS) {
      bytes.resize(size);
      *type = valueType;
      *data = std::move(bytes);
    }
    return result;
  }
}

// For text types, RegSetValueExW adds a terminator the caller "forgot" when the last character
// given is not zero and the one just past the given bytes is: it reads beyond them (and, for a
// single byte, before them). The bytes are therefore handed over from a copy between two
// characters that are not zero, so that exactly the given bytes are written, text saved
// without its terminator included, and nothing outside our own buffer is read.
long Win32Os::SetValueExact(Handle key, const std::string& name, std::uint32_t type,
                            std::span<const std::uint8_t> data) {
  constexpr std::uint8_t kGuard = 0xFF;
  std::vector<std::uint8_t> guarded(data.size() + 4, kGuard);
  std::copy(data.begin(), data.end(), guarded.begin() + 2);
  return ::RegSetValueExW(reinterpret_cast<HKEY>(key), Wide(name).c_str(), 0, type,
                          guarded.data() + 2, static_cast<DWORD>(data.size()));
}

long Win32Os::DeleteValue(Handle key, const std::string& name) {
  return ::RegDeleteValueW(reinterpret_cast<HKEY>(key), Wide(name).c_str());
}

int Win32Os::SetDeskWallpaper(const std::string& path, unsigned winIni) {
  std::vector<char> text(path.begin(), path.end());
  text.push_back('\0');
  return ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, text.data(), winIni);
}

int Win32Os::OpenClipboard(Handle window) {
  return ::OpenClipboard(reinterpret_cast<HWND>(window));
}
int Win32Os::EmptyClipboard() { return ::EmptyClipboard(); }
int Win32Os::CloseClipboard() { return ::CloseClipboard(); }

// shell32 and ole32 are loaded when a run first calls into them (and COM is started then),
// not at start-up; a run's step cannot go on without them.
long Win32Os::EmptyRecycleBin(Handle window, unsigned flags) {
  StartCom();
  const auto emptyRecycleBin = SystemFunction<decltype(&::SHEmptyRecycleBinA)>(
      SystemLibrary::kShell32, "SHEmptyRecycleBinA", IfMissing::kThrowFailure);
  return emptyRecycleBin(reinterpret_cast<HWND>(window), nullptr, flags);
}

long Win32Os::ClsidFromString(const std::wstring& text, Guid* id) {
  const auto clsidFromString = SystemFunction<decltype(&::CLSIDFromString)>(
      SystemLibrary::kOle32, "CLSIDFromString", IfMissing::kThrowFailure);
  GUID guid{};
  const HRESULT result = clsidFromString(const_cast<LPOLESTR>(text.c_str()), &guid);
  id->data1 = guid.Data1;
  id->data2 = guid.Data2;
  id->data3 = guid.Data3;
  std::memcpy(id->data4, guid.Data4, sizeof guid.Data4);
  return result;
}

long Win32Os::CreateUrlHistory(const Guid& clsid, unsigned context, const Guid& iid,
                               UrlHistoryStg** object) {
  StartCom();
  const auto coCreateInstance = SystemFunction<decltype(&::CoCreateInstance)>(
      SystemLibrary::kOle32, "CoCreateInstance", IfMissing::kThrowFailure);
  const GUID classId = ToGuid(clsid), interfaceId = ToGuid(iid);
  void* created = nullptr;
  const HRESULT result = coCreateInstance(classId, nullptr, context, interfaceId, &created);
  if (result == S_OK && created != nullptr) {
    *object = new Win32UrlHistory(static_cast<IUrlHistoryStg2*>(created));
  }
  return result;
}

// Every Windows we run on has both extended queries, but the monitor decides what to do
// where one is missing, so they are looked up like the others. The memory figures are handed
// back also when the call failed, for a caller that takes them as they are.
RuntimeCall Win32Os::GlobalMemoryStatusEx(MemoryStatusEx* status) {
  const auto query = SystemFunction<decltype(&::GlobalMemoryStatusEx)>(
      SystemLibrary::kKernel32, "GlobalMemoryStatusEx", IfMissing::kGiveNull);
  if (query == nullptr) return RuntimeCall::kMissing;
  MEMORYSTATUSEX figures{};
  figures.dwLength = status->length;
  const BOOL result = query(&figures);
  status->memoryLoad = figures.dwMemoryLoad;
  status->totalPhys = figures.ullTotalPhys;
  status->availPhys = figures.ullAvailPhys;
  return Outcome(result);
}

void Win32Os::GlobalMemoryStatus(MemoryStatus* status) {
  MEMORYSTATUS figures{};
  figures.dwLength = status->length;
  ::GlobalMemoryStatus(&figures);
  status->memoryLoad = figures.dwMemoryLoad;
  status->totalPhys = static_cast<std::uint32_t>(figures.dwTotalPhys);
  status->availPhys = static_cast<std::uint32_t>(figures.dwAvailPhys);
}

std::string Win32Os::Environment(const std::string& name) {
  std::vector<char> value(256);
  for (;;) {
    const DWORD length =
        ::GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return std::string();
    if (length < value.size()) return std::string(value.data(), length);
    value.resize(length);
  }
}

int Win32Os::QueryVersion(VersionInfo* info) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = info->size;
  const BOOL result = ::GetVersionExA(&version);
  info->major = version.dwMajorVersion;
  info->minor = version.dwMinorVersion;
  info->build = version.dwBuildNumber;
  return result;
}

RuntimeCall Win32Os::QueryDiskFreeSpaceEx(const std::string& root, std::uint64_t* availableToCaller,
                                          std::uint64_t* total, std::uint64_t* totalFree) {
  const auto query = SystemFunction<decltype(&::GetDiskFreeSpaceExA)>(
      SystemLibrary::kKernel32, "GetDiskFreeSpaceExA", IfMissing::kGiveNull);
  if (query == nullptr) return RuntimeCall::kMissing;
  ULARGE_INTEGER available{}, size{}, free{};
  const BOOL result = query(root.c_str(), &available, &size, &free);
  *availableToCaller = available.QuadPart;
  *total = size.QuadPart;
  *totalFree = free.QuadPart;
  return Outcome(result);
}

int Win32Os::QueryDiskFreeSpace(const std::string& root, std::uint32_t* sectorsPerCluster,
                                std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                std::uint32_t* totalClusters) {
  DWORD spc = 0, bps = 0, freeC = 0, totalC = 0;
  const BOOL result = ::GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeC, &totalC);
  *sectorsPerCluster = spc;
  *bytesPerSector = bps;
  *freeClusters = freeC;
  *totalClusters = totalC;
  return result;
}

LocaleSeparators Win32Os::Separators() {
  const auto read = [](LCTYPE item, const char* fallback) {
    char text[16];
    const int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length - 1))
                      : std::string(fallback);
  };
  return {read(LOCALE_SDECIMAL, "."), read(LOCALE_STHOUSAND, ",")};
}

}  // namespace platform::win32
