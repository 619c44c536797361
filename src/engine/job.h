// One collection job as typed values, built once from the values a front end was given (the
// main window's controls, or pellu.ini and --KEY=VALUE) and checked in the run's fixed order.
#pragma once

#include <optional>

#include "common/text.h"
#include "engine/definitions.h"

namespace pellucor {

class Clock;
class RunIntents;

// The values of a run as the window holds them: texts as typed, check boxes, and the indexes
// of option groups and lists. pellu.ini and the history record keep these forms.
struct RunRequest {
  Text url1, url2, from, to;
  bool max_msg = false;
  int board = -1, output = -1;  // positions in the catalogue, -1 for none
  Text out;
  bool topic_to_filename = false;
  bool devide = false;
  int devide_kind = 0;  // 0 count, 1 date, 2 size
  Text devide_count;
  int devide_date_kind = 0;  // 0 daily, 1 weekly, 2 monthly
  Text devide_file_size;
  bool create_title_index = false;
  bool no_out_blank = false;
  bool read = false;
  int error_mode = 0;  // 0 ask, 1 ignore, 2 receive again
  bool error_log = false;
  int proxy = 0;  // 0 system default, 1 direct, 2 named proxy
  Text proxy_address, proxy_port, timeout, retry;
};

enum class SplitKind { Count, Date, Size, Unknown };
enum class DateUnit { Daily, Weekly, Monthly };
enum class ErrorPolicy { Ask, Ignore, ReceiveAgain };
enum class AccessType { SystemDefault, Direct, NamedProxy, Unchanged };

struct SplitRule {
  bool enabled = false;
  SplitKind kind = SplitKind::Count;
  double count = 1000;  // messages per file
  DateUnit unit = DateUnit::Daily;
  double size_kb = 1000;  // a file past this size begins the next one
};

struct NetworkSettings {
  AccessType access = AccessType::SystemDefault;
  Text proxy_address, proxy_port;  // as typed; the named proxy is trimmed when applied
  int timeout_seconds = 15;
  double retries = 100;  // time-out retries; shown as typed (a fraction stays one)
};

struct Job {
  Text url1, url2;
  // Message numbers as the texts read. A fraction passes the checks and is counted on by one.
  double from = 1, to = 100;
  bool max_msg = false;
  Text output_path;
  bool topic_to_filename = false;
  bool create_title_index = false;
  bool no_out_blank = false;
  bool open_while_collecting = false;
  SplitRule split;
  ErrorPolicy error_policy = ErrorPolicy::Ask;
  bool error_log = false;
  NetworkSettings network;
  // The chosen definitions; a built job always has a board, and a run without an output type
  // ends when it loads the definitions.
  std::optional<BoardEntry> board;
  std::optional<OutputEntry> output;

  // The values as given, kept in step by the setters below: what the front end shows, the
  // history record keeps and pellu.ini remembers.
  RunRequest request;

  // What a run changes of its job; each keeps the number as its text reads back.
  void SetFrom(double n);
  void SetTo(double n);
  void SetOutputPath(const Text& path);
  void SetTopicToFilename(bool on);
  void SetErrorPolicy(ErrorPolicy policy);
  void ResetSplitCount();  // "1000"
};

// The typed values of a request, without checks (numbers as they read).
Job JobOf(const RunRequest& request, const DefinitionCatalog& catalog);

// The run's checks in their fixed order with their messages, the output path completed and the
// address question. Nothing when the run ends here (the message was given). `request` takes
// what the checks change even then (the range's end for the max-message flag, the split count
// reset, title naming turned on, the completed path), for the front end to show.
std::optional<Job> BuildJob(RunRequest& request, const DefinitionCatalog& catalog, Clock& clock,
                            RunIntents& intents);

}  // namespace pellucor
