// Board definitions (*.bbs), output types (*.out) and the catalogue of both found in the
// program folder.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/error.h"
#include "common/text.h"
#include "platform/ui.h"

namespace pellucor {

// One numbered item section of a board definition; every field as read, untrimmed.
struct ItemRule {
  Text name, bf_from, bf_to, af_from, af_to, attr, priority, cnt;
};

struct ChangeWord {
  Text bf, af;
};

// Catalogue entries: what the definition lists show, one per file.
struct BoardEntry {
  Text file, name, url, msgurl, msgstr, first_msgno;
};
struct OutputEntry {
  Text file, name, mark;
};

// The well-known item names.
inline constexpr char16_t kItemTitle[] = u"タイトル";
inline constexpr char16_t kItemSubject[] = u"題名";
inline constexpr char16_t kItemBody[] = u"本文";
inline constexpr char16_t kItemDate[] = u"投稿年月日";
inline constexpr char16_t kItemMaxMsg[] = u"最大メッセージ数";
inline constexpr char16_t kItemReplyTo[] = u"返信先";

struct BoardDefinition {
  int msg_keta = 0;    // 0-20
  int charchange = 0;  // 0 EUC-JP, 1 Shift_JIS, 2 JIS
  int item_cnt = 0;    // 1-10
  Text special;
  std::vector<ItemRule> items;
  int changeword_cnt = 0;  // 0-10
  std::vector<ChangeWord> changewords;
  Text crlftab_neglect = u"0";  // decimal text of the key's numeric value
  int64_t cut_bf = 0, cut_af = 0;
  Text cut_checkword;
  // Positions in `items`, -1 when the definition has no such item.
  int title_item = -1, subject_item = -1, body_item = -1, date_item = -1, maxmsg_item = -1;
};

struct OutputType {
  Text special;
  Text html1, html2, html3, html1_idx, html2_idx;
  Text file, name, mark;  // from the catalogue entry
};

// Both halves of the catalogue; the definition lists' indexes are positions in them.
struct DefinitionCatalog {
  std::vector<BoardEntry> boards;
  std::vector<OutputEntry> outputs;

  // Nothing for an index outside the list.
  const BoardEntry* Board(int index) const;
  const OutputEntry* Output(int index) const;
};

// What a refresh gives the window: the entries, the texts of the list (one per entry), and
// the position to select.
struct BoardCatalog {
  std::vector<BoardEntry> entries;
  std::vector<Text> names;
  int selected = 0;
};
struct OutputCatalog {
  std::vector<OutputEntry> entries;
  std::vector<Text> names;
  int selected = 0;
};

// Shown as the only list line when the program folder has no file of the kind.
inline constexpr char16_t kNoBoardFiles[] = u"掲示板設定ファイル(*.bbs)無し";
inline constexpr char16_t kNoOutputFiles[] = u"出力タイプ指定ファイル(*.out)無し";

// Regular files of `folder` whose names end in "." + extension (any letter case), sorted by
// character code. Folders and hidden entries are left out.
std::vector<Text> ListDefinitionFiles(TextView folder, TextView extension);
bool HasExtension(TextView name, TextView extension);

// `program_dir` ends with the separator; `settings_path` is pellu.ini, whose [main] bbs_file /
// out_file remembers the last choice.
BoardCatalog RefreshBoardCatalog(TextView program_dir, TextView settings_path);
OutputCatalog RefreshOutputCatalog(TextView program_dir, TextView settings_path);

// Loads and checks a definition; on failure the error's text is the message for the user.
Result<BoardDefinition> LoadBoardDefinition(const BoardEntry& entry, TextView program_dir);
Result<OutputType> LoadOutputType(const OutputEntry& entry, TextView program_dir);

// A loader's failure as the user sees it: one box with the error's text.
void ShowDefinitionError(Ui& ui, const Error& error);

}  // namespace pellucor
