#include "viewer/index_pages.h"

#include "common/search.h"
#include "engine/template.h"
#include "viewer/file_search.h"

namespace pellucor {
namespace {

// The fixed pieces of the two pages.
constexpr char16_t kP1[] = u"<HTML><HEAD><TITLE>";
constexpr char16_t kP2[] =
    u" INDEX</TITLE><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'>"
    u"</HEAD><BODY><SMALL>出力ファイル一覧</SMALL>";
constexpr char16_t kP3[] = u"<BR><A HREF=\"";
constexpr char16_t kP4[] = u"\" TARGET='message'>";
constexpr char16_t kP5[] = u"</A>";
constexpr char16_t kP6[] = u" (<A HREF=\"";
constexpr char16_t kP7[] = u"\" TARGET='index'>idx</A>)";
constexpr char16_t kP8[] = u"<BR>index(<A HREF=\"";
constexpr char16_t kP9[] = u"\" TARGET='index'>";
constexpr char16_t kP10[] = u"</A>)";
constexpr char16_t kP11[] = u"<BR><HR><SMALL>分割条件：";
constexpr char16_t kP12[] = u"</SMALL></BODY></HTML>";
constexpr char16_t kP13[] = u"</BODY></HTML>";
constexpr char16_t kP14[] =
    u"</TITLE><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\"></HEAD>";
constexpr char16_t kF1[] = u"<FRAMESET COLS=\"120,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF2[] = u"<FRAMESET COLS=\"200,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF3[] = u"<FRAMESET ROWS=\"100,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF4[] = u"<FRAMESET ROWS=\"*,150\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF5[] = u"</FRAMESET>";
constexpr char16_t kG1[] = u"<FRAME NAME=\"list\" SRC=\"";
constexpr char16_t kG2[] = u"<FRAME NAME=\"message\" SRC=\"";
constexpr char16_t kG3[] = u"<FRAME NAME=\"index\" SRC=\"";
constexpr char16_t kG4[] = u"\" SCROLLING=\"auto\" MARGINHEIGHT=\"5\" MARGINWIDTH=\"5\">";
constexpr char16_t kN1[] =
    u"<NOFRAMES><P>このページはフレームに対応したブラウザでのみアクセスできます。</P>"
    u"</NOFRAMES></HTML>";

}  // namespace

ListPage BuildListPage(const Text& base, const std::vector<FoundFile>& sorted,
                       const PageSettings& settings) {
  ListPage page;
  Text& h = page.html;
  h = kP1 + base + kP2;
  for (size_t i = 0; i < sorted.size(); ++i) {
    const Text& n = sorted[i].name;
    Text rest = n.size() > base.size() ? n.substr(base.size()) : Text();
    if (size_t dot = rest.rfind(u'.'); dot != Text::npos) rest.resize(dot);
    bool listed = (!settings.devide || rest.starts_with(u"_")) && !rest.ends_with(u"_index") &&
                  !rest.ends_with(u"_list");
    if (!listed) continue;
    if (rest.starts_with(u"_")) rest.erase(0, 1);
    if (!rest.ends_with(u"idx")) {
      if (page.first_message_file.empty()) page.first_message_file = n;
      h += kP3 + PercentEncode(n) + kP4 + (rest.empty() ? Text(u"msg") : rest) + kP5;
      ++page.message_links;
    } else {
      if (page.first_index_file.empty()) page.first_index_file = n;
      if (i > 0 && sorted[i - 1].name == ReplaceAll(n, u"_idx", u"")) {
        h += kP6 + PercentEncode(n) + kP7;
      } else {
        // "idx" alone (base_idx.html without its message file) has no label of its own;
        // "aidx" leaves an empty one.
        Text label = rest.size() >= 4 ? rest.substr(0, rest.size() - 4) : Text(u"idx");
        h += kP8 + PercentEncode(n) + kP9 + label + kP10;
      }
      ++page.index_links;
    }
  }
  if (settings.devide) {
    h += kP11;
    switch (settings.devide_kind) {
      case 0:
        h += settings.devide_count + u"件";
        break;
      case 1: {
        static const char16_t* const kDateKinds[] = {u"日別", u"週別", u"月別"};
        if (settings.devide_date_kind >= 0 && settings.devide_date_kind < 3)
          h += kDateKinds[settings.devide_date_kind];
        break;
      }
      case 2:
        h += settings.devide_file_size + u"KB";
        break;
      default:
        break;
    }
    h += kP12;
  } else {
    h += kP13;
  }
  return page;
}

Text BuildFramesetPage(const Text& base, const ListPage& list, bool devide, int index_layout) {
  const Text list_frame = kG1 + PercentEncode(base + u"_list.html") + kG4;
  const Text message_frame = kG2 + PercentEncode(list.first_message_file) + kG4;
  const Text index_frame = kG3 + PercentEncode(list.first_index_file) + kG4;
  Text h = kP1 + base + kP14;
  if (devide && (list.message_links > 1 || list.index_links > 1)) {
    switch (index_layout) {
      case kIndexLeft:
        h += kF2 + Text(kF3) + list_frame + index_frame + kF5 + message_frame + kF5;
        break;
      case kIndexBottom:
        h += kF1 + list_frame + kF4 + message_frame + index_frame + kF5 + kF5;
        break;
      default:
        h += kF1 + list_frame + message_frame + kF5;
        break;
    }
  } else if (index_layout == kIndexLeft) {
    h += kF2 + index_frame + message_frame + kF5;
  } else {
    h += kF4 + message_frame + index_frame + kF5;
  }
  return h + kN1;
}

}  // namespace pellucor
