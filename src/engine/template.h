// The <@...> macros of the output templates.
#pragma once

#include <optional>
#include <vector>

#include "common/project.h"
#include "common/text.h"
#include "engine/definitions.h"

namespace pellucor {

inline constexpr char16_t kAppName[] = u"Pellucor";

// The values of the system macros at the moment of an expansion.
struct MacroContext {
  Text url1, url2;                    // Text_url1, Text_url2
  const BoardEntry* board = nullptr;  // the selected board entry, if any
  Text version;                       // VersionText
};

struct MessageNumber {
  double number = 0;
  int digits = 0;  // msg_keta
};

// The seventeen replacement steps in order. `values` is changed in place by the change words.
// Item macros are replaced only when a message number is given; file-name macros only when an
// output path is given.
Text ExpandTemplate(TextView tmpl, std::vector<Text>& values, const std::vector<ItemRule>& items,
                    const std::vector<ChangeWord>& changewords, const MacroContext& ctx,
                    std::optional<MessageNumber> number, std::optional<TextView> output_path);

// Deletes every "<@...>"; a "<@" without a later ">" and what follows it stay.
Text RemoveUnresolvedMacros(TextView text);

// The twelve file-name codes ("%" first, lower-case hex).
Text PercentEncode(TextView text);

// A number padded with zeros to at least `digits` digits (the "000..." pattern).
Text FormatMessageNumber(double number, int digits);

}  // namespace pellucor
