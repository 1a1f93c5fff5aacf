// A command-line hand for scripts: waits for Brisko's windows and clicks or types into them.
//   brisko-driver wait-window main|disclaimer TIMEOUT_MS
//   brisko-driver click main|disclaimer CONTROL_ID
//   brisko-driver type main|disclaimer CHARACTER_CODE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win32/driver.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: brisko-driver wait-window|click|type WINDOW ARGUMENT\n");
    return 2;
  }
  const std::string command = argv[1];
  const char* className = driver::ClassOf(argv[2]);
  const int argument = std::atoi(argv[3]);
  if (command == "wait-window") {
    return driver::WaitWindow(className, static_cast<DWORD>(argument)) != nullptr ? 0 : 1;
  }
  HWND window = driver::WaitWindow(className, 10000);
  if (window == nullptr) return 1;
  if (command == "click") {
    HWND control = driver::Control(window, argument);
    if (control == nullptr) return 1;
    driver::Click(control);
    return 0;
  }
  if (command == "type") {
    driver::Type(window, static_cast<char>(argument));
    return 0;
  }
  return 2;
}
