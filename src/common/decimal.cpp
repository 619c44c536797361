#include "common/decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pellucor {

std::string DecimalText(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  bool neg = std::signbit(value);
  value = std::fabs(value);
  // 15 significant digits: d.dddddddddddddde±x
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string sci(buf, r.ptr);
  size_t epos = sci.find('e');
  int exp10 = std::atoi(sci.c_str() + epos + 1);
  std::string digits;
  for (size_t k = 0; k < epos; ++k)
    if (sci[k] != '.') digits.push_back(sci[k]);
  // digits[0] has the weight 10^exp10. Build integer and fraction digit strings.
  std::string int_part;
  std::string frac_part;
  for (int k = 0; k < static_cast<int>(digits.size()); ++k) {
    int weight = exp10 - k;
    if (weight >= 0)
      int_part.push_back(digits[k]);
    else
      frac_part.push_back(digits[k]);
  }
  if (exp10 >= static_cast<int>(digits.size())) int_part.append(exp10 - digits.size() + 1, '0');
  if (exp10 < 0) frac_part.insert(0, static_cast<size_t>(-exp10 - 1), '0');
  if (value == 0) {
    int_part = "0";
    frac_part.clear();
  }
  if (int_part.empty()) int_part = "0";

  if (decimals >= 0) {
    if (static_cast<int>(frac_part.size()) > decimals) {
      bool up = frac_part[decimals] >= '5';
      frac_part.resize(decimals);
      if (up) {
        // Carry through the fraction and the whole part.
        int k = decimals - 1;
        for (; k >= 0; --k) {
          if (frac_part[k] == '9') {
            frac_part[k] = '0';
          } else {
            ++frac_part[k];
            break;
          }
        }
        if (k < 0) {
          int j = static_cast<int>(int_part.size()) - 1;
          for (; j >= 0; --j) {
            if (int_part[j] == '9') {
              int_part[j] = '0';
            } else {
              ++int_part[j];
              break;
            }
          }
          if (j < 0) int_part.insert(0, 1, '1');
        }
      }
    } else {
      frac_part.append(decimals - frac_part.size(), '0');
    }
  } else {
    while (!frac_part.empty() && frac_part.back() == '0') frac_part.pop_back();
  }
  std::string out;
  bool zero = int_part.find_first_not_of('0') == std::string::npos &&
              frac_part.find_first_not_of('0') == std::string::npos;
  if (neg && !zero) out.push_back('-');
  out += int_part;
  if (!frac_part.empty()) {
    out.push_back('.');
    out += frac_part;
  }
  return out;
}

}  // namespace pellucor
