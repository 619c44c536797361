#include "engine/job.h"

#include <algorithm>
#include <cmath>

#include "common/filename.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/run_intents.h"
#include "platform/clock.h"

namespace pellucor {
namespace {

// A message number the run can count on by one: finite, and below 2^53, where N + 1 would
// give N again and the same page would be fetched for ever.
bool IsMessageNumberText(const Text& text) {
  if (!IsNumericText(text)) return false;
  const double v = NumericValue(text);
  return std::isfinite(v) && std::fabs(v) <= kMaxMessageNumber;
}

// The number as its text reads back.
double Written(double n) {
  return NumericValue(FormatNumber(n));
}

template <class E>
E FromIndex(int index, E unknown, int count) {
  return index >= 0 && index < count ? static_cast<E>(index) : unknown;
}

// 1-3: the address and the message numbers.
bool CheckRange(RunRequest& r, RunIntents& intents) {
  if (TrimSpaces(r.url1).empty()) {
    intents.Notice(RunNotice::UrlEmpty);
    return false;
  }
  if (!IsMessageNumberText(r.from)) {
    intents.Notice(RunNotice::FromNotNumber);
    return false;
  }
  if (!r.max_msg) {
    if (!IsMessageNumberText(r.to)) {
      intents.Notice(RunNotice::ToNotNumber);
      return false;
    }
    if (NumericValue(r.to) < NumericValue(r.from)) {
      intents.Notice(RunNotice::ToBelowFrom);
      return false;
    }
  } else {
    r.to = FormatNumber(NumericValue(r.from));
  }
  return true;
}

// 4-8: output name, split count, network values.
bool CheckValues(RunRequest& r, RunIntents& intents) {
  if (r.out.empty()) {
    intents.Notice(RunNotice::OutputNameMissing);
    return false;
  }
  Text offending;
  if (!ValidateFileName(r.out, &offending)) {
    intents.Notice(RunNotice::OutputNameInvalid, {offending});
    return false;
  }
  const double count = NumericValue(r.devide_count);
  if (count < 1 || count > 999999) {
    if (r.devide) {
      intents.Notice(RunNotice::SplitCountRange);
      return false;
    }
    r.devide_count = u"1000";
  }
  if (r.timeout.empty()) {
    intents.Notice(RunNotice::TimeoutMissing);
    return false;
  }
  const double timeout = NumericValue(r.timeout);
  if (timeout <= 0 || timeout > 300) {
    intents.Notice(RunNotice::TimeoutRange);
    return false;
  }
  const double retry = NumericValue(r.retry);
  if (retry < 0 || retry > 1000) {
    intents.Notice(RunNotice::RetryRange);
    return false;
  }
  return true;
}

// 9: the shape of the output path, completed where only a folder or no extension was given.
bool CompleteOutputPath(RunRequest& r, const OutputEntry* output, Clock& clock,
                        RunIntents& intents) {
  const Text out = r.out;
  if (FindLast(out, Text(1, kSep)) == 0) {
    intents.Notice(RunNotice::OutputNotFullPath);
    return false;
  }
  if (out.back() == kSep) {
    if (!r.topic_to_filename) {
      if (!intents.UseTitleAsFileName()) {
        intents.Notice(RunNotice::OutputNameMissing);
        return false;
      }
      r.topic_to_filename = true;
      return true;
    }
    if (!output) {
      intents.Notice(RunNotice::NoOutputType);
      return false;
    }
    r.out = out + FormatStamp(clock.Now()) + u"." + output->mark;
  } else if (out.find(u'.') == Text::npos) {
    if (!output) {
      intents.Notice(RunNotice::NoOutputType);
      return false;
    }
    r.out = out + u"." + output->mark;
  }
  return true;
}

// 10: the message-number parameter at the end of the address.
bool CheckAddress(const RunRequest& r, const BoardEntry* board, RunIntents& intents) {
  if (!board) {
    intents.Notice(RunNotice::NoBoard);
    return false;
  }
  const Text msgstr = TrimSpaces(board->msgstr);
  if (!msgstr.empty() && !TrimSpaces(r.url1).ends_with(msgstr + u"="))
    return intents.RunWithAddress(msgstr);
  return true;
}

}  // namespace

void Job::SetFrom(double n) {
  request.from = FormatNumber(n);
  from = Written(n);
}

void Job::SetTo(double n) {
  request.to = FormatNumber(n);
  to = Written(n);
}

void Job::SetOutputPath(const Text& path) {
  request.out = output_path = path;
}

void Job::SetTopicToFilename(bool on) {
  request.topic_to_filename = topic_to_filename = on;
}

void Job::SetErrorPolicy(ErrorPolicy policy) {
  error_policy = policy;
  request.error_mode = static_cast<int>(policy);
}

void Job::ResetSplitCount() {
  request.devide_count = u"1000";
  split.count = 1000;
}

Job JobOf(const RunRequest& r, const DefinitionCatalog& catalog) {
  Job j;
  j.url1 = r.url1;
  j.url2 = r.url2;
  j.from = NumericValue(r.from);
  j.to = NumericValue(r.to);
  j.max_msg = r.max_msg;
  j.output_path = r.out;
  j.topic_to_filename = r.topic_to_filename;
  j.create_title_index = r.create_title_index;
  j.no_out_blank = r.no_out_blank;
  j.open_while_collecting = r.read;
  j.split.enabled = r.devide;
  j.split.kind = FromIndex(r.devide_kind, SplitKind::Unknown, 3);
  j.split.count = NumericValue(r.devide_count);
  j.split.unit = FromIndex(r.devide_date_kind, DateUnit::Daily, 3);
  j.split.size_kb = NumericValue(r.devide_file_size);
  // Only "ask" and "receive again" act; any other mode lets an empty page through.
  j.error_policy = FromIndex(r.error_mode, ErrorPolicy::Ignore, 3);
  j.error_log = r.error_log;
  j.network.access = FromIndex(r.proxy, AccessType::Unchanged, 3);
  j.network.proxy_address = r.proxy_address;
  j.network.proxy_port = r.proxy_port;
  j.network.timeout_seconds =
      static_cast<int>(std::clamp<int64_t>(WholeValue(r.timeout), 0, 1 << 30));
  j.network.retries = NumericValue(r.retry);
  if (const BoardEntry* b = catalog.Board(r.board)) j.board = *b;
  if (const OutputEntry* o = catalog.Output(r.output)) j.output = *o;
  j.request = r;
  return j;
}

std::optional<Job> BuildJob(RunRequest& request, const DefinitionCatalog& catalog, Clock& clock,
                            RunIntents& intents) {
  if (!CheckRange(request, intents) || !CheckValues(request, intents) ||
      !CompleteOutputPath(request, catalog.Output(request.output), clock, intents) ||
      !CheckAddress(request, catalog.Board(request.board), intents))
    return std::nullopt;
  return JobOf(request, catalog);
}

}  // namespace pellucor
