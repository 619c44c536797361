#include "loopback-board/board_pages.h"

#include <errno.h>
#include <iconv.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace pellucor::testing {
namespace {

Text Num(int64_t n) {
  std::string s = std::to_string(n);
  return Text(s.begin(), s.end());
}

// Day n after 2001/05/12 (n = 0 is that day); enough calendar for test data.
Text SampleDate(int64_t n) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int y = 2001, m = 5, d = 12 + static_cast<int>(n % 3650);
  for (;;) {
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    int len = kDays[m - 1] + (m == 2 && leap ? 1 : 0);
    if (d <= len) break;
    d -= len;
    if (++m > 12) m = 1, ++y;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", y, m, d, static_cast<int>(9 + n % 12),
                static_cast<int>(n * 7 % 60));
  std::string s = buf;
  return Text(s.begin(), s.end());
}

// ---- Dense message text ----

// splitmix64: small, fast, and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : s_(seed) {}
  uint64_t Next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool OneIn(size_t n) { return Below(n) == 0; }

 private:
  uint64_t s_;
};

// Every kanji of JIS X 0208 rows 16-60 (level 1 and the start of level 2), read through iconv
// from their EUC-JP codes, so the pool does not depend on the code it is used to test.
const std::vector<char16_t>& KanjiPool() {
  static const std::vector<char16_t> pool = [] {
    std::vector<char16_t> v;
    iconv_t cd = iconv_open("UTF-16LE", "EUC-JP-MS");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    for (int row = 16; row <= 60; ++row) {
      for (int cell = 1; cell <= 94; ++cell) {
        char in[2] = {static_cast<char>(0xA0 + row), static_cast<char>(0xA0 + cell)};
        unsigned char out[4];
        char* ip = in;
        char* op = reinterpret_cast<char*>(out);
        size_t il = 2, ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 2)
          v.push_back(static_cast<char16_t>(out[0] | out[1] << 8));
      }
    }
    iconv_close(cd);
    return v;
  }();
  return pool;
}

// Text pieces of posts; none of them holds a character that one of the three encodings
// cannot carry (no wave dash, no full-width minus).
constexpr const char16_t* kEndings[] = {
    u"の",     u"は",       u"が",     u"を",       u"に",        u"で",       u"と",
    u"も",     u"です",     u"ます",   u"した",     u"ない",      u"ですね",   u"でした",
    u"ません", u"けど",     u"から",   u"ので",     u"という",    u"している", u"かな",
    u"よね",   u"だと思う", u"られる", u"ください", u"ありがとう"};
constexpr const char16_t* kAsciiWords[] = {
    u"OK",   u"PC",  u"Windows", u"Mac",  u"http://example.jp/",
    u"w",    u"www", u"orz",     u"CD",   u"DVD",
    u"ID",   u"Re:", u">>",      u"TV",   u"iPhone",
    u"Java", u"C++", u"FAQ",     u"mail", u"NHK",
    u"USB",  u"km",  u"kg",      u"GB",   u"sage"};
constexpr const char16_t* kHalfWidth[] = {u"ｶﾀｶﾅ", u"ﾜﾛﾀ", u"ｷﾀｰ", u"ｱﾘｶﾞﾄ", u"ｽｹﾞｰ", u"ﾏｼﾞ"};
constexpr char16_t kMarks[] = u"、、、。。「」『』！？（）・…ー：※☆→";
constexpr char16_t kSentenceEnds[] = u"。。。！？";

}  // namespace

Text DenseMessageText(uint64_t seed, int64_t number, size_t bytes, Encoding encoding) {
  Random rnd(seed * 0x100000001B3ull + static_cast<uint64_t>(number));
  const std::vector<char16_t>& kanji = KanjiPool();
  Text out;
  size_t used = 0;  // bytes in EUC-JP so far, the page's <br> and line break counted
  size_t line = 0;  // characters in the current line
  size_t width = 15 + rnd.Below(50);
  auto put = [&](TextView piece, size_t per_char) {
    out += piece;
    used += piece.size() * per_char;
    line += piece.size();
  };
  while (used < bytes) {
    const size_t pick = rnd.Below(100);
    if (pick < 38) {  // kanji run, mostly one or two characters
      size_t len = 1 + rnd.Below(2) + (rnd.OneIn(3) ? rnd.Below(3) : 0);
      for (size_t k = 0; k < len; ++k) {
        // Four in five from level 1 (rows 16-47), the rest from level 2.
        size_t level1 = 2965;
        size_t i = rnd.Below(5) ? rnd.Below(level1) : level1 + rnd.Below(kanji.size() - level1);
        put(TextView(&kanji[i], 1), 2);
      }
    } else if (pick < 66) {  // hiragana: an ending, or a run
      if (rnd.Below(3)) {
        put(kEndings[rnd.Below(std::size(kEndings))], 2);
      } else {
        for (size_t k = 1 + rnd.Below(6); k > 0; --k) {
          char16_t c = static_cast<char16_t>(u'ぁ' + rnd.Below(83));
          put(TextView(&c, 1), 2);
        }
      }
    } else if (pick < 73) {  // katakana word
      for (size_t k = 2 + rnd.Below(6); k > 0; --k) {
        char16_t c = static_cast<char16_t>(u'ァ' + rnd.Below(84));
        put(TextView(&c, 1), 2);
      }
      if (rnd.OneIn(4)) put(u"ー", 2);
    } else if (pick < 81) {  // full-width punctuation
      put(TextView(&kMarks[rnd.Below(std::size(kMarks) - 1)], 1), 2);
    } else if (pick < 89) {  // ASCII word, with spaces around it now and then
      bool spaced = rnd.OneIn(2);
      if (spaced) put(u" ", 1);
      put(kAsciiWords[rnd.Below(std::size(kAsciiWords))], 1);
      if (spaced) put(u" ", 1);
    } else if (pick < 95) {  // a number
      std::string num = std::to_string(rnd.Below(rnd.OneIn(3) ? 100000 : 100));
      if (rnd.OneIn(5)) num += rnd.OneIn(2) ? "/" : ":", num += std::to_string(rnd.Below(60));
      put(Text(num.begin(), num.end()), 1);
    } else if (pick < 97) {  // half-width katakana; a JIS board gets the full-width form
      TextView hw = kHalfWidth[rnd.Below(std::size(kHalfWidth))];
      if (encoding == Encoding::Iso2022Jp) {
        put(u"カタカナ", 2);
      } else {
        put(hw, 2);  // 0x8E and the byte in EUC-JP
      }
    } else {  // sentence end, often followed by the end of the line
      put(TextView(&kSentenceEnds[rnd.Below(std::size(kSentenceEnds) - 1)], 1), 2);
      if (rnd.OneIn(2)) line = width;
    }
    if (line >= width) {
      out += u'\n';
      used += 6;                                  // "<br>" CR LF on the page
      if (rnd.OneIn(6)) out += u'\n', used += 6;  // an empty line between paragraphs
      line = 0;
      width = 8 + rnd.Below(60);
    }
  }
  while (!out.empty() && out.back() == u'\n') out.pop_back();
  return out;
}

