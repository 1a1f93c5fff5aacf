// The program's start: both windows known to the toolkit, the disclaimer window shown.
#pragma once

#include "app/disclaimer_window.h"
#include "app/main_window.h"
#include "platform/window_host.h"

namespace app {

class Program {
 public:
  Program(platform::WindowHost& host, platform::Os& os);
  void Start();

 private:
  platform::WindowHost& host_;
  MainWindow mainWindow_;
  DisclaimerWindow disclaimerWindow_;
};

}  // namespace app
