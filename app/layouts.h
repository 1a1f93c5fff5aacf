// The layout tables of both windows: every control's kind, place (twips), caption, font,
// colours and place in the focus order.
#pragma once

#include <string_view>

#include "platform/toolkit.h"

namespace app {

const platform::WindowSpec& MainWindowLayout();
const platform::WindowSpec& DisclaimerWindowLayout();

std::string_view DisclaimerParagraphA();
std::string_view DisclaimerParagraphB();

}  // namespace app
