#include "support/scripted_ui.h"

namespace pellucor::testing {

Answer ScriptedUi::MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) {
  if (before_answer) before_answer();
  // Unscripted, a box answers with the first button of its set (in the order of Buttons).
  constexpr Answer kFirst[] = {Answer::Ok,  Answer::Ok,    Answer::Yes,
                               Answer::Yes, Answer::Abort, Answer::Retry};
  Answer a = kFirst[static_cast<int>(buttons)];
  if (!answers.empty()) {
    a = answers.front();
    answers.pop_front();
  }
  messages.push_back({text, caption, icon, buttons, a});
  return a;
}

std::optional<Text> ScriptedUi::InputBox(const Text& prompt, const Text&, const Text& initial) {
  input_prompts.push_back(prompt);
  if (inputs.empty()) return initial;
  auto v = inputs.front();
  inputs.pop_front();
  return v;
}

std::vector<std::string> ScriptedUi::Texts() const {
  std::vector<std::string> out;
  for (const auto& m : messages) out.push_back(ToUtf8(m.text));
  return out;
}

}  // namespace pellucor::testing
