// The one way to call a system function that is not imported (older Windows may lack it, or
// only some actions need its library), and COM, started when first needed.
#pragma once

#include <type_traits>

namespace platform::win32 {

// The system libraries whose functions are looked up rather than imported. kernel32 is in
// every process from its start, so its functions come from the module already there. The
// others are loaded the first time one of their functions is asked for, by their full path
// in the system folder: start-up does not load them, and a copy planted elsewhere is never
// taken.
enum class SystemLibrary { kKernel32, kNtdll, kShell32, kOle32, kOleAut32, kImm32 };

// What becomes of a function that cannot be had (or whose library cannot be loaded).
enum class IfMissing {
  kGiveNull,      // the caller decides, for instance by an older call or by reporting it
  kThrowFailure,  // platform::Failure("cannot load <library>"): the caller's step ends there
};

// The address of the function `name` in `library`, untyped; SystemFunction types it.
void* SystemProcedure(SystemLibrary library, const char* name, IfMissing ifMissing);

// The function `name` in `library`. Function is decltype(&::Name) where the headers declare
// it, so that the call is checked against the real declaration, else the function-pointer
// type of its documentation.
template <class Function>
Function SystemFunction(SystemLibrary library, const char* name, IfMissing ifMissing) {
  static_assert(std::is_pointer_v<Function> && std::is_function_v<std::remove_pointer_t<Function>>,
                "SystemFunction gives a function pointer");
  return reinterpret_cast<Function>(SystemProcedure(library, name, ifMissing));
}

// COM, a single-threaded apartment on the calling (user-interface) thread, is started the
// first time something may need it; StopCom ends it at exit if it was started here.
void StartCom();
void StopCom();

}  // namespace platform::win32
