// Libraries loaded on first use, by their full path in the system folder, and COM started
// when first needed.
#include "platform/win32/system_library.h"

#include <windows.h>
#include <objbase.h>

#include <string>

namespace platform::win32 {
namespace {

bool comTried = false;
bool comStarted = false;

}  // namespace

void* SystemProcedure(const char* library, const char* name) {
  HMODULE module = ::GetModuleHandleA(library);
  if (module == nullptr) {
    char folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    module = ::LoadLibraryA((std::string(folder, length) + "\\" + library).c_str());
    if (module == nullptr) return nullptr;
  }
  return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

void StartCom() {
  if (comTried) return;
  comTried = true;
  const auto coInitialize = SystemFunction<decltype(&::CoInitialize)>("ole32.dll", "CoInitialize");
  comStarted = coInitialize != nullptr && SUCCEEDED(coInitialize(nullptr));
}

void StopCom() {
  if (!comStarted) return;
  comStarted = false;
  comTried = false;
  if (const auto coUninitialize =
          SystemFunction<decltype(&::CoUninitialize)>("ole32.dll", "CoUninitialize")) {
    coUninitialize();
  }
}

}  // namespace platform::win32
