#include "loopback-board/board_pages.h"

#include <errno.h>
#include <iconv.h>

#include <cstdio>
#include <stdexcept>

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

}  // namespace

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
