// Thin wrappers for the files of the way back: each maps one system call (or one fixed group
// of them) to the interface and decides nothing. Paths are UTF-8 here and UTF-16 for the
// system, so that a folder or computer name in any language reaches it unchanged.
#include "platform/win32/win32_files.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/owned.h"
#include "platform/win32/security.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
namespace {

// SYSTEM and Administrators full control, Users read and list; "P" keeps the entries the
// parent folder would pass on out, so that nobody else may add, change or replace a file in it.
constexpr wchar_t kProtectedList[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// Owned by the Administrators group, not by the account that made it: on Vista and later that
// account also runs unelevated processes, which must not control what an elevated Brisko made.
constexpr wchar_t kAdministratorsOwner[] = L"O:BA";

// ReadFile and WriteFile take a 32-bit count; a file is moved in pieces no larger than this.
constexpr std::size_t kLargestPiece = 1u << 30;

// What a temporary name adds to the file's own until the file is whole.
constexpr wchar_t kSavingSuffix[] = L".saving";

// The error code of the call that just failed. A call that fails without leaving one must
// still not read as success to a caller that takes 0 for it.
long LastError() {
  const DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? static_cast<long>(error) : ERROR_GEN_FAILURE;
}

[[noreturn]] void ThrowLastError() {
  throw Failure(SystemMessage(static_cast<DWORD>(LastError())));
}

// A security descriptor from its text form; 0 or the system's error code.
long Descriptor(const wchar_t* text, LocalMemory* descriptor) {
  return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1,
                                                                descriptor->Receive(), nullptr)
             ? 0
             : LastError();
}

long WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min(bytes.size(), kLargestPiece));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), piece, &written, nullptr)) return LastError();
    if (written == 0) return ERROR_WRITE_FAULT;  // no progress: it would never end
    bytes = bytes.subspan(written);
  }
  return 0;
}

HANDLE AsHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

// Looked up, not imported: shell32 is loaded when a run first needs it, not at start-up.
std::string Win32Files::CommonAppDataFolder() {
  const auto getFolderPath = SystemFunction<decltype(&::SHGetFolderPathW)>(
      SystemLibrary::kShell32, "SHGetFolderPathW", IfMissing::kThrowFailure);
  wchar_t path[MAX_PATH] = {};
  const HRESULT result =
      getFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  if (FAILED(result)) throw Failure(SystemMessage(static_cast<DWORD>(result)));
  if (path[0] == L'\0') throw Failure("no common application data folder");
  return Utf8(path);
}

std::string Win32Files::FullPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) ThrowLastError();
    if (length < full.size()) return Utf8(std::wstring_view(full.data(), length));
    full.assign(length, L'\0');  // too small: length is the size it needs
  }
}

// The path itself is opened, never what a junction or link there points to, sharing
// everything but deletion, so that looking disturbs nobody and nobody can move the folder
// away while it is held.
long Win32Files::OpenFolder(const std::string& path, bool forChange, Handle* folder) {
  const DWORD rights = READ_CONTROL | FILE_READ_ATTRIBUTES | (forChange ? WRITE_DAC : 0);
  const HANDLE opened = ::CreateFileW(
      Wide(path).c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return LastError();
  *folder = reinterpret_cast<Handle>(opened);
  return 0;
}

FolderFacts Win32Files::FolderFactsOf(Handle folder) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(AsHandle(folder), &information)) ThrowLastError();
  FolderFacts facts;
  facts.exists = true;
  facts.directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (const DWORD error = SecurityOf(AsHandle(folder), SE_FILE_OBJECT, &facts.security)) {
    throw Failure(SystemMessage(error));
  }
  return facts;
}

long Win32Files::ProtectFolder(Handle folder) {
  LocalMemory descriptor;
  if (const long made = Descriptor(kProtectedList, &descriptor); made != 0) return made;
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor.Get(), &present, &list, &defaulted)) {
    return LastError();
  }
  return static_cast<long>(
      ::SetSecurityInfo(AsHandle(folder), SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, list, nullptr));
}

void Win32Files::CloseFolder(Handle folder) { ::CloseHandle(AsHandle(folder)); }

