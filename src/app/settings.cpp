#include "app/settings.h"

#include "app/main_form.h"
#include "app/program.h"
#include "common/deffile.h"
#include "common/files.h"
#include "common/format.h"
#include "common/numeric.h"
#include "platform/ui.h"

namespace pellucor {

const char16_t* const kSettingsKeys[24] = {u"url1",
                                           u"url2",
                                           u"from",
                                           u"to",
                                           u"ip",
                                           u"port",
                                           u"timeout",
                                           u"retry",
                                           u"outfile",
                                           u"log",
                                           u"bbs_file",
                                           u"out_file",
                                           u"read",
                                           u"maxmsg",
                                           u"topictofilename",
                                           u"devide",
                                           u"devidecnt",
                                           u"proxy",
                                           u"error",
                                           u"devidekind",
                                           u"devidedatekind",
                                           u"devidefilesize",
                                           u"createtitleindex",
                                           u"nooutblank"};

const Text kDefaultUrl1 = u"http://messages.example.jp/bbs?action=m&board=1&tid=sample&mid=";

namespace {

constexpr char16_t kSection[] = u"main";

enum class Kind { Text, Check, Option, List, None };

struct Binding {
  const char16_t* key;
  Kind kind;
  TextControl& (MainForm::*text)() = nullptr;
  CheckControl& (MainForm::*check)() = nullptr;
  ChoiceControl& (MainForm::*choice)() = nullptr;
};

const Binding* FindBinding(TextView key) {
  static const Binding kBindings[] = {
      {u"url1", Kind::Text, &MainForm::Text_url1},
      {u"url2", Kind::Text, &MainForm::Text_url2},
      {u"from", Kind::Text, &MainForm::Text_from},
      {u"to", Kind::Text, &MainForm::Text_to},
      {u"ip", Kind::Text, &MainForm::Text_Proxy_address},
      {u"port", Kind::Text, &MainForm::Text_Proxy_port},
      {u"timeout", Kind::Text, &MainForm::Text_Timeout},
      {u"retry", Kind::Text, &MainForm::Text_Retry},
      {u"outfile", Kind::Text, &MainForm::Text_out},
      {u"log", Kind::Check, nullptr, &MainForm::Check_Error_Log},
      {u"bbs_file", Kind::None},
      {u"out_file", Kind::None},
      {u"read", Kind::Check, nullptr, &MainForm::Check_Read},
      {u"maxmsg", Kind::Check, nullptr, &MainForm::Check_MaxMsg},
      {u"topictofilename", Kind::Check, nullptr, &MainForm::Check_TopicToFilename},
      {u"devide", Kind::Check, nullptr, &MainForm::Check_devide},
      {u"devidecnt", Kind::Text, &MainForm::Text_devidecnt},
      {u"proxy", Kind::Option, nullptr, nullptr, &MainForm::Option_Proxy},
      {u"error", Kind::Option, nullptr, nullptr, &MainForm::Option_Error},
      {u"devidekind", Kind::Option, nullptr, nullptr, &MainForm::Option_devidekind},
      {u"devidedatekind", Kind::List, nullptr, nullptr, &MainForm::Combo_devidedatekind},
      {u"devidefilesize", Kind::Text, &MainForm::Text_devidefilesize},
      {u"createtitleindex", Kind::Check, nullptr, &MainForm::Check_CreateTitleIndex},
      {u"nooutblank", Kind::Check, nullptr, &MainForm::Check_nooutblank},
  };
  for (const Binding& b : kBindings)
    if (key == b.key) return &b;
  return nullptr;
}

Text DefaultOf(TextView key, const Text& program_directory) {
  static const std::pair<const char16_t*, const char16_t*> kDefaults[] = {
      {u"url2", u""},
      {u"from", u"1"},
      {u"to", u"100"},
      {u"ip", u"192.168.0.1"},
      {u"port", u"8080"},
      {u"timeout", u"15"},
      {u"retry", u"100"},
      {u"log", u"0"},
      {u"read", u"0"},
      {u"maxmsg", u"1"},
      {u"topictofilename", u"1"},
      {u"devide", u"0"},
      {u"devidecnt", u"1000"},
      {u"proxy", u"0"},
      {u"error", u"1"},
      {u"devidekind", u"0"},
      {u"devidedatekind", u"0"},
      {u"devidefilesize", u"1000"},
      {u"createtitleindex", u"0"},
      {u"nooutblank", u"0"}};
  if (key == u"url1") return kDefaultUrl1;
  if (key == u"outfile") return DefaultOutputPath(program_directory);
  for (const auto& [k, v] : kDefaults)
    if (key == k) return v;
  return {};
}

// Sets the control; false when the value is out of the control's range.
bool Apply(MainForm& form, const Binding& b, const Text& value) {
  switch (b.kind) {
    case Kind::Text:
      (form.*b.text)().SetValue(value);
      return true;
    case Kind::Check: {
      int64_t v = WholeValue(value);
      if (v != 0 && v != 1) return false;
      (form.*b.check)().SetValue(static_cast<int>(v));
      return true;
    }
    case Kind::Option:
    case Kind::List: {
      int64_t v = WholeValue(value);
      if (v < 0 || v > 2) return false;
      (form.*b.choice)().SetIndex(static_cast<int>(v));
      return true;
    }
    case Kind::None:
      return false;
  }
  return false;
}

}  // namespace

Text DefaultOutputPath(const Text& program_directory) {
  return DataFolder(program_directory) + kSep;
}

bool FirstRunGreeting(const Text& program_directory, Ui& ui) {
  Text data = DataFolder(program_directory);
  if (FileExists(SettingsFilePath(program_directory)) || FolderExists(data)) return false;
  // A data folder that cannot be made shows up later as the output-folder question of a run.
  CreateFolder(data);
  ui.Yield();
  ui.Beep();
  Text text;
  for (const char16_t* line :
       {u"Pellucorをご利用いただきありがとうございます。",
        u"初回起動時はメニューから[最新バージョンチェック]-[両方チェック]を選択して",
        u"設定ファイルを最新のものに更新してください。",
        u"掲示板のデータが正常に取得出来ないなどのトラブルが発生した場合も",
        u"最新バージョンチェックを行えば直る事がありますのでお試しください。",
        u"トラブルが無くても定期的にチェックすることをお薦めします。",
        u"最新バージョンチェックを行っても解決しないトラブルを見つけた際はサポート掲示板へご一報下"
        u"さい。"}) {
    if (!text.empty()) text += kCrLf;
    text += line;
  }
  ui.MessageBox(text, kAppCaption, Icon::Information, Buttons::Ok);
  ui.Yield();
  return true;
}

void LoadSettings(MainForm& form, const Text& settings_path, const Text& program_directory) {
  // Read once; a file edited on Linux (LF line ends) is read line by line all the same.
  std::optional<std::string> bytes = ReadFileBytes(settings_path);
  const std::string lines = bytes ? LfLinesToCrLf(*bytes) : std::string();
  for (const char16_t* key : kSettingsKeys) {
    const Binding* b = FindBinding(key);
    if (!b || b->kind == Kind::None) continue;
    Text def = DefaultOf(key, program_directory);
    Text value = bytes ? ReadDefinitionValueIn(lines, kSection, key, def) : def;
    if (!Apply(form, *b, value)) Apply(form, *b, def);
  }
}

bool ApplySettingValue(MainForm& form, TextView key, const Text& value) {
  const Binding* b = FindBinding(key);
  return b && Apply(form, *b, value);
}

std::vector<std::pair<Text, Text>> SettingsValues(MainForm& form, const Text& bbs_file,
                                                  const Text& out_file) {
  std::vector<std::pair<Text, Text>> out;
  for (const char16_t* key : kSettingsKeys) {
    const Binding* b = FindBinding(key);
    Text k = key;
    switch (b->kind) {
      case Kind::Text:
        out.emplace_back(k, (form.*b->text)().Value());
        break;
      case Kind::Check:
        out.emplace_back(k, IntegerText((form.*b->check)().Value()));
        break;
      case Kind::Option: {
        int index = (form.*b->choice)().Index();
        if (index >= 0) out.emplace_back(k, IntegerText(index));
        break;
      }
      case Kind::List:
        out.emplace_back(k, IntegerText((form.*b->choice)().Index()));
        break;
      case Kind::None:
        out.emplace_back(k, k == u"bbs_file" ? bbs_file : out_file);
        break;
    }
  }
  return out;
}

bool SaveSettings(MainForm& form, const Text& settings_path, const Text& bbs_file,
                  const Text& out_file) {
  // One replacement of the file for all keys: the same lines as writing them one by one.
  return WriteDefinitionValues(kSection, SettingsValues(form, bbs_file, out_file), settings_path);
}

}  // namespace pellucor
