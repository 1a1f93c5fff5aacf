// Stands in for a system tool wherever a test plants it (sc.exe beside brisko.exe, or a tool
// in the native system folder): when it runs it leaves C:\markers\<its file name>.ran,
// holding the command line it was given.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* name = std::strrchr(path, '\\') != nullptr ? std::strrchr(path, '\\') + 1 : path;
  char mark[MAX_PATH + 32];
  std::snprintf(mark, sizeof mark, "C:\\markers\\%s.ran", name);
  ::CreateDirectoryA("C:\\markers", nullptr);
  if (std::FILE* file = std::fopen(mark, "a")) {
    std::fprintf(file, "%s\n", ::GetCommandLineA());
    std::fclose(file);
  }
  return 0;
}
