// Turning the bytes of a fetched message page into text. EUC-JP and JIS (ISO-2022-JP) pages
// are rewritten pair by pair into Shift_JIS codes by the JIS X 0208 arithmetic and then read
// through code page 932, like Shift_JIS pages. Malformed input never fails: whatever cannot
// form a character becomes the code page's default character.
#pragma once

#include <string>
#include <string_view>

#include "common/text.h"

namespace pellucor {

// charchange 0: EUC-JP; 1: Shift_JIS read as it is; any other value: JIS.
Text DecodePage(std::string_view bytes, int charchange);

// DecodePage without TAB, LF and CR, which a prepared page drops: the same text as removing
// them afterwards.
Text DecodePageWithoutBreaks(std::string_view bytes, int charchange);

Text ConvertEucPage(std::string_view bytes);
Text ConvertJisPage(std::string_view bytes);

// The Shift_JIS bytes the converters read through code page 932. A pair that cannot be a
// code page 932 pair (the arithmetic left the byte range, or the result has no lead or trail
// byte) is written as the one byte "?", so every pair written is one character.
std::string EucToShiftJis(std::string_view bytes);
std::string JisToShiftJis(std::string_view bytes);

}  // namespace pellucor
