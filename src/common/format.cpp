#include "common/format.h"

#include <cstdlib>
#include <string>

#include "common/decimal.h"

namespace pellucor {

namespace {

Text Ascii(const std::string& s) {
  return Text(s.begin(), s.end());
}

std::string Pad(int64_t v, int digits) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < digits) s.insert(0, digits - s.size(), '0');
  return s;
}

}  // namespace

Text IntegerText(int64_t value) {
  return Ascii(std::to_string(value));
}

Text ZeroPad(int64_t value, int digits) {
  if (value < 0) {
    // Magnitude of INT64_MIN does not fit; its digits are written from the text.
    std::string mag = std::to_string(value).substr(1);
    if (static_cast<int>(mag.size()) < digits) mag.insert(0, digits - mag.size(), '0');
    return Ascii("-" + mag);
  }
  return Ascii(Pad(value, digits));
}

Text FormatFixed(double value, int decimals) {
  return Ascii(DecimalText(value, decimals < 0 ? 0 : decimals));
}

Text FormatGrouped(int64_t value) {
  std::string s = std::to_string(value);
  size_t start = value < 0 ? 1 : 0;
  std::string out;
  size_t n = s.size() - start;
  for (size_t k = 0; k < n; ++k) {
    if (k > 0 && (n - k) % 3 == 0) out.push_back(',');
    out.push_back(s[start + k]);
  }
  return Ascii((value < 0 ? "-" : "") + out);
}

// ---------------------------------------------------------------------------------------------
// Calendar

