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

// Plain decimal writing: no exponent, no ".0" for whole values, no grouping ("5", "-3", "2.5").
Text FormatNumber(double value);

}  // namespace pellucor
