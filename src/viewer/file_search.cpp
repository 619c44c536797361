#include "viewer/file_search.h"

#include <filesystem>
#include <system_error>

#include "common/files.h"
#include "common/search.h"

namespace pellucor {
namespace fs = std::filesystem;
namespace {

Text LowerCase(TextView s) {
  Text r(s);
  for (char16_t& c : r) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
    else if (c >= u'Ａ' && c <= u'Ｚ')
      c = static_cast<char16_t>(c - u'Ａ' + u'ａ');
  }
  return r;
}

// A name pattern: "" or "*" (all), "x*", "*x", "*x*", or a whole name, ignoring case.
class NamePattern {
 public:
  explicit NamePattern(const Text& pattern) {
    if (pattern.empty() || pattern == u"*") {
      mode_ = Mode::All;
    } else if (pattern.size() >= 2 && pattern.front() == u'*' && pattern.back() == u'*') {
      mode_ = Mode::Contains;
      needle_ = UpperCase(TextView(pattern).substr(1, pattern.size() - 2));
    } else if (pattern.back() == u'*') {
      mode_ = Mode::Prefix;
      needle_ = UpperCase(TextView(pattern).substr(0, pattern.size() - 1));
    } else if (pattern.front() == u'*') {
      mode_ = Mode::Suffix;
      needle_ = UpperCase(TextView(pattern).substr(1));
    } else {
      needle_ = UpperCase(pattern);  // no wildcard: the one name, ignoring case
    }
  }

  bool Matches(const Text& name) const {
    const Text upper = UpperCase(name);
    switch (mode_) {
      case Mode::All:
        return true;
      case Mode::Contains:
        return upper.find(needle_) != Text::npos;
      case Mode::Prefix:
        return TextView(upper).starts_with(needle_);
      case Mode::Suffix:
        return TextView(upper).ends_with(needle_);
      case Mode::Exact:
        return upper == needle_;
    }
    return false;
  }

 private:
  enum class Mode { All, Contains, Prefix, Suffix, Exact };
  Mode mode_ = Mode::Exact;
  Text needle_;
};

// One reading of a folder: its matching files and its sub-folders, or why it failed (with
// what was read before the failure).
struct FolderListing {
  FileList files;
  std::vector<Text> folders;
  std::optional<Error> error;
};

FolderListing ListFolder(const Text& search_folder, const Text& sub_folder,
                         const NamePattern& pattern) {
  FolderListing l;
  std::error_code ec;
  fs::directory_iterator it(fs::path(NativePath(search_folder + sub_folder)), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    Text name = FromUtf8(it->path().filename().string());
    if (name == u"." || name == u"..") continue;
    std::error_code sec;
    if (it->is_directory(sec)) {
      l.folders.push_back(sub_folder + kSep + name);
    } else if (it->is_regular_file(sec) && pattern.Matches(name)) {
      l.files.push_back({sub_folder, name});
    }
  }
  if (ec) l.error = Error{ec.value(), FromUtf8(ec.message())};
  return l;
}

}  // namespace

int64_t SearchFile(const AskAfterSearchError& ask, const Text& search_folder,
                   const Text& sub_folder, bool recursive, FileList& results, int64_t count,
                   const Text& pattern) {
  const NamePattern names(pattern);
  FolderListing listing;
  for (;;) {
    listing = ListFolder(search_folder, sub_folder, names);
    if (!listing.error) break;
    const Recovery r = ask ? ask(*listing.error) : Recovery::Abort;
    if (r == Recovery::Abort) return -1;
    if (r == Recovery::Skip) break;  // keep what was read before the failure
  }
  for (auto& f : listing.files) results.push_back(std::move(f));
  count += static_cast<int64_t>(listing.files.size());

  if (recursive) {
    for (const Text& sub : listing.folders) {
      const int64_t r = SearchFile(ask, search_folder, sub, true, results, count, pattern);
      if (r < 0) return -1;
      count = r;
    }
  }
  return count;
}

Text FileSortKey(const FoundFile& f) {
  return LowerCase(f.sub_folder) + u" " + LowerCase(f.name);
}

void SortFileList(FileList& list, int64_t low, int64_t high) {
  // Recursion only into the smaller side keeps the stack shallow on large folders; the order
  // produced is the same as sorting both sides recursively.
  while (low < high) {
    int64_t sum = low + high;
    int64_t mid = sum / 2;
    if (sum % 2 != 0 && mid % 2 != 0) ++mid;  // a half goes to the even neighbour
    std::swap(list[low], list[mid]);
    const Text pivot = FileSortKey(list[low]);
    int64_t last = low;
    for (int64_t i = low + 1; i <= high; ++i) {
      if (FileSortKey(list[i]) < pivot) {
        ++last;
        std::swap(list[last], list[i]);
      }
    }
    std::swap(list[low], list[last]);
    if (last - low < high - last) {
      SortFileList(list, low, last - 1);
      low = last + 1;
    } else {
      SortFileList(list, last + 1, high);
      high = last - 1;
    }
  }
}

}  // namespace pellucor
