// A whole program on fakes: both windows registered, one ordered trace of toolkit writes
// and operating-system calls.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/program.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_toolkit.h"

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() { toolkit.trace = &os.trace; }

  // Start-up, then "Next": the main window is loaded and the trace is empty again.
  void OpenMainWindow() {
    program.Start();
    toolkit.Click(app::disclaimer::kNextButton);
    ASSERT_TRUE(toolkit.IsLoaded(app::kMainWindow));
    os.trace.clear();
    toolkit.writes.clear();
  }

  // Index of the first (or last) trace entry starting with prefix; -1 when none.
  int First(const std::string& prefix) const {
    for (std::size_t i = 0; i < os.trace.size(); ++i) {
      if (os.trace[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  int Last(const std::string& prefix) const {
    for (std::size_t i = os.trace.size(); i-- > 0;) {
      if (os.trace[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }

  float Bar(platform::ControlId id) const { return toolkit.State(id).value; }
  std::string Caption(platform::ControlId id) const { return toolkit.State(id).caption; }
  bool Enabled(platform::ControlId id) const { return toolkit.State(id).enabled; }
  std::vector<int> Boxes() const {
    std::vector<int> boxes;
    for (int i = 0; i < app::main_window::kCategoryBoxCount; ++i) {
      boxes.push_back(toolkit.State(app::main_window::kFirstCategoryBox + i).check);
    }
    return boxes;
  }

  fakes::FakeOs os;
  platform::Os system = os.Os();
  fakes::FakeToolkit toolkit;
  app::Program program{toolkit, system};
};
