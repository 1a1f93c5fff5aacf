// The toolkit for unit tests: the real window lifecycle and control rules, no windows.
// A property write can be made to throw on its n-th use, so can a step of making a window
// or of showing a control's state, and message boxes answer from a queue.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/window_host.h"

namespace fakes {

class FakeToolkit : public platform::WindowHost {
 public:
  struct Message {
    std::string text, title;
    unsigned style;
  };
  std::vector<Message> messages;
  std::deque<int> answers;                    // what the next message boxes answer
  std::vector<std::string> writes;            // "Enabled 101 0", "Value 111 3", "Check 300 1", ...
  std::vector<std::string>* trace = nullptr;  // when set, writes go into this trace too

  // Makes the n-th write of `property` ("Enabled", "Caption", "Check", "Max", "Value") to
  // control `id` throw platform::Failure.
  void RefuseWrite(const std::string& property, platform::ControlId id, int n = 1) {
    refusals_[{property, id}] = n;
  }

  // What the native side holds now: "window 2", "control 1101", ...
  std::set<std::string> live;

  // Makes the n-th native step ("CreateWindow", "CreateControl", "Finish" or "Update") for
  // window or control `id` throw platform::Failure.
  void RefuseNative(const std::string& step, int id, int n = 1) { nativeRefusals_[{step, id}] = n; }

  void SetEnabled(platform::ControlId id, bool enabled) override {
    Write("Enabled", id, enabled ? "1" : "0");
    WindowHost::SetEnabled(id, enabled);
  }
  void SetCaption(platform::ControlId id, const std::string& text) override {
    Write("Caption", id, text);
    WindowHost::SetCaption(id, text);
  }
  void SetCheckValue(platform::ControlId id, int value) override {
    Write("Check", id, std::to_string(value));
    WindowHost::SetCheckValue(id, value);
  }
  void SetBar(platform::ControlId id, platform::BarProperty property, float value) override {
    Write(property == platform::BarProperty::kMax ? "Max" : "Value", id, Number(value));
    WindowHost::SetBar(id, property, value);
  }
  std::uintptr_t WindowHandle(platform::WindowId id) override {
    if (!IsLoaded(id)) throw platform::Failure("window not loaded");
    return 0x10000 + static_cast<std::uintptr_t>(id);
  }
  int ShowMessage(const std::string& text, const std::string& title, unsigned style) override {
    messages.push_back({text, title, style});
    if (answers.empty()) throw platform::Failure("no answer queued");
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  static std::string Number(float value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
  }

 protected:
  void CreateWindowNative(const platform::WindowSpec& layout) override {
    Native("CreateWindow", layout.id);
    live.insert("window " + std::to_string(layout.id));
  }
  void CreateControlNative(const platform::WindowSpec& window,
                           const platform::ControlSpec& control) override {
    Native("CreateControl", control.id);
    live.insert("control " + std::to_string(control.id));
    made_[window.id].push_back(control.id);
  }
  void FinishNative(const platform::WindowSpec& layout) override { Native("Finish", layout.id); }
  void UpdateNative(const platform::ControlSpec& layout, const platform::ControlState&) override {
    Native("Update", layout.id);
  }
  void DestroyNative(platform::WindowId id) noexcept override {
    live.erase("window " + std::to_string(id));
    auto made = made_.find(id);
    if (made == made_.end()) return;
    for (platform::ControlId control : made->second)
      live.erase("control " + std::to_string(control));
    made_.erase(made);
  }

 private:
  void Native(const std::string& step, int id) {
    auto refusal = nativeRefusals_.find({step, id});
    if (refusal != nativeRefusals_.end() && --refusal->second == 0) {
      throw platform::Failure(step + " refused");
    }
  }
  void Write(const std::string& property, platform::ControlId id, const std::string& value) {
    writes.push_back(property + " " + std::to_string(id) + " " + value);
    if (trace != nullptr) trace->push_back(writes.back());
    auto refusal = refusals_.find({property, id});
    if (refusal != refusals_.end() && --refusal->second == 0) {
      throw platform::Failure(property + " refused");
    }
  }
  std::map<std::pair<std::string, platform::ControlId>, int> refusals_;
  std::map<std::pair<std::string, int>, int> nativeRefusals_;
  std::map<platform::WindowId, std::vector<platform::ControlId>> made_;
};

}  // namespace fakes
