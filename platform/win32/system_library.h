// System libraries that only some actions need (shell32, ole32, oleaut32) are loaded on
// first use rather than at start-up, so that the first window shows without them.
#pragma once

namespace platform::win32 {

// The address of a function in a system library, loading the library from the system
// folder on first use; null when either cannot be had.
void* SystemProcedure(const char* library, const char* name);

template <class Function>
Function SystemFunction(const char* library, const char* name) {
  return reinterpret_cast<Function>(SystemProcedure(library, name));
}

// COM, a single-threaded apartment on the calling (user-interface) thread, is started the
// first time something may need it; StopCom ends it at exit if it was started here.
void StartCom();
void StopCom();

}  // namespace platform::win32
