// Cutting the items out of a decoded message page, and cleaning them for output.
#pragma once

#include <string_view>
#include <vector>

#include "common/text.h"
#include "engine/definitions.h"

namespace pellucor {

// The page cut by the definition's [cut] section, then (unless crlftab_neglect is 1) without
// TAB, LF and CR.
Text PreparePage(TextView page, const BoardDefinition& def);
// The same, in the page's own storage when nothing is cut: a page is not copied per message.
void PreparePageInPlace(Text& page, const BoardDefinition& def);
// PreparePage(DecodePage(bytes, def.charchange), def), with the line breaks and tabs left out
// while decoding when the definition cuts nothing.
Text DecodePreparedPage(std::string_view bytes, const BoardDefinition& def);

// The value between the rule's markers; "" when it is not found. Positions count characters.
Text ExtractItem(TextView page, const ItemRule& rule);

// One value per item, in item order.
std::vector<Text> ExtractItems(TextView page, const BoardDefinition& def);

// True when no item was found (every value empty): the page is invalid.
bool AllItemsEmpty(const std::vector<Text>& values);

// The board's and the output type's clean-up switches, in order; sets the topic title from
// the first message that has one.
void CleanUpItems(std::vector<Text>& values, const BoardDefinition& def, TextView output_special,
                  Text& topic_title);

// The text without tags, comments and ASCII white space (the invalid-page excerpt).
Text StripTags(TextView text);

// Every <A ...>text</A> replaced by its text. A link start without a following ">" or "</A>"
// ends the work: the rest is kept as it is.
Text RemoveLinks(TextView text);

// 日 月 火 水 木 金 土 for a date, U+3000 for a text that is none.
Text WeekdayName(TextView date);

// The characters of the trimmed text that lie in columns start .. start+width-1, counting a
// double-byte character as two columns.
Text SubstringByWidth(TextView text, int64_t start, int64_t width);

}  // namespace pellucor
