// Owners, access lists and the account this process runs as, read for the trust decisions of
// platform/trust.h: the files of the way back and the machine-wide lock share them.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include "platform/os.h"

namespace platform::win32 {

// GetSecurityInfo through the handle: the owner and the allowing entries of the access list
// that apply to the object itself, each named by whom it is for. A file system without
// security (FAT) answers that it keeps none. 0, or the system's error code.
DWORD SecurityOf(HANDLE object, SE_OBJECT_TYPE type, SecurityFacts* facts);

// GetTokenInformation(TokenElevationType), which Windows before Vista does not know (its
// ERROR_INVALID_PARAMETER reads as missing), and ntdll's wine_get_version.
AccountFacts ThisAccount();

}  // namespace platform::win32
