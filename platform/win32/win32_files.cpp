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
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
namespace {

// SYSTEM and Administrators full control, Users read and list; "P" keeps the entries the
// parent folder would pass on out, so that nobody else may add, change or replace a file in it.
constexpr wchar_t kProtectedFolderAccess[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// ReadFile and WriteFile take a 32-bit count; a file is moved in pieces no larger than this.
constexpr std::size_t kLargestPiece = 1u << 30;

// The error code of the call that just failed. A call that fails without leaving one must
// still not read as success to a caller that takes 0 for it.
long LastError() {
  const DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? static_cast<long>(error) : ERROR_GEN_FAILURE;
}

[[noreturn]] void ThrowLastError() {
  throw Failure(SystemMessage(static_cast<DWORD>(LastError())));
}

// One of the NT authority's SIDs: S-1-5-<first>[-<second>].
AllocatedSid NtAuthoritySid(BYTE count, DWORD first, DWORD second) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  AllocatedSid sid;
  if (!::AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, sid.Receive())) {
    ThrowLastError();
  }
  return sid;
}

// The account this process runs as (its token's user), compared with sid.
bool IsProcessUser(PSID sid) {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) ThrowLastError();
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  // TOKEN_USER holds a pointer: the buffer is allocated as pointers to keep it aligned.
  std::vector<void*> buffer(size / sizeof(void*) + 1);
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(void*)), &size)) {
    ThrowLastError();
  }
  return ::EqualSid(sid, reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid) != FALSE;
}

// An owner whom only an administrator (or this very account) can be: LocalSystem (S-1-5-18),
// BUILTIN\Administrators (S-1-5-32-544), or the account this process runs as. Anyone else
// who owns the folder could change its access list whenever they like.
bool IsTrustedOwner(PSID owner) {
  if (owner == nullptr || !::IsValidSid(owner)) return false;
  const AllocatedSid system = NtAuthoritySid(1, SECURITY_LOCAL_SYSTEM_RID, 0);
  const AllocatedSid administrators =
      NtAuthoritySid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
  return ::EqualSid(owner, system.Get()) || ::EqualSid(owner, administrators.Get()) ||
         IsProcessUser(owner);
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

// The path itself is opened, never what a junction or link there points to, and with no
// more rights than reading its attributes and owner need, sharing everything, so that
// looking disturbs nobody. A missing path (or parent) is an answer, not a failure.
FolderFacts Win32Files::InspectFolder(const std::string& path) {
  FolderFacts facts;
  const HANDLE opened =
      ::CreateFileW(Wide(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return facts;
    throw Failure(SystemMessage(error));
  }
  const KernelHandle file(opened);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.Get(), &information)) ThrowLastError();
  facts.exists = true;
  facts.directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;

  PSID owner = nullptr;  // points into descriptor
  LocalMemory descriptor;
  const DWORD result = ::GetSecurityInfo(file.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                         &owner, nullptr, nullptr, nullptr, descriptor.Receive());
  // A file system without security (FAT) answers that it cannot, or gives no owner.
  if (result == ERROR_NOT_SUPPORTED || result == ERROR_INVALID_FUNCTION ||
      (result == ERROR_SUCCESS && owner == nullptr)) {
    facts.accessControl = false;
    return facts;
  }
  if (result != ERROR_SUCCESS) throw Failure(SystemMessage(result));
  facts.ownerTrusted = IsTrustedOwner(owner);
  return facts;
}

long Win32Files::CreateProtectedFolder(const std::string& path) {
  LocalMemory descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kProtectedFolderAccess, SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
    return LastError();
  }
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor.Get();
  attributes.bInheritHandle = FALSE;
  return ::CreateDirectoryW(Wide(path).c_str(), &attributes) ? 0 : LastError();
}

// CREATE_NEW never opens what is already there, a file or a link planted in our place. A file
// that could not be written whole is closed (a handle open without sharing would keep the
// delete from happening) and deleted, so that no half-written file is ever taken for a saved
// one.
long Win32Files::WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring widePath = Wide(path);
  const HANDLE created = ::CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return LastError();
  KernelHandle file(created);
  long error = WriteAll(file.Get(), bytes);
  if (error == 0 && !::FlushFileBuffers(file.Get())) error = LastError();
  if (!::CloseHandle(file.Take()) && error == 0) error = LastError();
  if (error != 0) ::DeleteFileW(widePath.c_str());
  return error;
}

// The size is asked first, so that a file that has grown out of all proportion is refused
// before anything is read. A file that shrinks while it is read gives what it still holds.
long Win32Files::ReadWholeFile(const std::string& path, std::size_t maxBytes,
                               std::vector<std::uint8_t>* bytes) {
  const HANDLE opened = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return LastError();
  const KernelHandle file(opened);
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

LocalTime Win32Files::Now() {
  SYSTEMTIME time{};
  ::GetLocalTime(&time);
  return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::string Win32Files::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &size) ? Utf8(std::wstring_view(name, size)) : std::string();
}

}  // namespace platform::win32
