#include "outlook/folder_path.h"

#include "main/case_fold.h"

namespace tovask::outlook {

std::string EscapeFolderName(std::string_view name) {
  std::string escaped;
  escaped.reserve(name.size());
  for (char c : name) {
    if (c == '\\') {
      escaped += "%5C";
    } else {
      escaped.push_back(c);
    }
  }
  return escaped;
}

namespace {

std::string Unescape(std::string_view segment) {
  std::string name;
  name.reserve(segment.size());
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '%' && i + 2 < segment.size() && segment[i + 1] == '5' &&
        (segment[i + 2] == 'C' || segment[i + 2] == 'c')) {
      name.push_back('\\');
      i += 2;
    } else {
      name.push_back(segment[i]);
    }
  }
  return name;
}

}  // namespace

std::optional<std::vector<std::string>> SplitFolderPath(std::string_view path) {
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return std::nullopt;
  path.remove_prefix(2);
  if (path.back() == '\\') path.remove_suffix(1);
  std::vector<std::string> names;
  while (true) {
    std::size_t end = path.find('\\');
    std::string_view segment = path.substr(0, end);
    if (segment.empty()) return std::nullopt;
    names.push_back(Unescape(segment));
    if (end == std::string_view::npos) break;
    path.remove_prefix(end + 1);
  }
  return names;
}

std::unique_ptr<Folder> FindFolderBelow(std::unique_ptr<Folder> top,
                                        std::span<const std::string> names) {
  for (const std::string& name : names) {
    std::string folded = FoldCase(name);
    std::unique_ptr<Folders> subfolders = top->GetFolders();
    std::unique_ptr<Folder> match;
    for (std::int32_t i = 1, count = subfolders->Count(); i <= count && !match; ++i) {
      std::unique_ptr<Folder> candidate = subfolders->GetFolder(i);
      if (FoldCase(candidate->Name()) == folded) match = std::move(candidate);
    }
    if (!match) return nullptr;
    top = std::move(match);
  }
  return top;
}

}  // namespace tovask::outlook
