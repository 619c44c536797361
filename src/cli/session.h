// What every pellucor-cli command that works on the program's state shares: the terminal Ui,
// the window values read from pellu.ini with the --KEY=VALUE overrides, the definition
// catalogue, the history, and writing settings and history back as the window's closing does.
#pragma once

#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/program.h"
#include "cli/cli.h"
#include "platform/clock.h"
#include "platform/curl_http.h"
#include "platform/polite_http.h"
#include "platform/shell.h"

namespace pellucor::cli {

// The status line on stderr: rewritten in place on a terminal, one line per change otherwise,
// nothing with --quiet.
class StatusLine {
 public:
  StatusLine(std::FILE* out, bool quiet);
  void Show(const Text& text);
  // Ends an in-place line so that a message starts on a line of its own.
  void Break();

 private:
  std::FILE* out_;
  bool quiet_;
  bool tty_;
  bool pending_ = false;
};

class Session {
 public:
  explicit Session(Options& options);
  ~Session();

  // Greeting, pellu.ini, catalogue, overrides, history. 0, or the exit status of a usage error.
  int Open();
  // Settings to pellu.ini and the history to record.dat. False when either could not be saved
  // (the message has been shown).
  bool Close();

  Program& program() { return *program_; }
  MainForm& form();
  Ui& ui();
  Shell& shell() { return *shell_; }
  StatusLine& status() { return *status_; }
  Options& options() { return options_; }

  // Catalogue file names of the selected entries ("" when none).
  Text BoardFile();
  Text OutputFile();

  // The pause between requests to one host: pellu.ini's, or --wait=SECONDS (then wait_given).
  PoliteHttpClient& polite() { return polite_; }
  bool wait_given() const { return wait_given_; }

 private:
  Options& options_;
  std::unique_ptr<StatusLine> status_;
  std::unique_ptr<Ui> ui_;
  std::unique_ptr<MainForm> form_;
  SystemClock clock_;
  CurlHttpClient http_;
  PoliteHttpClient polite_{http_, clock_};
  bool wait_given_ = false;
  std::unique_ptr<Shell> shell_;
  std::unique_ptr<Program> program_;
};

}  // namespace pellucor::cli
