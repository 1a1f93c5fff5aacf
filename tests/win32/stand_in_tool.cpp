// Stands in for a system tool that Wine lacks (defrag, sfc), planted in the sandbox's system
// folder by a test. Until C:\tests\<name>.release appears it keeps running, so that the test
// can look at its console for as long as it needs, and keeps C:\tests\<name>.report saying
// whether the console it runs in has been visible at any time so far. It gives up after three
// minutes.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Write(const std::string& report, const char* text) {
  const std::string partial = report + ".part";
  if (std::FILE* file = std::fopen(partial.c_str(), "w")) {
    std::fputs(text, file);
    std::fclose(file);
    ::MoveFileExA(partial.c_str(), report.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
}

}  // namespace

int main() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of('\\') + 1);
  name = name.substr(0, name.find_last_of('.'));
  const std::string report = "C:\\tests\\" + name + ".report";
  const std::string release = "C:\\tests\\" + name + ".release";

  HWND console = ::GetConsoleWindow();
  bool seen = false;
  Write(report, "console hidden");
  for (int waited = 0; waited < 180000; waited += 20) {
    if (!seen && console != nullptr && ::IsWindowVisible(console)) {
      seen = true;
      Write(report, "console visible");
    }
    if (::GetFileAttributesA(release.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    ::Sleep(20);
  }
  return 0;
}
