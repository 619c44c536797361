// Reading numbers out of texts the way every setting and definition value is read.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace pellucor {

// The value of the number at the start of the text: optional sign, digits, optional decimal
// point and fraction, optional exponent, read up to the first character that cannot continue
// it. Spaces, TABs and LFs anywhere in the text are skipped. No leading number gives 0.
double NumericValue(TextView text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4). Saturates at the
// int64 range.
int64_t RoundHalfEven(double value);

// RoundHalfEven(NumericValue(text)).
int64_t WholeValue(TextView text);

// The strict whole-text test used for Text_from / Text_to: the text, apart from leading and
// trailing blanks, must read entirely as one number. An empty text fails.
bool IsNumericText(TextView text);

// The largest message number a run counts with: 2^53 - 1, the last whole number after which a
// double still holds N + 1.
inline constexpr double kMaxMessageNumber = 9007199254740991.0;

// Plain decimal writing: no exponent, no ".0" for whole values, no grouping ("5", "-3", "2.5"),
// 15 significant digits; whole numbers up to 2^53 exactly.
Text FormatNumber(double value);

}  // namespace pellucor
