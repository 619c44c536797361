#include "app/program.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/files.h"
#include "common/format.h"
#include "platform/ui.h"

namespace pellucor {
namespace {

// A relative folder is taken from the current folder, so output paths built on it are full.
std::string Absolute(const std::string& dir) {
  if (!dir.empty() && dir[0] == '/') return dir;
  std::vector<char> cwd(4096);
  if (!getcwd(cwd.data(), cwd.size())) return dir;
  std::string base = cwd.data();
  if (base.empty() || base.back() != '/') base += '/';
  return base + dir;
}

Text WithSeparator(const std::string& dir) {
  Text t = FromUtf8(dir);
  if (t.empty() || t.back() != kSep) t.push_back(kSep);
  return t;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string PasswdHome() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "";
}

bool IsDefinitionName(const std::string& name, bool outputs_too) {
  auto ends = [&](const char* ext) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ext) == 0;
  };
  return ends(".bbs") || (outputs_too && ends(".out"));
}

bool HoldsBoardDefinition(const std::string& folder) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (IsDefinitionName(e.path().filename().string(), false) && e.is_regular_file(ec)) return true;
  return false;
}

std::string ExecutableFolder() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string path(buf.data(), static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace

FolderInputs CurrentFolderInputs(const std::string& home_option) {
  FolderInputs in;
  in.home_option = home_option;
  in.home_variable = Env("PELLUCOR_HOME");
  in.xdg_data_home = Env("XDG_DATA_HOME");
  in.user_home = Env("HOME");
  if (in.user_home.empty()) in.user_home = PasswdHome();
  in.executable_folder = ExecutableFolder();
  return in;
}

ProgramFolder LocateProgramFolder(const FolderInputs& in) {
  ProgramFolder f;
  if (!in.home_option.empty()) {
    f.kind = FolderKind::HomeOption;
    f.directory = WithSeparator(Absolute(in.home_option));
  } else if (!in.home_variable.empty()) {
    f.kind = FolderKind::HomeVariable;
    f.directory = WithSeparator(Absolute(in.home_variable));
  } else if (HoldsBoardDefinition(in.executable_folder)) {
    f.kind = FolderKind::Portable;
    f.directory = WithSeparator(in.executable_folder);
  } else {
    f.kind = FolderKind::Installed;
    // A relative XDG_DATA_HOME is invalid and ignored.
    auto trimmed = [](std::string dir) {
      while (!dir.empty() && dir.back() == '/') dir.pop_back();
      return dir;
    };
    std::string base =
        !in.xdg_data_home.empty() && in.xdg_data_home[0] == '/'
            ? trimmed(in.xdg_data_home)
            : trimmed(Absolute(in.user_home.empty() ? "." : in.user_home)) + "/.local/share";
    f.directory = WithSeparator(base + "/pellucor");
    f.shipped_definitions = WithSeparator(in.executable_folder + PELLUCOR_DEFS_FROM_BIN);
  }
  return f;
}

std::vector<Text> PrepareProgramFolder(const ProgramFolder& folder) {
  namespace fs = std::filesystem;
  std::vector<Text> failed;
  if (folder.kind != FolderKind::Installed) return failed;
  std::error_code ec;
  fs::path to = NativePath(folder.directory);
  fs::create_directories(to, ec);
  if (ec) return {FromUtf8(to.string() + ": " + ec.message())};
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(NativePath(folder.shipped_definitions), ec)) {
    std::string name = e.path().filename().string();
    if (IsDefinitionName(name, true)) names.push_back(name);
  }
  if (ec) {
    // A program copied without its share folder: worth a word only while nothing can run.
    if (HoldsBoardDefinition(to.string())) return failed;
    return {FromUtf8(NativePath(folder.shipped_definitions) + ": " + ec.message())};
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    Text target = folder.directory + FromUtf8(name);
    // Whatever stands there is the user's: an edited or updated definition, or even a folder.
    if (fs::symlink_status(to / name, ec).type() != fs::file_type::not_found) continue;
    std::optional<std::string> bytes = ReadFileBytes(folder.shipped_definitions + FromUtf8(name));
    if (!bytes) {
      failed.push_back(FromUtf8(name + ": cannot be read"));
    } else if (Result<> written = WriteFileAtomic(target, *bytes); !written) {
      failed.push_back(FromUtf8(name + ": ") + written.error().text);
    }
  }
  return failed;
}

Text DescribeProgramFolder(const Text& directory, FolderKind kind) {
  const char16_t* how = u"ポータブル";
  switch (kind) {
    case FolderKind::Portable:
      break;
    case FolderKind::Installed:
      how = u"インストール";
      break;
    case FolderKind::HomeOption:
      how = u"--home で指定";
      break;
    case FolderKind::HomeVariable:
      how = u"PELLUCOR_HOME で指定";
      break;
  }
  return directory + u"（" + how + u"）";
}

Text ProgramDirectory(const std::string& home) {
  return LocateProgramFolder(CurrentFolderInputs(home)).directory;
}

ProgramFolder OpenProgramFolder(const std::string& home, Ui& ui) {
  ProgramFolder folder = LocateProgramFolder(CurrentFolderInputs(home));
  std::vector<Text> failed = PrepareProgramFolder(folder);
  if (!failed.empty()) {
    Text text = u"同梱の定義ファイルを " + folder.directory + u" へコピーできませんでした。";
    for (const Text& line : failed) text += kCrLf + line;
    ui.MessageBox(text, kAppCaption, Icon::Exclamation, Buttons::Ok);
  }
  return folder;
}

Text SettingsFilePath(const Text& program_directory) {
  return program_directory + u"pellu.ini";
}

Text DataFolder(const Text& program_directory) {
  return program_directory + u"data";
}

Program::Program(Text dir, Ui& ui_, Clock& clock_, HttpClient& http_, Shell& shell_,
                 MainForm& form_)
    : directory(std::move(dir)),
      settings_path(SettingsFilePath(directory)),
      version(VersionText()),
      history_path(HistoryFilePath(directory)),
      ui(ui_),
      clock(clock_),
      http(http_),
      shell(shell_),
      form(form_) {}

}  // namespace pellucor
