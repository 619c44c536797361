// Message pages in the layout of the shipped _yahoo.bbs, for the tests and the loopback board.
#pragma once

#include <cstdint>
#include <string>

#include "common/text.h"

namespace pellucor::testing {

// One message of a topic. Values go into the page as given (no escaping), so a test can put
// markup into a body. Body lines are separated by "\n"; the page writes each as "line<br>"
// followed by a line break, which the board definition drops again.
struct BoardMessage {
  Text topic_title = u"テスト用トピック";
  int64_t number = 1;
  Text subject = u"題名";
  Text author = u"投稿者";
  Text date = u"2001/05/12 13:45";
  Text body = u"本文";
  Text reply_to;  // "" when the message answers nothing
  int64_t max_number = 1;
};

// A plausible message n of a topic of max_number messages, one per day from 2001/05/12.
BoardMessage SampleMessage(int64_t n, int64_t max_number = 100);

// The page of one message, as text (CR LF line ends).
Text MakeBoardPage(const BoardMessage& m);

enum class Encoding { EucJp, Iso2022Jp, ShiftJis };

// The page's bytes in a board's encoding (iconv "EUC-JP-MS", "ISO-2022-JP", "CP932").
// Throws std::runtime_error for a character the encoding cannot hold.
std::string EncodePage(const Text& page, Encoding encoding);

// Message text the way real posts are written, for benchmarks: runs of kanji (drawn from the
// about 3,000 of JIS X 0208 level 1 and part of level 2), hiragana and katakana of varying
// length, full-width punctuation, ASCII words and numbers, now and then half-width katakana
// (full-width on a JIS board, which cannot hold them), in lines of varying length separated by
// "\n". About 60% of the characters are double-byte. It grows until it takes about `bytes`
// bytes in EUC-JP; the same seed and number always give the same text.
Text DenseMessageText(uint64_t seed, int64_t number, size_t bytes, Encoding encoding);

// The charchange value of a board whose pages use that encoding.
int CharchangeFor(Encoding encoding);

// The body as the shipped definition extracts it: each line break of the page dropped, so
// the lines are joined by "<br>".
Text ExtractedBody(const Text& body);

}  // namespace pellucor::testing
