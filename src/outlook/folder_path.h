// Folder paths ("\\Store\Folder\Subfolder"). Names in them are found without
// regard to case by their FoldCase() form (main/case_fold.h).
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/outlook.h"

namespace tovask::outlook {

// A name as it appears in a path: a backslash inside it is written %5C.
std::string EscapeFolderName(std::string_view name);

// The names of a path, unescaped, the store's name first: "\\A\B%5CC" gives
// {"A", "B\C"} (%5C in either case). Nothing when the path does not start
// with two backslashes or has an empty name; one trailing backslash is
// allowed.
std::optional<std::vector<std::string>> SplitFolderPath(std::string_view path);

// The folder reached from `top` through its subfolders by the names, each
// matched without regard to case (the first of equal sibling names); `top`
// itself for no names, nullptr when a name is missing. Works through the
// interface, so it serves every backend.
std::unique_ptr<Folder> FindFolderBelow(std::unique_ptr<Folder> top,
                                        std::span<const std::string> names);

}  // namespace tovask::outlook
