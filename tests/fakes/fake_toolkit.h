// The toolkit for unit tests: the real window lifecycle and control rules, no windows.
// A property write can be made to throw on its n-th use, and message boxes answer from a
// queue.
#pragma once

#include <deque>
#include <map>
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

 private:
  void Write(const std::string& property, platform::ControlId id, const std::string& value) {
    writes.push_back(property + " " + std::to_string(id) + " " + value);
    if (trace != nullptr) trace->push_back(writes.back());
    auto refusal = refusals_.find({property, id});
    if (refusal != refusals_.end() && --refusal->second == 0) {
      throw platform::Failure(property + " refused");
    }
  }
  std::map<std::pair<std::string, platform::ControlId>, int> refusals_;
};

}  // namespace fakes
