// Window lifecycle, control state and screen geometry shared by the Win32 host and the test
// host.
#include "platform/window_host.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/failure.h"

namespace platform {
namespace {

// n * numerator / denominator to the nearest integer, halves away from zero, as the
// system's MulDiv rounds: the places at 96 DPI stay exactly what they have always been.
int Scale(int n, int numerator, int denominator) {
  const std::int64_t product = static_cast<std::int64_t>(n) * numerator;
  const std::int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

int ScreenGeometry::Pixels(int twips) const { return Scale(twips, dpi_, 1440); }

int ScreenGeometry::FromNatural(int pixels) const { return Scale(pixels, dpi_, 96); }

PixelSize ScreenGeometry::Client(const WindowSpec& window) const {
  return {Pixels(window.clientWidth), Pixels(window.clientHeight)};
}

PixelPlace ScreenGeometry::Place(const ControlSpec& control) const {
  if (control.kind == ControlKind::kLine) {
    return {Pixels(control.left), Pixels(control.top), Pixels(control.width - control.left),
            FromNatural(1)};
  }
  return {Pixels(control.left), Pixels(control.top), Pixels(control.width), Pixels(control.height)};
}

PixelSize ScreenGeometry::PictureSize(PixelSize natural) const {
  return {FromNatural(natural.width), FromNatural(natural.height)};
}

PixelSize SizedToText(PixelSize laidOut, PixelSize text) {
  return {std::max(laidOut.width, text.width), std::max(laidOut.height, text.height)};
}

PixelSize CorrectedWindowSize(PixelSize window, PixelSize client, PixelSize wantedClient) {
  return {window.width + wantedClient.width - client.width,
          window.height + wantedClient.height - client.height};
}

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

// A control's state changes only once the control shows the change: a timer that could not
// be started is still recorded as stopped.
void WindowHost::Apply(ControlId id, ControlState& state, ControlState changed) {
  UpdateNative(Layout(id), changed);
  state = std::move(changed);
}

void WindowHost::SetEnabled(ControlId id, bool enabled) {
  ControlKind kind = Layout(id).kind;
  if (kind != ControlKind::kButton && kind != ControlKind::kTimer) {
    throw Failure("property not supported by this control");
  }
  ControlState& state = Loaded(id, kind);
  ControlState changed = state;
  changed.enabled = enabled;
  Apply(id, state, std::move(changed));
}

void WindowHost::SetCaption(ControlId id, const std::string& text) {
  ControlState& state = Loaded(id, ControlKind::kLabel);
  ControlState changed = state;
  changed.caption = text;
  Apply(id, state, std::move(changed));
}

void WindowHost::SetCheckValue(ControlId id, int value) {
  if (value != 0 && value != 1) throw Failure("invalid check box value");
  ControlState& state = Loaded(id, ControlKind::kCheckBox);
  ControlState changed = state;
  changed.check = value;
  Apply(id, state, std::move(changed));
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
  ControlState changed = state;
  switch (property) {
    case BarProperty::kMin:
      if (value >= changed.max) throw Failure("invalid property value");
      changed.min = value;
      if (changed.value < value) changed.value = value;
      break;
    case BarProperty::kMax:
      if (value <= changed.min) throw Failure("invalid property value");
      changed.max = value;
      if (changed.value > value) changed.value = value;
      break;
    case BarProperty::kValue:
      if (value < changed.min || value > changed.max) throw Failure("invalid property value");
      changed.value = value;
      break;
  }
  Apply(id, state, std::move(changed));
}

bool WindowHost::IsLoaded(WindowId id) const {
  auto window = windows_.find(id);
  return window != windows_.end() && window->second.loaded;
}

void WindowHost::Forget(const WindowSpec& layout) noexcept {
  for (const ControlSpec& control : layout.controls) states_.erase(control.id);
}

// A window is loaded whole or not at all: when any part of it cannot be made, whatever was
// made is destroyed again and the failure goes to the caller, so that no half-made window,
// control or tool tip outlives it.
void WindowHost::Load(Entry& window) {
  const WindowSpec& layout = *window.layout;
  class Undo {
   public:
    Undo(WindowHost& host, const WindowSpec& layout) : host_(host), layout_(layout) {}
    ~Undo() {
      if (!done_) {
        host_.DestroyNative(layout_.id);
        host_.Forget(layout_);
      }
    }
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;
    void Done() { done_ = true; }

   private:
    WindowHost& host_;
    const WindowSpec& layout_;
    bool done_ = false;
  } undo(*this, layout);

  for (const ControlSpec& control : layout.controls) {
    ControlState state;
    state.caption = control.caption;
    state.enabled = control.enabled;
    state.max = control.barMax;
    states_[control.id] = std::move(state);
  }
  CreateWindowNative(layout);
  for (const ControlSpec& control : layout.controls) CreateControlNative(layout, control);
  FinishNative(layout);
  for (const ControlSpec& control : layout.controls) UpdateNative(control, states_.at(control.id));
  undo.Done();
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
  Forget(*window.layout);
}

void WindowHost::EndProgram() {
  for (auto& [id, window] : windows_) UnloadWindow(id);
  ended_ = true;
  QuitNative();
}

void WindowHost::EndIfNoWindowLeft() noexcept {
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

// Every event ends here. A handler keeps its own traps; whatever still escapes one (an
// allocation failure, say) ends that handler and nothing else, because the system that
// called us cannot take an exception. Whether a window is left is decided either way, so a
// handler that unloaded the last window still ends the program.
template <class Handler>
void WindowHost::Dispatch(Handler&& handler) noexcept {
  if (busy_) return;
  Busy busy(busy_);
  Trap(std::forward<Handler>(handler));
  EndIfNoWindowLeft();
}

void WindowHost::Click(WindowId windowId, ControlId id) noexcept {
  Dispatch([&] {
    auto window = windows_.find(windowId);
    if (window == windows_.end() || !window->second.loaded) return;
    for (const ControlSpec& control : window->second.layout->controls) {
      if (control.id != id) continue;
      if (control.kind == ControlKind::kButton && states_.at(id).enabled) {
        window->second.logic->Click(id);
      }
      return;
    }
  });
}

void WindowHost::Tick(WindowId windowId, ControlId timer) noexcept {
  Dispatch([&] {
    auto window = windows_.find(windowId);
    if (window == windows_.end() || !window->second.loaded) return;
    for (const ControlSpec& control : window->second.layout->controls) {
      if (control.id != timer) continue;
      if (control.kind == ControlKind::kTimer && states_.at(timer).enabled) {
        window->second.logic->Tick(timer);
      }
      return;
    }
  });
}

void WindowHost::Click(ControlId id) noexcept {
  auto owner = owners_.find(id);
  if (owner != owners_.end()) Click(owner->second, id);
}

void WindowHost::Tick(ControlId timer) noexcept {
  auto owner = owners_.find(timer);
  if (owner != owners_.end()) Tick(owner->second, timer);
}

void WindowHost::KeyPress(WindowId id, int character) noexcept {
  Dispatch([&] {
    auto window = windows_.find(id);
    if (window == windows_.end() || !window->second.loaded) return;
    if (window->second.layout->keyPreview) window->second.logic->OnKeyPress(character);
  });
}

void WindowHost::Close(WindowId id) noexcept {
  Dispatch([&] {
    if (windows_.count(id) != 0) UnloadWindow(id);
  });
}

}  // namespace platform
