// The disclaimer window's two handlers.
#include "app/disclaimer_window.h"

#include "app/control_ids.h"
#include "platform/failure.h"

namespace app {

DisclaimerWindow::DisclaimerWindow(platform::ControlHost& toolkit)
    : form1_(toolkit, kForm1), frmSplash_(toolkit, kFrmSplash) {}

void DisclaimerWindow::Click(platform::ControlId id) {
  if (id == splash::kCommand1) Command1_Click();
}

void DisclaimerWindow::Command1_Click() {
  platform::Trap([&] {
    frmSplash_.Unload();
    form1_.Show();
  });
}

// "Next" is the only control that takes the focus, so Enter or Space always lands on it:
// a user pressing them means the button, not "close".
void DisclaimerWindow::Form_KeyPress(int character) {
  constexpr int kEnter = 13;
  constexpr int kSpace = 32;
  if (character == kEnter || character == kSpace) {
    Command1_Click();
    return;
  }
  platform::Trap([&] { frmSplash_.Unload(); });
}

}  // namespace app
