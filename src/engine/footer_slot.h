// The 200-byte footer slot at the end of a finished output file, and how a later run tells a
// slot this program wrote from the end of any other file: only such a slot may be blanked when
// messages are appended; any other file is continued after its last byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "engine/definitions.h"
#include "engine/template.h"

namespace pellucor {

inline constexpr size_t kFooterSlotBytes = 200;

// The footer as it goes into its slot: exactly 200 bytes, cut at a character boundary and
// padded with spaces.
std::string FooterSlotBytes(TextView footer);

// What a footer slot of this output type can hold for one output file. The system macros are
// known; item values (the last message's) and the version that wrote the file are not, so they
// match any text (the version: digits and dots).
class FooterPattern {
 public:
  FooterPattern(TextView html3, const std::vector<ItemRule>& items,
                const std::vector<ChangeWord>& changewords, MacroContext ctx, TextView path);
  // Whether `slot` (the last 200 bytes of a file) is a footer slot written for this pattern.
  bool Matches(std::string_view slot) const;

 private:
  enum class Kind { Literal, Any, Version };
  struct Token {
    Kind kind;
    std::string bytes;  // Literal
  };
  bool Match(size_t token, size_t at, std::string_view slot, std::vector<signed char>& memo) const;

  std::vector<Token> tokens_;
  bool usable_ = true;
};

}  // namespace pellucor
