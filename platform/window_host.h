// The toolkit's behaviour that does not depend on the operating system: which windows are
// loaded, what each control holds, which values a control refuses, when the program ends,
// and where every control stands on a screen of a given DPI. The Win32 host and the test
// host both build on it, so both behave alike.
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

struct PixelSize {
  int width = 0, height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelPlace {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const PixelPlace&, const PixelPlace&) = default;
};

// The layout tables in pixels for a screen of `dpi` dots per inch. Twips are 1/1440 inch,
// so every place grows with the DPI; a picture's natural size and a line's thickness are
// their pixels at 96 DPI and grow in the same proportion.
class ScreenGeometry {
 public:
  explicit ScreenGeometry(int dpi) : dpi_(dpi) {}
  int Dpi() const { return dpi_; }
  int Pixels(int twips) const;        // rounded to the nearest pixel
  int FromNatural(int pixels) const;  // a size given in pixels at 96 DPI
  PixelSize Client(const WindowSpec& window) const;
  // A control's rectangle in its container's client area. A line runs from (left, top) to
  // (width, height) of its row and is drawn as a horizontal bar one 96-DPI pixel thick.
  PixelPlace Place(const ControlSpec& control) const;
  PixelSize PictureSize(PixelSize natural) const;

 private:
  int dpi_;
};

// A label sized to its text keeps its laid-out size and grows where its text needs more, so
// that the text stays on one line at any DPI (text does not grow exactly with the DPI), while
// at the DPI it was laid out for, where the text fits, nothing moves.
PixelSize SizedToText(PixelSize laidOut, PixelSize text);

// The outer size that gives a window the client area it needs, from the outer size it has
// and the client area that came of it: whatever the system's frame really takes.
PixelSize CorrectedWindowSize(PixelSize window, PixelSize client, PixelSize wantedClient);

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

  // Events from the user, the clock, or any program that posts a message to our windows.
  // Each runs one handler to its end and never throws. A click on a disabled button, a tick
  // of a disabled timer, and an ID that is not a button (or timer) of the window that got
  // the event are ignored. The forms without a window take the control's own window.
  void Click(WindowId window, ControlId id) noexcept;
  void Tick(WindowId window, ControlId timer) noexcept;
  void Click(ControlId id) noexcept;
  void Tick(ControlId timer) noexcept;
  void KeyPress(WindowId id, int character) noexcept;
  void Close(WindowId id) noexcept;  // the title bar's close button

 protected:
  // Hooks for the real toolkit; the defaults do nothing, which is all a test needs. A window
  // is made by CreateWindowNative, CreateControlNative for each row in table order, then
  // FinishNative; if any of them fails, DestroyNative takes away whatever was made.
  virtual void CreateWindowNative(const WindowSpec& /*layout*/) {}
  virtual void CreateControlNative(const WindowSpec& /*window*/, const ControlSpec& /*layout*/) {}
  virtual void FinishNative(const WindowSpec& /*layout*/) {}
  virtual void ShowNative(WindowId /*id*/) {}
  virtual void DestroyNative(WindowId /*id*/) noexcept {}
  // Makes the control show `state`; throws when the control refuses it (the state is then
  // left as it was).
  virtual void UpdateNative(const ControlSpec& /*layout*/, const ControlState& /*state*/) {}
  virtual void QuitNative() noexcept {}

 private:
  struct Entry {
    const WindowSpec* layout = nullptr;
    WindowLogic* logic = nullptr;
    bool loaded = false;
  };
  Entry& WindowOf(ControlId id);
  const Entry& WindowOf(ControlId id) const;
  ControlState& Loaded(ControlId id, ControlKind expected);
  void Apply(ControlId id, ControlState& state, ControlState changed);
  void Load(Entry& window);
  void Forget(const WindowSpec& layout) noexcept;
  template <class Handler>
  void Dispatch(Handler&& handler) noexcept;
  void EndIfNoWindowLeft() noexcept;

  class Busy;
  std::map<WindowId, Entry> windows_;
  std::map<ControlId, WindowId> owners_;
  std::map<ControlId, ControlState> states_;
  bool ended_ = false;
  bool busy_ = false;
};

}  // namespace platform
