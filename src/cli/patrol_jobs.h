// The jobs `check` and `patrol` work on: every job with --all, the numbers given (as
// `history list` shows them), or else the jobs marked for patrol.
#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "cli/cli.h"

namespace pellucor::cli {

struct JobChoice {
  bool all = false;
  std::vector<size_t> numbers;  // 1-based, in the order given
};

// Reads the command's arguments; false (with the usage printed) on a usage error.
bool ParseJobChoice(const Options& options, JobChoice& choice);

class Session;

// What check and patrol begin with after the choice: the chosen jobs, with the patrol's wait
// between requests unless --wait was given (many jobs of one board are asked one after
// another). kExitOk, or the status to end with (the reason has been given).
int OpenChosenJobs(const JobChoice& choice, Session& session, std::vector<size_t>& jobs);

// Sorts the history into the window's order and returns the chosen positions; prints why and
// returns false when a number names no job.
bool ChooseJobs(Program& program, const JobChoice& choice, std::vector<size_t>& indexes);

// The ConsoleUi's Ctrl-C notice, redirected to `flag` for the rest of the command.
void CatchInterrupt(Ui& ui, bool& flag);

}  // namespace pellucor::cli
