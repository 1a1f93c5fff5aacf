// The window toolkit as the window logic sees it: layout tables, control handles that
// forward to one ControlHost keyed by control ID, and the events a window receives.
//
// The windows were drawn in a form designer, and the tables keep its terms, so that each row
// still reads as the designer's property sheet:
// - twips: the unit of every place and size in the tables, 1/1440 inch, so 15 twips are one
//   pixel at 96 DPI; the Win32 host converts them with the screen's real DPI;
// - key preview: the window sees a typed key before the control that has the focus;
// - load and unload: a window is made (its controls created, OnLoad run) when it is first
//   shown, and unloading destroys it; the program ends when no window is loaded;
// - a control array: controls of one kind with consecutive IDs, reached by index
//   (CheckBoxArray: the eleven category boxes).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/failure.h"

namespace platform {

using ControlId = int;
using WindowId = int;

enum class ControlKind { kButton, kLabel, kCheckBox, kProgressBar, kFrame, kLine, kImage, kTimer };

// A colour as the layout tables give it: the control's default, a system colour index
// (COLOR_MENU and friends) or a plain RGB value.
struct Colour {
  enum class Kind { kDefault, kSystem, kRgb };
  Kind kind = Kind::kDefault;
  std::uint32_t value = 0;
};
constexpr Colour SystemColour(std::uint32_t index) { return {Colour::Kind::kSystem, index}; }
constexpr Colour Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return {Colour::Kind::kRgb, r | (g << 8) | (b << 16)};
}

// Every text font is Arial; points == 0 means the window's default GUI font.
struct FontSpec {
  float points = 0;
  bool bold = false;
};

enum class Align { kLeft, kRight };

// One row of a window's layout table. Places are twips from the top-left corner of the
// container's client area. A line runs from (left, top) to (width, height).
struct ControlSpec {
  ControlId id = 0;
  const char* name = "";
  ControlKind kind = ControlKind::kLabel;
  ControlId container = 0;  // 0: the window itself, else a frame
  int left = 0, top = 0, width = 0, height = 0;
  const char* caption = "";
  FontSpec font{};
  int tab = -1;  // place in the focus order, -1 for controls that have none
  Colour back{}, fore{};
  Align align = Align::kLeft;
  bool autoSize = false;  // label sized to its text
  int interval = 0;       // timer, milliseconds
  bool enabled = true;    // button or timer at load
  float barMax = 100;     // progress bar Max at load (Min is always 0)
  int picture = 0;        // image resource number
  bool stretch = false;   // image stretched into the control
  bool border = false;    // image with a single-line border
  const char* toolTip = nullptr;
};

enum class WindowStyle {
  kFixedSingle,       // title bar with minimise and close, no resizing
  kDialogNoTitleBar,  // fixed dialog border, no caption, cannot be moved
};

struct WindowSpec {
  WindowId id = 0;
  const char* className = "";
  const char* caption = "";
  WindowStyle style = WindowStyle::kFixedSingle;
  int clientWidth = 0, clientHeight = 0;  // twips
  bool centred = false;
  bool keyPreview = false;
  int icon = 0;
  int background = 0;  // picture drawn at natural size from the client area's corner
  std::span<const ControlSpec> controls;
};

enum class BarProperty { kMin, kMax, kValue };

// What window logic may ask of the toolkit. A property write that a control refuses
// throws platform::Failure.
class ControlHost {
 public:
  virtual ~ControlHost() = default;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;  // button or timer
  virtual void SetCaption(ControlId id, const std::string& text) = 0;
  virtual void SetCheckValue(ControlId id, int value) = 0;
  virtual float GetBar(ControlId id, BarProperty property) = 0;
  virtual void SetBar(ControlId id, BarProperty property, float value) = 0;

  virtual void ShowWindow(WindowId id) = 0;  // loads the window first when needed
  virtual void UnloadWindow(WindowId id) = 0;
  virtual void EndProgram() = 0;
  virtual std::uintptr_t WindowHandle(WindowId id) = 0;
  // A modal message box with the given MessageBox style; returns the button pressed.
  virtual int ShowMessage(const std::string& text, const std::string& title, unsigned style) = 0;
};

// Small handles so that window logic reads optimizeButton.SetEnabled(false).
class Control {
 public:
  Control(ControlHost& host, ControlId id) : host_(&host), id_(id) {}
  ControlId Id() const { return id_; }

 protected:
  ControlHost* host_;
  ControlId id_;
};

class Button : public Control {
 public:
  using Control::Control;
  void SetEnabled(bool enabled) const { host_->SetEnabled(id_, enabled); }
};

class Timer : public Control {
 public:
  using Control::Control;
  void SetEnabled(bool enabled) const { host_->SetEnabled(id_, enabled); }
};

class Label : public Control {
 public:
  using Control::Control;
  void SetCaption(const std::string& text) const { host_->SetCaption(id_, text); }
};

class CheckBox : public Control {
 public:
  using Control::Control;
  void SetValue(int value) const { host_->SetCheckValue(id_, value); }
};

// Min, Max and Value are single-precision, as the progress bar control keeps them.
class ProgressBar : public Control {
 public:
  using Control::Control;
  float Max() const { return host_->GetBar(id_, BarProperty::kMax); }
  float Value() const { return host_->GetBar(id_, BarProperty::kValue); }
  void SetMax(float max) const { host_->SetBar(id_, BarProperty::kMax, max); }
  void SetValue(float value) const { host_->SetBar(id_, BarProperty::kValue, value); }
};

// A control array: members with consecutive IDs from first.
class CheckBoxArray {
 public:
  CheckBoxArray(ControlHost& host, ControlId first, int count)
      : host_(&host), first_(first), count_(count) {}
  int Count() const { return count_; }
  CheckBox operator[](int index) const { return CheckBox(*host_, first_ + index); }

 private:
  ControlHost* host_;
  ControlId first_;
  int count_;
};

// A window of the program, or, made with no arguments, no window at all: a run without
// windows (brisko.exe /optimize) owns the clipboard and the recycle bin's dialogs with none,
// so its handle is 0, and showing or unloading it is refused.
class Window {
 public:
  Window() = default;
  Window(ControlHost& host, WindowId id) : host_(&host), id_(id) {}
  void Show() const { Host().ShowWindow(id_); }
  void Unload() const { Host().UnloadWindow(id_); }
  std::uintptr_t hWnd() const { return host_ != nullptr ? host_->WindowHandle(id_) : 0; }

 private:
  ControlHost& Host() const {
    if (host_ == nullptr) throw Failure("no window");
    return *host_;
  }

  ControlHost* host_ = nullptr;
  WindowId id_ = 0;
};

// The events a window's logic receives from the toolkit.
class WindowLogic {
 public:
  virtual ~WindowLogic() = default;
  virtual void OnLoad() {}
  virtual void Click(ControlId /*id*/) {}
  virtual void Tick(ControlId /*timer*/) {}
  virtual void OnKeyPress(int /*character*/) {}
};

}  // namespace platform
