#include "platform/console_ui.h"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

namespace pellucor {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnSigint(int sig) {
  if (g_interrupted.exchange(true)) {
    // Second Ctrl-C (or SIGTERM, SIGHUP): the user really wants out.
    signal(sig, SIG_DFL);
    raise(sig);
  }
}

std::string Unify(const Text& text) {
  return ToUtf8(ReplaceLineBreaks(text));
}

const char* AnswerName(Answer a) {
  switch (a) {
    case Answer::Ok:
      return "OK";
    case Answer::Cancel:
      return "Cancel";
    case Answer::Yes:
      return "Yes";
    case Answer::No:
      return "No";
    case Answer::Abort:
      return "Abort";
    case Answer::Retry:
      return "Retry";
    case Answer::Ignore:
      return "Ignore";
  }
  return "?";
}

struct Choice {
  char key;
  Answer answer;
};

std::vector<Choice> ChoicesFor(Buttons b) {
  switch (b) {
    case Buttons::Ok:
      return {{'o', Answer::Ok}};
    case Buttons::OkCancel:
      return {{'o', Answer::Ok}, {'c', Answer::Cancel}};
    case Buttons::YesNo:
      return {{'y', Answer::Yes}, {'n', Answer::No}};
    case Buttons::YesNoCancel:
      return {{'y', Answer::Yes}, {'n', Answer::No}, {'c', Answer::Cancel}};
    case Buttons::AbortRetryIgnore:
      return {{'a', Answer::Abort}, {'r', Answer::Retry}, {'i', Answer::Ignore}};
    case Buttons::RetryCancel:
      return {{'r', Answer::Retry}, {'c', Answer::Cancel}};
  }
  return {};
}

// The answer given without a user: Yes/OK for --yes, otherwise the cautious one. Ignoring a
// failed write would lose data, so it is never answered Ignore.
Answer Automatic(Buttons b, bool yes, bool write_error) {
  switch (b) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::OkCancel:
      return yes ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
      return yes ? Answer::Yes : Answer::No;
    case Buttons::AbortRetryIgnore:
      return yes && !write_error ? Answer::Ignore : Answer::Abort;
    case Buttons::RetryCancel:
      return yes ? Answer::Retry : Answer::Cancel;
  }
  return Answer::Cancel;
}

}  // namespace

std::string ConsoleMessageText(const Text& text) {
  return "Pellucor: " + Unify(text);
}

ConsoleUi::ConsoleUi(Mode mode, std::FILE* err, std::FILE* in) : mode_(mode), err_(err), in_(in) {}

Answer ConsoleUi::MessageBox(const Text& text, const Text& caption, Icon, Buttons buttons) {
  std::string head = ConsoleMessageText(text);
  if (caption != kAppCaption) head = "Pellucor: [" + ToUtf8(caption) + "] " + Unify(text);
  std::fprintf(err_, "%s\n", head.c_str());
  auto choices = ChoicesFor(buttons);
  if (choices.size() <= 1) return choices.empty() ? Answer::Ok : choices[0].answer;

  Answer answer;
  bool tty = in_ && isatty(fileno(in_));
  if (mode_ == Mode::AlwaysYes || mode_ == Mode::AlwaysNo || !tty) {
    answer = Automatic(buttons, mode_ == Mode::AlwaysYes, write_error_);
  } else {
    std::string prompt = "[";
    for (size_t i = 0; i < choices.size(); ++i) {
      if (i) prompt += "/";
      prompt += AnswerName(choices[i].answer);
      prompt += "=";
      prompt += choices[i].key;
    }
    prompt += "] ";
    for (;;) {
      std::fprintf(err_, "%s", prompt.c_str());
      std::fflush(err_);
      char line[64];
      if (!std::fgets(line, sizeof line, in_)) {
        answer = Automatic(buttons, false, write_error_);
        break;
      }
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
      bool found = false;
      for (const auto& ch : choices) {
        if (ch.key == c) {
          answer = ch.answer;
          found = true;
        }
      }
      if (found) break;
    }
  }
  std::fprintf(err_, "Pellucor: -> %s\n", AnswerName(answer));
  return answer;
}

Answer ConsoleUi::AskAfterWriteError(const Text& text) {
  write_error_ = true;
  Answer a = MessageBox(text, u"エラー", Icon::Critical, Buttons::AbortRetryIgnore);
  write_error_ = false;
  return a;
}

void ConsoleUi::Yield() {
  if (g_interrupted.exchange(false) && on_interrupt_) on_interrupt_();
}

std::optional<Text> ConsoleUi::InputBox(const Text& prompt, const Text& title,
                                        const Text& initial) {
  std::fprintf(err_, "Pellucor: [%s] %s\n", ToUtf8(title).c_str(), Unify(prompt).c_str());
  bool tty = in_ && isatty(fileno(in_));
  if (mode_ != Mode::Ask || !tty) {
    if (mode_ == Mode::AlwaysNo || !tty) return std::nullopt;
    return initial;
  }
  std::fprintf(err_, "[%s] ", ToUtf8(initial).c_str());
  std::fflush(err_);
  std::string line;
  int c;
  while ((c = std::fgetc(in_)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (c == EOF && line.empty()) return std::nullopt;
  return line.empty() ? initial : FromUtf8(line);
}

void ConsoleUi::InstallInterruptHandler() {
  struct sigaction sa {};
  sa.sa_handler = OnSigint;
  sigemptyset(&sa.sa_mask);
  // A terminal closed (SIGHUP) or a polite kill (SIGTERM) ends a run as Ctrl-C does.
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

bool ConsoleUi::Interrupted() {
  return g_interrupted.load();
}

const std::atomic<bool>* ConsoleUi::InterruptFlag() {
  return &g_interrupted;
}

}  // namespace pellucor
