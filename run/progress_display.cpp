// One tick of the run's progress animation. Values are single-precision, as the bar keeps
// them; a failure ends the tick and the next tick starts over, so the end steps repeat
// until they all went through.
#include "run/progress_display.h"

#include <cstddef>

#include "platform/failure.h"

namespace run {
namespace {

void EndRun(const RunControls& controls) {
  for (const platform::Button& button : controls.Buttons()) button.SetEnabled(true);
  controls.progressBar.SetValue(0.0f);
  controls.progressTimer.SetEnabled(false);
  for (int i = 0; i < controls.categoryBoxes.Count(); ++i) controls.categoryBoxes[i].SetValue(0);
}

}  // namespace

void OnProgressTick(const RunControls& controls) {
  platform::Trap([&] {
    const platform::ProgressBar& bar = controls.progressBar;
    if (bar.Max() == bar.Value()) {
      EndRun(controls);
      return;
    }
    bar.SetValue(bar.Value() + 1.0f);
    for (std::size_t i = 0; i < kCategoryThresholds.size(); ++i) {
      if (bar.Value() == kCategoryThresholds[i])
        controls.categoryBoxes[static_cast<int>(i)].SetValue(1);
    }
  });
}

}  // namespace run
