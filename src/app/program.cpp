#include "app/program.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "common/format.h"

namespace pellucor {
namespace {

// A relative folder is taken from the current folder, so output paths built on it are full.
Text Absolute(const std::string& dir) {
  if (!dir.empty() && dir[0] == '/') return FromUtf8(dir);
  std::vector<char> cwd(4096);
  if (!getcwd(cwd.data(), cwd.size())) return FromUtf8(dir);
  std::string base = cwd.data();
  if (base.empty() || base.back() != '/') base += '/';
  return FromUtf8(base + dir);
}

Text WithSeparator(Text dir) {
  if (dir.empty() || dir.back() != kSep) dir.push_back(kSep);
  return dir;
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

Text ProgramDirectory(const std::string& home) {
  if (!home.empty()) return WithSeparator(Absolute(home));
  if (const char* env = std::getenv("PELLUCOR_HOME"); env && *env)
    return WithSeparator(Absolute(env));
  return WithSeparator(FromUtf8(ExecutableFolder()));
}

Text SettingsFilePath(const Text& program_directory) {
  return program_directory + u"pellu.ini";
}

Text VersionText(int major, int minor) {
  return FromUtf8(std::to_string(major)) + u"." + ZeroPad(minor, 2);
}

Text VersionText() {
  return VersionText(PELLUCOR_VERSION_MAJOR, PELLUCOR_VERSION_MINOR);
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