BoardMessage SampleMessage(int64_t n, int64_t max_number) {
  BoardMessage m;
  m.number = n;
  m.max_number = max_number;
  m.subject = u"Re: 第" + Num(n) + u"回の話題";
  m.author = u"投稿者" + Num(n % 7 + 1);
  m.date = SampleDate(n - 1);
  m.body = u"メッセージ" + Num(n) + u"の本文です。\n二行目は漢字とカナ、ABC 123。\n三行目";
  m.reply_to = n > 1 ? Num(n - 1) : Text();
  return m;
}

Text MakeBoardPage(const BoardMessage& m) {
  Text body;
  size_t start = 0;
  for (;;) {
    size_t nl = m.body.find(u'\n', start);
    body += m.body.substr(start, nl == Text::npos ? Text::npos : nl - start);
    if (nl == Text::npos) break;
    body += u"<br>\r\n";
    start = nl + 1;
  }
  Text p;
  p += u"<html>\r\n<head>\r\n";
  p += u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\r\n";
  p += u"<title>" + m.topic_title + u" - メッセージ " + Num(m.number) + u"</title>\r\n";
  p += u"</head>\r\n<body>\r\n";
  p += u"<div class=\"topic\"><h1>" + m.topic_title + u"</h1></div>\r\n";
  p += u"<div class=\"nav\">メッセージ <span class=\"msgno\">" + Num(m.number) +
       u"</span> / <span class=\"maxmsg\">" + Num(m.max_number) + u"</span></div>\r\n";
  p += u"<table class=\"msg\">\r\n";
  p += u"<tr><th>題名</th><td class=\"subject\">" + m.subject + u"</td></tr>\r\n";
  p += u"<tr><th>投稿者</th><td class=\"author\">" + m.author + u"</td></tr>\r\n";
  p += u"<tr><th>日時</th><td class=\"date\">" + m.date + u"</td></tr>\r\n";
  p += u"<tr><th>返信先</th><td class=\"reply\">" + m.reply_to + u"</td></tr>\r\n";
  p += u"</table>\r\n";
  p += u"<div class=\"body\">" + body + u"<!--/body--></div>\r\n";
  p += u"<div class=\"foot\"><a href=\"message?mid=" + Num(m.number + 1) +
       u"\">次のメッセージ</a></div>\r\n";
  p += u"</body>\r\n</html>\r\n";
  return p;
}

std::string EncodePage(const Text& page, Encoding encoding) {
  const char* to = encoding == Encoding::EucJp       ? "EUC-JP-MS"
                   : encoding == Encoding::Iso2022Jp ? "ISO-2022-JP"
                                                     : "CP932";
  iconv_t cd = iconv_open(to, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string in;
  for (char16_t c : page) {
    in.push_back(static_cast<char>(c & 0xFF));
    in.push_back(static_cast<char>(c >> 8));
  }
  std::string out(in.size() * 2 + 16, '\0');
  char* ip = in.data();
  size_t il = in.size();
  char* op = out.data();
  size_t ol = out.size();
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  if (r != static_cast<size_t>(-1)) r = iconv(cd, nullptr, nullptr, &op, &ol);  // final shift
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) throw std::runtime_error("page text not encodable");
  out.resize(out.size() - ol);
  return out;
}

int CharchangeFor(Encoding encoding) {
  switch (encoding) {
    case Encoding::EucJp:
      return 0;
    case Encoding::ShiftJis:
      return 1;
    case Encoding::Iso2022Jp:
      return 2;
  }
  return 0;
}

Text ExtractedBody(const Text& body) {
  Text out;
  for (char16_t c : body) {
    if (c == u'\n')
      out += u"<br>";
    else
      out += c;
  }
  return out;
}

}  // namespace pellucor::testing
