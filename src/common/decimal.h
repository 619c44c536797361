// Decimal writing of doubles shared by the number formatters.
#pragma once

#include <string>

namespace pellucor {

// `value` in plain decimal (no exponent), read to 15 significant digits as the user sees
// numbers. decimals < 0: as many decimals as needed, no trailing zeros, no "." for whole
// values. decimals >= 0: exactly that many, rounded half away from zero. "-" only when the
// written value is not zero.
std::string DecimalText(double value, int decimals);

}  // namespace pellucor
