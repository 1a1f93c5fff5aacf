// The toolkit's behaviour that does not depend on the operating system: which windows are
// loaded, what each control holds, which values a control refuses, and when the program
// ends. The Win32 host and the test host both build on it, so both behave alike.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace platform {

struct ControlState {
  bool enabled = true;
  std::string caption;
  int check = 0;
  float min = 0, max = 100, value = 0;
};

class WindowHost : public ControlHost {
 public:
  void Register(const WindowSpec& layout, WindowLogic& logic);

  void SetEnabled(ControlId id, bool enabled) override;
  void SetCaption(ControlId id, const std::string& text) override;
  void SetCheckValue(ControlId id, int value) override;
  float GetBar(ControlId id, BarProperty property) override;
  void SetBar(ControlId id, BarProperty property, float value) override;
  void ShowWindow(WindowId id) override;
  void UnloadWindow(WindowId id) override;
  void EndProgram() override;

  bool IsLoaded(WindowId id) const;
  bool Ended() const { return ended_; }
  const ControlState& State(ControlId id) const;
  const ControlSpec& Layout(ControlId id) const;

  // Events from the user or the clock. Each runs one handler to its end; a click on a
  // disabled button or a tick of a disabled timer does nothing.
  void Click(ControlId id);
  void Tick(ControlId timer);
  void KeyPress(WindowId id, int character);
  void Close(WindowId id);  // the title bar's close button

 protected:
  // Hooks for the real toolkit; the defaults do nothing, which is all a test needs.
  virtual void CreateNative(const WindowSpec& /*layout*/) {}
  virtual void ShowNative(WindowId /*id*/) {}
  virtual void DestroyNative(WindowId /*id*/) {}
  virtual void UpdateNative(const ControlSpec& /*layout*/, const ControlState& /*state*/) {}
  virtual void QuitNative() {}

 private:
  struct Entry {
    const WindowSpec* layout = nullptr;
    WindowLogic* logic = nullptr;
    bool loaded = false;
  };
  Entry& WindowOf(ControlId id);
  const Entry& WindowOf(ControlId id) const;
  ControlState& Loaded(ControlId id, ControlKind expected);
  void Load(Entry& window);
  void EndIfNoWindowLeft();

  class Busy;
  std::map<WindowId, Entry> windows_;
  std::map<ControlId, WindowId> owners_;
  std::map<ControlId, ControlState> states_;
  bool ended_ = false;
  bool busy_ = false;
};

}  // namespace platform
