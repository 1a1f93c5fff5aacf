// The disclaimer window's two handlers.
#include "app/disclaimer_window.h"

#include "app/control_ids.h"
#include "platform/failure.h"

namespace app {

DisclaimerWindow::DisclaimerWindow(platform::ControlHost& toolkit)
    : mainWindow_(toolkit, kMainWindow), disclaimerWindow_(toolkit, kDisclaimerWindow) {}

void DisclaimerWindow::Click(platform::ControlId id) {
  if (id == disclaimer::kNextButton) OnNext();
}

void DisclaimerWindow::OnNext() {
  platform::Trap([&] {
    disclaimerWindow_.Unload();
    mainWindow_.Show();
  });
}

// "Next" is the only control that takes the focus, so Enter or Space always lands on it:
// a user pressing them means the button, not "close".
void DisclaimerWindow::OnKeyPress(int character) {
  constexpr int kEnter = 13;
  constexpr int kSpace = 32;
  if (character == kEnter || character == kSpace) {
    OnNext();
    return;
  }
  platform::Trap([&] { disclaimerWindow_.Unload(); });
}

}  // namespace app
