// System functions looked up at run time, their libraries loaded on first use by their full
// path in the system folder, and COM started when first needed.
#include "platform/win32/system_library.h"

#include <windows.h>
#include <objbase.h>

#include <string>

#include "platform/failure.h"

namespace platform::win32 {
namespace {

bool comTried = false;
bool comStarted = false;

const char* FileName(SystemLibrary library) {
  switch (library) {
    case SystemLibrary::kKernel32:
      return "kernel32.dll";
    case SystemLibrary::kNtdll:
      return "ntdll.dll";
    case SystemLibrary::kShell32:
      return "shell32.dll";
    case SystemLibrary::kOle32:
      return "ole32.dll";
    case SystemLibrary::kOleAut32:
      return "oleaut32.dll";
    case SystemLibrary::kImm32:
      return "imm32.dll";
  }
  return "";
}

// The library's module: the one already in the process (always so for kernel32 and ntdll), else the
// system folder's copy, loaded now. Null when it cannot be had.
HMODULE SystemModule(const char* fileName) {
  if (const HMODULE module = ::GetModuleHandleA(fileName)) return module;
  char folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return ::LoadLibraryA((std::string(folder, length) + "\\" + fileName).c_str());
}

}  // namespace

void* SystemProcedure(SystemLibrary library, const char* name, IfMissing ifMissing) {
  const char* fileName = FileName(library);
  const HMODULE module = SystemModule(fileName);
  void* procedure =
      module != nullptr ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
  if (procedure == nullptr && ifMissing == IfMissing::kThrowFailure) {
    throw Failure(std::string("cannot load ") + fileName);
  }
  return procedure;
}

void StartCom() {
  if (comTried) return;
  comTried = true;
  const auto coInitialize = SystemFunction<decltype(&::CoInitialize)>(
      SystemLibrary::kOle32, "CoInitialize", IfMissing::kGiveNull);
  comStarted = coInitialize != nullptr && SUCCEEDED(coInitialize(nullptr));
}

void StopCom() {
  if (!comStarted) return;
  comStarted = false;
  comTried = false;
  if (const auto coUninitialize = SystemFunction<decltype(&::CoUninitialize)>(
          SystemLibrary::kOle32, "CoUninitialize", IfMissing::kGiveNull)) {
    coUninitialize();
  }
}

}  // namespace platform::win32
