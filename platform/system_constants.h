// The Windows constants that portable code hands to the system, as numbers so that it builds
// without <windows.h>. platform/win32/system_constants_check.cpp holds each to the headers.
#pragma once

#include <cstdint>

namespace platform {

// --- message boxes (ControlHost::ShowMessage's style, and its answer)
inline constexpr unsigned kMbOk = 0x0;                // MB_OK: an OK button alone
inline constexpr unsigned kMbYesNo = 0x4;             // MB_YESNO: a Yes and a No button
inline constexpr unsigned kMbIconWarning = 0x30;      // MB_ICONWARNING: the exclamation-mark icon
inline constexpr unsigned kMbIconQuestion = 0x20;     // MB_ICONQUESTION: the question-mark icon
inline constexpr unsigned kMbIconInformation = 0x40;  // MB_ICONINFORMATION: the "i" icon
inline constexpr unsigned kMbDefButton2 =
    0x100;                        // MB_DEFBUTTON2: the second button (No) is the default
inline constexpr int kIdYes = 6;  // IDYES: the user answered Yes
inline constexpr int kIdNo = 7;   // IDNO: the user answered No

// --- the window of a started process (Processes::StartProcess's showState)
inline constexpr int kSwHide = 0;        // SW_HIDE: no window to be seen
inline constexpr int kSwShowNormal = 1;  // SW_SHOWNORMAL: a console window the user watches

// --- registry roots, value types and access rights (Registry)
// The predefined keys are pointers in the system headers; these are their 32-bit values,
// which the wrapper sign-extends as the system does.
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001;   // HKEY_CURRENT_USER
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002;  // HKEY_LOCAL_MACHINE
inline constexpr std::uint32_t kHkeyUsers = 0x80000003;         // HKEY_USERS
inline constexpr std::uint32_t kRegSz = 1;                      // REG_SZ: terminated text
inline constexpr std::uint32_t kRegDword = 4;                   // REG_DWORD: 32-bit number
// MAXIMUM_ALLOWED: whatever rights the caller has, as RegCreateKeyA asks for them.
inline constexpr std::uint32_t kMaximumAllowed = 0x02000000;
// KEY_WOW64_64KEY: the 64-bit view of the registry, for a 32-bit program under WOW64.
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;

// The registry's answers and access rights that the way back needs.
inline constexpr std::uint32_t kRegExpandSz = 2;       // REG_EXPAND_SZ: text with %variables%
inline constexpr std::uint32_t kRegBinary = 3;         // REG_BINARY: bytes
inline constexpr std::uint32_t kRegMultiSz = 7;        // REG_MULTI_SZ: a list of texts
inline constexpr std::uint32_t kKeyRead = 0x20019;     // KEY_READ
inline constexpr std::uint32_t kKeySetValue = 0x0002;  // KEY_SET_VALUE
inline constexpr long kErrorFileNotFound = 2;          // ERROR_FILE_NOT_FOUND: no such key or value
inline constexpr long kErrorPathNotFound = 3;          // ERROR_PATH_NOT_FOUND: no such folder
inline constexpr long kErrorFileTooLarge = 223;        // ERROR_FILE_TOO_LARGE
inline constexpr long kErrorFileExists = 80;           // ERROR_FILE_EXISTS: CREATE_NEW found a file
inline constexpr long kErrorAlreadyExists = 183;  // ERROR_ALREADY_EXISTS: so did CreateDirectory
// A service's Start value once `sc config ... start= disabled` has run: SERVICE_DISABLED.
inline constexpr std::uint32_t kServiceDisabled = 4;
// The machine-wide lock's two ways to fail that Brisko explains.
inline constexpr long kErrorAccessDenied = 5;   // ERROR_ACCESS_DENIED
inline constexpr long kErrorInvalidHandle = 6;  // ERROR_INVALID_HANDLE: a name of another kind

// --- who may change a folder (the rights of an access list's entry, AccessGrant::rights)
inline constexpr std::uint32_t kFileAddFile = 0x0002;          // FILE_ADD_FILE (FILE_WRITE_DATA)
inline constexpr std::uint32_t kFileAddSubdirectory = 0x0004;  // FILE_ADD_SUBDIRECTORY
inline constexpr std::uint32_t kFileDeleteChild = 0x0040;      // FILE_DELETE_CHILD
inline constexpr std::uint32_t kDelete = 0x00010000;           // DELETE
inline constexpr std::uint32_t kWriteDac = 0x00040000;         // WRITE_DAC
inline constexpr std::uint32_t kWriteOwner = 0x00080000;       // WRITE_OWNER
inline constexpr std::uint32_t kGenericAll = 0x10000000;       // GENERIC_ALL
inline constexpr std::uint32_t kGenericWrite = 0x40000000;     // GENERIC_WRITE
// TOKEN_ELEVATION_TYPE: an administrator's token split in two (Vista and later, with UAC) is
// "full" in its elevated processes and "limited" in the others.
inline constexpr std::uint32_t kTokenElevationTypeDefault = 1;  // TokenElevationTypeDefault

// --- wallpaper (SystemParametersInfo's winIni flags, Desktop::SetDeskWallpaper)
inline constexpr unsigned kSpifUpdateIniFile = 1;     // SPIF_UPDATEINIFILE: kept in the profile
inline constexpr unsigned kSpifSendWinIniChange = 2;  // SPIF_SENDWININICHANGE: windows are told

// --- recycle bin (SHEmptyRecycleBin's flags, Desktop::EmptyRecycleBin)
inline constexpr unsigned kSherbNoConfirmation = 1;  // SHERB_NOCONFIRMATION: no question asked
inline constexpr unsigned kSherbNoProgressUi = 2;    // SHERB_NOPROGRESSUI: no progress window

// --- COM (CoCreateInstance's context, Com::CreateUrlHistory)
inline constexpr unsigned kClsctxInprocServer = 1;  // CLSCTX_INPROC_SERVER: a DLL in our process

}  // namespace platform
