// What the user sees of a run: the progress timer fills the run bar and ticks the category boxes,
// then returns the window to rest. A fixed animation, unrelated to how the steps went.
#pragma once

#include <array>

#include "run/run_controls.h"

namespace run {

// Bar values at which the eleven category boxes, top to bottom, are ticked.
inline constexpr std::array<float, 11> kCategoryThresholds = {1,  10, 20, 30, 40, 50,
                                                              60, 70, 80, 90, 100};

void OnProgressTick(const RunControls& controls);

}  // namespace run
