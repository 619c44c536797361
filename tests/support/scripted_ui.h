// A Ui for tests: records every call and answers questions from a queue.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace pellucor::testing {

struct ShownMessage {
  Text text;
  Text caption;
  Icon icon;
  Buttons buttons;
  Answer answer;
};

class ScriptedUi : public Ui {
 public:
  // Answers given in order; when the queue is empty a box answers with its first button
  // (Ok, Yes, Abort) and the test can check what was shown.
  std::deque<Answer> answers;
  std::deque<std::optional<Text>> inputs;
  std::function<void()> before_answer;  // runs before each message box is answered
  std::function<void()> on_yield;       // runs at each Yield (set a cancel)

  std::vector<ShownMessage> messages;
  int beeps = 0;
  int yields = 0;
  std::vector<bool> busy_changes;
  std::vector<Text> input_prompts;

  Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) override;
  void Beep() override { ++beeps; }
  void Yield() override {
    ++yields;
    if (on_yield) on_yield();
  }
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& initial) override;
  void SetBusy(bool busy) override { busy_changes.push_back(busy); }

  // The texts of every message shown, UTF-8, for readable failure output.
  std::vector<std::string> Texts() const;
};

}  // namespace pellucor::testing
