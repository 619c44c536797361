#include "common/numeric.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "common/decimal.h"

namespace pellucor {

namespace {

bool Skipped(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n';
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// The leading number of `text` as ASCII ("" when there is none), reading from `i` and
// leaving `i` on the first character that cannot continue it. With `skip`, spaces, TABs and
// LFs are passed over anywhere.
std::string ScanNumber(TextView text, size_t& i, bool skip) {
  std::string out;
  auto next = [&]() -> char16_t {
    if (skip)
      while (i < text.size() && Skipped(text[i])) ++i;
    return i < text.size() ? text[i] : u'\0';
  };
  char16_t c = next();
  if (c == u'+' || c == u'-') {
    out.push_back(static_cast<char>(c));
    ++i;
    c = next();
  }
  bool digits = false;
  while (IsDigit(c)) {
    out.push_back(static_cast<char>(c));
    digits = true;
    ++i;
    c = next();
  }
  if (c == u'.') {
    size_t save = i;
    std::string frac = ".";
    ++i;
    c = next();
    while (IsDigit(c)) {
      frac.push_back(static_cast<char>(c));
      digits = true;
      ++i;
      c = next();
    }
    if (frac.size() > 1 || digits) {
      out += frac;
    } else {
      i = save;
    }
  }
  if (!digits) return "";
  if (c == u'e' || c == u'E') {
    size_t save = i;
    std::string exp = "e";
    ++i;
    c = next();
    if (c == u'+' || c == u'-') {
      exp.push_back(static_cast<char>(c));
      ++i;
      c = next();
    }
    bool exp_digits = false;
    while (IsDigit(c)) {
      exp.push_back(static_cast<char>(c));
      exp_digits = true;
      ++i;
      c = next();
    }
    if (exp_digits)
      out += exp;
    else
      i = save;  // "1e" is the number 1 followed by text
  }
  return out;
}

double ParseAscii(const std::string& s) {
  if (s.empty()) return 0;
  const char* b = s.data();
  const char* e = b + s.size();
  if (*b == '+') ++b;
  double v = 0;
  auto r = std::from_chars(b, e, v);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow saturates at infinity; underflow is zero.
    bool neg = *b == '-';
    bool big = s.find("e-") == std::string::npos;
    return big ? (neg ? -HUGE_VAL : HUGE_VAL) : (neg ? -0.0 : 0.0);
  }
  return v;
}

}  // namespace

double NumericValue(TextView text) {
  size_t i = 0;
  return ParseAscii(ScanNumber(text, i, true));
}

int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  // Halves go to the even neighbour whatever the current rounding mode is.
  double t = std::trunc(value);
  double diff = value - t;
  if (std::fabs(diff) == 0.5)
    return static_cast<int64_t>(std::fmod(t, 2.0) == 0 ? t : t + (value > 0 ? 1 : -1));
  return static_cast<int64_t>(std::round(value));
}

int64_t WholeValue(TextView text) {
  return RoundHalfEven(NumericValue(text));
}

// Accepted: blanks (spaces, TABs), an optional sign, digits with an optional decimal point
// (at least one digit), an optional exponent, blanks. No blanks inside, no grouping.
bool IsNumericText(TextView text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && (text[b] == u' ' || text[b] == u'\t')) ++b;
  while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t')) --e;
  if (b == e) return false;
  TextView core = text.substr(b, e - b);
  size_t i = 0;
  std::string s = ScanNumber(core, i, false);
  return !s.empty() && i == core.size();
}

Text FormatNumber(double value) {
  if (!std::isfinite(value)) return u"0";
  // Whole numbers a run counts with are written exactly: 15 significant digits would turn
  // message 9007199254740991 into ...990 when the range is written back.
  if (std::fabs(value) <= kMaxMessageNumber + 1 && value == std::trunc(value) && value != 0) {
    std::string s = std::to_string(static_cast<int64_t>(value));
    return Text(s.begin(), s.end());
  }
  std::string s = DecimalText(value, -1);
  return Text(s.begin(), s.end());
}

}  // namespace pellucor
