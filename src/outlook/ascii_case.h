// Comparing names without regard to case where the names are ASCII by
// definition: fault names, property names, message classes and the filter
// keyword. Only A-Z fold; every other byte compares as it is, so this costs no
// trip through Unicode folding (main/case_fold.h, for names people choose).
#pragma once

#include <cstddef>
#include <string_view>

namespace tovask::outlook {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

constexpr bool EqualAsciiFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace tovask::outlook
