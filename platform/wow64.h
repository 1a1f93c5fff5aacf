// Whether this 32-bit program runs on 64-bit Windows, asked afresh by each caller.
#pragma once

#include "platform/os.h"

namespace platform {

// Windows 2000 and XP before SP2 lack the question, and only 32-bit Windows lacks it, so a
// missing question means 32-bit. A question that fails is taken as 32-bit too: that machine
// then gets exactly the calls a 32-bit Windows gets, which is what Brisko always did.
inline bool RunsUnderWow64(Wow64Query& query) {
  bool wow64 = false;
  return query.IsWow64Process(&wow64) == RuntimeCall::kSucceeded && wow64;
}

}  // namespace platform