long Win32Files::CreateProtectedFolder(const std::string& path) {
  LocalMemory descriptor;
  const std::wstring text = std::wstring(kAdministratorsOwner) + kProtectedList;
  if (const long made = Descriptor(text.c_str(), &descriptor); made != 0) return made;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
  return ::CreateDirectoryW(Wide(path).c_str(), &attributes) ? 0 : LastError();
}

// CREATE_NEW never opens what is already there, a file or a link planted in our place, and
// the rename never replaces a file. A file that could not be written whole is closed (a handle
// open without sharing would keep the delete from happening) and deleted, so that no
// half-written file is ever taken for a saved one; the file's own name appears only once it is
// whole and on the disk. Without an access list of its own the file takes its folder's.
long Win32Files::WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring finalPath = Wide(path);
  const std::wstring savingPath = finalPath + kSavingSuffix;
  if (::GetFileAttributesW(finalPath.c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_FILE_EXISTS;
  LocalMemory descriptor;
  if (const long made = Descriptor(kAdministratorsOwner, &descriptor); made != 0) return made;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
  const HANDLE created = ::CreateFileW(savingPath.c_str(), GENERIC_WRITE, 0, &attributes,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return LastError();
  KernelHandle file(created);
  long error = WriteAll(file.Get(), bytes);
  if (error == 0 && !::FlushFileBuffers(file.Get())) error = LastError();
  if (!::CloseHandle(file.Take()) && error == 0) error = LastError();
  if (error == 0 && !::MoveFileExW(savingPath.c_str(), finalPath.c_str(), MOVEFILE_WRITE_THROUGH)) {
    error = LastError();
  }
  if (error != 0) ::DeleteFileW(savingPath.c_str());
  return error;
}

// The file itself, never what a link there leads to, is opened and judged; it may not be
// changed or deleted while it is read, and the size is asked first, so that a file that has
// grown out of all proportion is refused before anything is read. A file that shrinks while it
// is read gives what it still holds.
long Win32Files::ReadWholeFile(const std::string& path, std::size_t maxBytes,
                               std::vector<std::uint8_t>* bytes, FileFacts* facts) {
  *facts = {};
  const HANDLE opened =
      ::CreateFileW(Wide(path).c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return LastError();
  const KernelHandle file(opened);
  facts->diskFile = ::GetFileType(file.Get()) == FILE_TYPE_DISK;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.Get(), &information)) return LastError();
  facts->reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts->links = information.nNumberOfLinks;
  if (const DWORD error = SecurityOf(file.Get(), SE_FILE_OBJECT, &facts->security)) {
    return static_cast<long>(error);
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return LastError();
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return ERROR_FILE_TOO_LARGE;
  std::vector<std::uint8_t> content(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < content.size()) {
    const auto piece = static_cast<DWORD>(std::min(content.size() - done, kLargestPiece));
    DWORD read = 0;
    if (!::ReadFile(file.Get(), content.data() + done, piece, &read, nullptr)) return LastError();
    if (read == 0) break;  // the end came early
    done += read;
  }
  content.resize(done);
  *bytes = std::move(content);
  return 0;
}

// A folder that is not there, or holds nothing that matches, has no files to list; any other
// refusal is a failure, never an empty list that would pass for "nothing saved".
std::vector<std::string> Win32Files::ListFiles(const std::string& folder,
                                               const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE first = ::FindFirstFileW(Wide(folder + "\\" + pattern).c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NO_MORE_FILES) {
      return names;
    }
    throw Failure(SystemMessage(error));
  }
  const FindHandle search(first);
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(Utf8(found.cFileName));
    }
  } while (::FindNextFileW(search.Get(), &found));
  if (::GetLastError() != ERROR_NO_MORE_FILES) ThrowLastError();
  return names;
}

CalendarTime Win32Files::Now() {
  SYSTEMTIME time{};
  ::GetSystemTime(&time);
  return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::string Win32Files::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &size) ? Utf8(std::wstring_view(name, size)) : std::string();
}

AccountFacts Win32Files::Account() { return ThisAccount(); }

}  // namespace platform::win32
