// Holds every number of platform/system_constants.h against the system headers it was copied
// from, so that a wrong copy stops the Windows build here instead of reaching the system.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/system_constants.h"

static_assert(platform::kMbOk == MB_OK);
static_assert(platform::kMbYesNo == MB_YESNO);
static_assert(platform::kMbIconWarning == MB_ICONWARNING);
static_assert(platform::kMbIconQuestion == MB_ICONQUESTION);
static_assert(platform::kMbIconInformation == MB_ICONINFORMATION);
static_assert(platform::kMbDefButton2 == MB_DEFBUTTON2);
static_assert(platform::kIdYes == IDYES);
static_assert(platform::kIdNo == IDNO);

static_assert(platform::kSwHide == SW_HIDE);
static_assert(platform::kSwShowNormal == SW_SHOWNORMAL);

static_assert(platform::kRegSz == REG_SZ);
static_assert(platform::kRegDword == REG_DWORD);
static_assert(platform::kMaximumAllowed == MAXIMUM_ALLOWED);
static_assert(platform::kKeyWow64_64Key == KEY_WOW64_64KEY);
static_assert(platform::kRegExpandSz == REG_EXPAND_SZ);
static_assert(platform::kRegBinary == REG_BINARY);
static_assert(platform::kRegMultiSz == REG_MULTI_SZ);
static_assert(platform::kKeyRead == KEY_READ);
static_assert(platform::kKeySetValue == KEY_SET_VALUE);
static_assert(platform::kServiceDisabled == SERVICE_DISABLED);
static_assert(platform::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(platform::kErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(platform::kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(platform::kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(platform::kErrorFileTooLarge == ERROR_FILE_TOO_LARGE);
static_assert(platform::kErrorFileExists == ERROR_FILE_EXISTS);
static_assert(platform::kErrorAlreadyExists == ERROR_ALREADY_EXISTS);

static_assert(platform::kFileAddFile == FILE_ADD_FILE);
static_assert(platform::kFileAddSubdirectory == FILE_ADD_SUBDIRECTORY);
static_assert(platform::kFileDeleteChild == FILE_DELETE_CHILD);
static_assert(platform::kDelete == DELETE);
static_assert(platform::kWriteDac == WRITE_DAC);
static_assert(platform::kWriteOwner == WRITE_OWNER);
static_assert(platform::kGenericAll == GENERIC_ALL);
static_assert(platform::kGenericWrite == GENERIC_WRITE);
static_assert(platform::kTokenElevationTypeDefault == TokenElevationTypeDefault);

static_assert(platform::kSpifUpdateIniFile == SPIF_UPDATEINIFILE);
static_assert(platform::kSpifSendWinIniChange == SPIF_SENDWININICHANGE);

static_assert(platform::kSherbNoConfirmation == SHERB_NOCONFIRMATION);
static_assert(platform::kSherbNoProgressUi == SHERB_NOPROGRESSUI);

static_assert(platform::kClsctxInprocServer == CLSCTX_INPROC_SERVER);

namespace registry_roots {

// The headers define each predefined key as a number cast to the pointer type HKEY, which no
// constant expression may compare. In this namespace HKEY names a number type instead, so the
// headers' own definitions read as numbers: the 32-bit value, sign-extended as the wrapper
// (win32_os.cpp) turns ours into a key.
using HKEY = ULONG_PTR;
constexpr HKEY AsKey(std::uint32_t root) { return static_cast<ULONG_PTR>(static_cast<LONG>(root)); }

static_assert(HKEY_CURRENT_USER == AsKey(platform::kHkeyCurrentUser));
static_assert(HKEY_LOCAL_MACHINE == AsKey(platform::kHkeyLocalMachine));
static_assert(HKEY_USERS == AsKey(platform::kHkeyUsers));

}  // namespace registry_roots
