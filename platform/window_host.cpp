// Window lifecycle and control state shared by the Win32 host and the test host.
#include "platform/window_host.h"

#include <cmath>

#include "platform/failure.h"

namespace platform {

void WindowHost::Register(const WindowSpec& layout, WindowLogic& logic) {
  windows_[layout.id] = Entry{&layout, &logic, false};
  for (const ControlSpec& control : layout.controls) owners_[control.id] = layout.id;
}

WindowHost::Entry& WindowHost::WindowOf(ControlId id) {
  auto owner = owners_.find(id);
  if (owner == owners_.end()) throw Failure("no such control");
  return windows_.at(owner->second);
}

const WindowHost::Entry& WindowHost::WindowOf(ControlId id) const {
  return const_cast<WindowHost*>(this)->WindowOf(id);
}

const ControlSpec& WindowHost::Layout(ControlId id) const {
  for (const ControlSpec& control : WindowOf(id).layout->controls) {
    if (control.id == id) return control;
  }
  throw Failure("no such control");
}

const ControlState& WindowHost::State(ControlId id) const {
  auto state = states_.find(id);
  if (state == states_.end()) throw Failure("control not loaded");
  return state->second;
}

ControlState& WindowHost::Loaded(ControlId id, ControlKind expected) {
  if (!WindowOf(id).loaded) throw Failure("window not loaded");
  const ControlSpec& layout = Layout(id);
  if (layout.kind != expected) throw Failure("property not supported by this control");
  return states_.at(id);
}

void WindowHost::SetEnabled(ControlId id, bool enabled) {
  ControlKind kind = Layout(id).kind;
  if (kind != ControlKind::kButton && kind != ControlKind::kTimer) {
    throw Failure("property not supported by this control");
  }
  ControlState& state = Loaded(id, kind);
  state.enabled = enabled;
  UpdateNative(Layout(id), state);
}

void WindowHost::SetCaption(ControlId id, const std::string& text) {
  ControlState& state = Loaded(id, ControlKind::kLabel);
  state.caption = text;
  UpdateNative(Layout(id), state);
}

void WindowHost::SetCheckValue(ControlId id, int value) {
  if (value != 0 && value != 1) throw Failure("invalid check box value");
  ControlState& state = Loaded(id, ControlKind::kCheckBox);
  state.check = value;
  UpdateNative(Layout(id), state);
}

float WindowHost::GetBar(ControlId id, BarProperty property) {
  const ControlState& state = Loaded(id, ControlKind::kProgressBar);
  switch (property) {
    case BarProperty::kMin:
      return state.min;
    case BarProperty::kMax:
      return state.max;
    case BarProperty::kValue:
      break;
  }
  return state.value;
}

// The progress bar refuses a Value outside Min..Max and a Max that is not above Min, as
// the bar control the window was designed with does; a lowered Max pulls Value with it.
void WindowHost::SetBar(ControlId id, BarProperty property, float value) {
  ControlState& state = Loaded(id, ControlKind::kProgressBar);
  if (!std::isfinite(value)) throw Failure("invalid property value");
  switch (property) {
    case BarProperty::kMin:
      if (value >= state.max) throw Failure("invalid property value");
      state.min = value;
      if (state.value < value) state.value = value;
      break;
    case BarProperty::kMax:
      if (value <= state.min) throw Failure("invalid property value");
      state.max = value;
      if (state.value > value) state.value = value;
      break;
    case BarProperty::kValue:
      if (value < state.min || value > state.max) throw Failure("invalid property value");
      state.value = value;
      break;
  }
  UpdateNative(Layout(id), state);
}

bool WindowHost::IsLoaded(WindowId id) const {
  auto window = windows_.find(id);
  return window != windows_.end() && window->second.loaded;
}

void WindowHost::Load(Entry& window) {
  for (const ControlSpec& control : window.layout->controls) {
    ControlState state;
    state.caption = control.caption;
    state.enabled = control.enabled;
    state.max = control.barMax;
    states_[control.id] = state;
  }
  CreateNative(*window.layout);
  window.loaded = true;
  window.logic->OnLoad();
}

void WindowHost::ShowWindow(WindowId id) {
  if (ended_) throw Failure("program has ended");
  Entry& window = windows_.at(id);
  if (!window.loaded) Load(window);
  ShowNative(id);
}

void WindowHost::UnloadWindow(WindowId id) {
  Entry& window = windows_.at(id);
  if (!window.loaded) return;
  window.loaded = false;
  DestroyNative(id);
  for (const ControlSpec& control : window.layout->controls) states_.erase(control.id);
}

void WindowHost::EndProgram() {
  for (auto& [id, window] : windows_) UnloadWindow(id);
  ended_ = true;
  QuitNative();
}

void WindowHost::EndIfNoWindowLeft() {
  if (ended_) return;
  for (const auto& [id, window] : windows_) {
    if (window.loaded) return;
  }
  ended_ = true;
  QuitNative();
}

// Handlers run one at a time: an event that arrives while one runs (a timer message
// dispatched by a message box's own loop, say) is dropped, and a periodic tick simply
// comes again.
class WindowHost::Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
  ~Busy() { flag_ = false; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  bool& flag_;
};

void WindowHost::Click(ControlId id) {
  if (busy_) return;
  Busy busy(busy_);
  Entry& window = WindowOf(id);
  if (!window.loaded || Layout(id).kind != ControlKind::kButton || !states_.at(id).enabled) return;
  window.logic->Click(id);
  EndIfNoWindowLeft();
}

void WindowHost::Tick(ControlId timer) {
  if (busy_) return;
  Busy busy(busy_);
  Entry& window = WindowOf(timer);
  if (!window.loaded || !states_.at(timer).enabled) return;
  window.logic->Tick(timer);
  EndIfNoWindowLeft();
}

void WindowHost::KeyPress(WindowId id, int character) {
  if (busy_) return;
  Busy busy(busy_);
  Entry& window = windows_.at(id);
  if (!window.loaded) return;
  if (window.layout->keyPreview) window.logic->OnKeyPress(character);
  EndIfNoWindowLeft();
}

void WindowHost::Close(WindowId id) {
  if (busy_) return;
  Busy busy(busy_);
  UnloadWindow(id);
  EndIfNoWindowLeft();
}

}  // namespace platform
