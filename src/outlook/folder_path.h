// Folder paths ("\\Store\Folder\Subfolder") and the folded form of names by
// which folders are found without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovask::outlook {

// A name as it appears in a path: a backslash inside it is written %5C.
std::string EscapeFolderName(std::string_view name);

// The names of a path, unescaped, the store's name first: "\\A\B%5CC" gives
// {"A", "B\C"} (%5C in either case). Nothing when the path does not start
// with two backslashes or has an empty name; one trailing backslash is
// allowed.
std::optional<std::vector<std::string>> SplitFolderPath(std::string_view path);

// Unicode case folding, so that "STRASSE" and "straße" or "Ärger" and
// "ärger" compare equal.
std::string FoldName(std::string_view name);

}  // namespace tovask::outlook
