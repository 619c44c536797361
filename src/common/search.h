// The shared search and replace routines. Positions are 1-based character positions, 0 means
// not found.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace pellucor {

// The same result as text.find(needle, pos), by a scan that skips ahead several characters at
// a time: long pages and templates are searched many times per message.
size_t FindText(TextView text, TextView needle, size_t pos = 0);

// Plain forward search: first occurrence at or after `start` (1-based), 0 when none.
// An empty needle is found at `start` while start <= length of text.
int64_t FindFrom(TextView text, TextView needle, int64_t start = 1);

// Position of the n-th occurrence, counted from the front (n > 0) or the back (n < 0).
// Overlapping occurrences count. n = 0 or |n| > 10000 gives 0.
int64_t FindNth(TextView text, TextView needle, int64_t n);
// n given as the text of a number (the cnt of an item rule).
int64_t FindNth(TextView text, TextView needle, TextView n);

// Last occurrence that begins at or after `start` and at or before `last_start`
// (default: the text's length). Neither bound is clamped.
int64_t FindLast(TextView text, TextView needle, int64_t start = 1, int64_t last_start = -1);

// Every occurrence of `find` replaced, left to right, non-overlapping. With ignore_case the
// comparison folds letters (length-preserving); the output keeps the text's own characters.
Text ReplaceAll(TextView text, TextView find, TextView replacement, bool ignore_case = false);

}  // namespace pellucor
