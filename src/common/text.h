// Text as the system holds it, and the byte encodings it meets on the way in and out.
#pragma once

#include <string>
#include <string_view>

namespace pellucor {

// Every code page 932 character is one UTF-16 unit, so positions and lengths count characters
// the way the rules of the system do.
using Text = std::u16string;
using TextView = std::u16string_view;

// Line break used inside messages and in every text file the system writes.
inline constexpr char16_t kCrLf[] = u"\r\n";

// Folder separator of this platform.
inline constexpr char16_t kSep = u'/';

// UTF-8 (file names, terminal) <-> Text. Malformed UTF-8 becomes U+FFFD.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView text);

// Shorthand for literals in code: T("...") with a u"" literal is just Text(u"...").
inline Text T(const char16_t* s) {
  return Text(s);
}

// Code page 932 bytes -> Text. An undefined or cut-short sequence becomes the code page's
// default character (kCp932Default) and decoding goes on.
Text DecodeCp932(std::string_view bytes);

// Text -> code page 932 bytes. A character CP932 cannot represent becomes "?".
std::string EncodeCp932(TextView text);

// The character that stands in for a byte sequence CP932 does not define.
inline constexpr char16_t kCp932Default = u'?';

// Bytes one character takes in CP932: 2 for a double-byte character, else 1 (also for a
// character CP932 cannot represent, which is written as "?").
int Cp932Width(char16_t c);

// Bytes the whole text takes in CP932.
size_t Cp932Length(TextView text);

// CR LF, and a lone CR or LF, become "\n" (for terminal output).
Text ReplaceLineBreaks(TextView text);

// Trim ASCII spaces (U+0020) at both ends, as every "trimmed" rule of the system does.
Text TrimSpaces(TextView text);

// ASCII upper-casing that keeps the length (letters a-z and full-width ａ-ｚ).
Text UpperCase(TextView text);

}  // namespace pellucor
