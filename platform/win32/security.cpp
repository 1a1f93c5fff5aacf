// Security facts from the system's descriptors and tokens; the judging is platform/trust.cpp's.
#include "platform/win32/security.h"

#include <sddl.h>

#include <vector>

#include "platform/win32/owned.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
namespace {

// The token of this process, asked for one piece of information; empty when it cannot be had.
std::vector<void*> TokenInformation(TOKEN_INFORMATION_CLASS what, DWORD* error) {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
    *error = ::GetLastError();
    return {};
  }
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), what, nullptr, 0, &size);
  // The structures hold pointers: the buffer is allocated as pointers to keep it aligned.
  std::vector<void*> buffer(size / sizeof(void*) + 1);
  if (!::GetTokenInformation(token.Get(), what, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(void*)), &size)) {
    *error = ::GetLastError();
    return {};
  }
  *error = 0;
  return buffer;
}

bool IsNtAuthority(PSID sid, BYTE count, DWORD first, DWORD second) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  AllocatedSid wanted;
  return ::AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0,
                                    wanted.Receive()) &&
         ::EqualSid(sid, wanted.Get());
}

std::string SidText(PSID sid) {
  Owned<wchar_t*, FreeLocal> text;
  return ::ConvertSidToStringSidW(sid, text.Receive()) ? Utf8(text.Get()) : std::string("?");
}

Principal PrincipalOf(PSID sid, PSID processUser) {
  if (sid == nullptr || !::IsValidSid(sid)) return Principal::kOther;
  if (IsNtAuthority(sid, 1, SECURITY_LOCAL_SYSTEM_RID, 0)) return Principal::kSystem;
  if (IsNtAuthority(sid, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS)) {
    return Principal::kAdministrators;
  }
  if (processUser != nullptr && ::EqualSid(sid, processUser)) return Principal::kProcessUser;
  return Principal::kOther;
}

}  // namespace

DWORD SecurityOf(HANDLE object, SE_OBJECT_TYPE type, SecurityFacts* facts) {
  *facts = {};
  PSID owner = nullptr;  // both point into descriptor
  PACL list = nullptr;
  LocalMemory descriptor;
  const DWORD result =
      ::GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &list, nullptr, descriptor.Receive());
  // A file system without security (FAT) answers that it cannot, or gives no owner.
  if (type == SE_FILE_OBJECT &&
      (result == ERROR_NOT_SUPPORTED || result == ERROR_INVALID_FUNCTION ||
       (result == ERROR_SUCCESS && owner == nullptr))) {
    facts->kept = false;
    return 0;
  }
  if (result != ERROR_SUCCESS) return result;
  DWORD error = 0;
  const std::vector<void*> user = TokenInformation(TokenUser, &error);
  if (user.empty()) return error;
  const PSID processUser = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;

  if (owner != nullptr) {
    facts->owner = PrincipalOf(owner, processUser);
    facts->ownerSid = SidText(owner);
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (::GetSecurityDescriptorControl(descriptor.Get(), &control, &revision)) {
    facts->listProtected = (control & SE_DACL_PROTECTED) != 0;
  }
  facts->listPresent = list != nullptr;
  if (list == nullptr) return 0;
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(list, i, &entry)) return ::GetLastError();
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // for what is made in it only
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
      const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
      const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
      facts->grants.push_back({PrincipalOf(sid, processUser), SidText(sid), allowed->Mask});
    } else {
      // An entry of a kind not read here (object or conditional entries) may allow anything.
      facts->grants.push_back(
          {Principal::kOther, "an entry of type " + std::to_string(header->AceType), 0xFFFFFFFFu});
    }
  }
  return 0;
}

AccountFacts ThisAccount() {
  AccountFacts account;
  account.wine =
      SystemProcedure(SystemLibrary::kNtdll, "wine_get_version", IfMissing::kGiveNull) != nullptr;
  DWORD error = 0;
  const std::vector<void*> type = TokenInformation(TokenElevationType, &error);
  if (!type.empty()) {
    account.elevationQuery = RuntimeCall::kSucceeded;
    account.elevationType = *reinterpret_cast<const DWORD*>(type.data());
  } else {
    account.elevationQuery =
        error == ERROR_INVALID_PARAMETER ? RuntimeCall::kMissing : RuntimeCall::kFailed;
  }
  return account;
}

}  // namespace platform::win32