namespace {

bool IsLeap(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int64_t y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y += m <= 2;
}

const int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

int64_t DaySerial(const DateTime& date) {
  return DaysFromCivil(date.year, date.month, date.day) - kEpochOffset;
}

DateTime FromDaySerial(int64_t days) {
  int64_t y;
  int m, d;
  CivilFromDays(days + kEpochOffset, y, m, d);
  DateTime t;
  t.year = static_cast<int>(y);
  t.month = m;
  t.day = d;
  return t;
}

int Weekday(const DateTime& date) {
  // 1899-12-30 was a Saturday (7).
  int64_t r = (DaySerial(date) + 6) % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

int WeekOfYear(const DateTime& date) {
  DateTime jan1{date.year, 1, 1, 0, 0, 0};
  int64_t day_of_year = DaySerial(date) - DaySerial(jan1);
  return static_cast<int>((day_of_year + Weekday(jan1) - 1) / 7 + 1);
}

namespace {

int64_t TotalSeconds(const DateTime& t) {
  return DaySerial(t) * 86400 + t.hour * 3600LL + t.minute * 60LL + t.second;
}

}  // namespace

int64_t SecondsBetween(const DateTime& a, const DateTime& b) {
  return TotalSeconds(b) - TotalSeconds(a);
}

DateTime AddSeconds(const DateTime& t, int64_t seconds) {
  int64_t total = TotalSeconds(t) + seconds;
  int64_t days = total / 86400;
  int64_t rest = total % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  DateTime out = FromDaySerial(days);
  out.hour = static_cast<int>(rest / 3600);
  out.minute = static_cast<int>(rest / 60 % 60);
  out.second = static_cast<int>(rest % 60);
  return out;
}

Text FormatYmd(const DateTime& t) {
  return Ascii(Pad(t.year, 4) + "/" + Pad(t.month, 2) + "/" + Pad(t.day, 2));
}

Text FormatHm(const DateTime& t) {
  return Ascii(Pad(t.hour, 2) + ":" + Pad(t.minute, 2));
}

Text FormatStamp(const DateTime& t) {
  return Ascii(Pad(t.year, 4) + Pad(t.month, 2) + Pad(t.day, 2) + "-" + Pad(t.hour, 2) +
               Pad(t.minute, 2) + Pad(t.second, 2));
}

Text FormatYmdHms(const DateTime& t) {
  return Ascii(Pad(t.year, 4) + "/" + Pad(t.month, 2) + "/" + Pad(t.day, 2) + " " + Pad(t.hour, 2) +
               ":" + Pad(t.minute, 2) + ":" + Pad(t.second, 2));
}

// ---------------------------------------------------------------------------------------------
// Reading dates

namespace {

// Full-width digits and punctuation read as their ASCII forms; the ideographic space is a
// space.
char16_t Narrow(char16_t c) {
  if (c >= u'\uFF01' && c <= u'\uFF5E') return static_cast<char16_t>(c - 0xFEE0);
  if (c == u'\u3000') return u' ';
  return c;
}

struct Cursor {
  Text s;
  size_t i = 0;
  bool End() const { return i >= s.size(); }
  char16_t Peek() const { return i < s.size() ? s[i] : u'\0'; }
  void SkipSpaces() {
    while (i < s.size() && s[i] == u' ') ++i;
  }
  // 1 to max_digits digits; -1 when there is none.
  int Number(int max_digits, int* count = nullptr) {
    int v = 0;
    int n = 0;
    while (n < max_digits && i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
      v = v * 10 + (s[i] - u'0');
      ++i;
      ++n;
    }
    if (count) *count = n;
    if (n < max_digits && i < s.size() && s[i] >= u'0' && s[i] <= u'9') return -1;  // too long
    return n ? v : -1;
  }
  bool Eat(char16_t c) {
    if (Peek() != c) return false;
    ++i;
    return true;
  }
};

}  // namespace

// Accepted forms: y/m/d, y-m-d, y.m.d and y年m月d日, each optionally followed by a weekday in
// parentheses and a time h:m[:s] or h時m分[s秒]. A year of one or two digits is 2000-2029 for
// 0-29 and 1930-1999 for 30-99. Full-width digits and separators count as ASCII ones.
std::optional<DateTime> ParseDateTime(TextView text) {
  Cursor c;
  c.s.reserve(text.size());
  for (char16_t ch : text) c.s.push_back(Narrow(ch));
  c.SkipSpaces();
  DateTime t;
  int ydigits = 0;
  int y = c.Number(4, &ydigits);
  if (y < 0) return std::nullopt;
  bool kanji = false;
  char16_t sep = c.Peek();
  if (sep == u'/' || sep == u'-' || sep == u'.') {
    ++c.i;
  } else if (sep == u'年') {
    kanji = true;
    ++c.i;
  } else {
    return std::nullopt;
  }
  c.SkipSpaces();
  int m = c.Number(2);
  if (m < 0) return std::nullopt;
  c.SkipSpaces();
  if (!c.Eat(kanji ? u'月' : sep)) return std::nullopt;
  c.SkipSpaces();
  int d = c.Number(2);
  if (d < 0) return std::nullopt;
  if (kanji && !c.Eat(u'日')) return std::nullopt;
  if (ydigits <= 2) y += y < 30 ? 2000 : 1900;
  if (ydigits == 3) return std::nullopt;
  if (!IsValidDate(y, m, d)) return std::nullopt;
  t.year = y;
  t.month = m;
  t.day = d;
  t.hour = t.minute = t.second = 0;

  c.SkipSpaces();
  if (c.Eat(u'(')) {
    // A weekday name of up to three characters; its content is not checked.
    size_t close = c.s.find(u')', c.i);
    if (close == Text::npos || close - c.i > 3) return std::nullopt;
    c.i = close + 1;
    c.SkipSpaces();
  }
  if (c.End()) return t;
  int h = c.Number(2);
  if (h < 0) return std::nullopt;
  bool kanji_time = c.Peek() == u'時';
  if (!c.Eat(kanji_time ? u'時' : u':')) return std::nullopt;
  int mi = c.Number(2);
  if (mi < 0) return std::nullopt;
  if (kanji_time && !c.Eat(u'分')) return std::nullopt;
  int s = 0;
  if (kanji_time) {
    if (!c.End() && c.Peek() >= u'0' && c.Peek() <= u'9') {
      s = c.Number(2);
      if (s < 0 || !c.Eat(u'秒')) return std::nullopt;
    }
  } else if (c.Eat(u':')) {
    s = c.Number(2);
    if (s < 0) return std::nullopt;
  }
  c.SkipSpaces();
  if (!c.End()) return std::nullopt;
  if (h > 23 || mi > 59 || s > 59) return std::nullopt;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  return t;
}

}  // namespace pellucor
