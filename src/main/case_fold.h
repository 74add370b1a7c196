// Letter-case folding for the comparisons that ignore case: keys of keyed
// collections and the folder skip rules.
//
// Folding is ICU's full Unicode case folding, so "Müller" and "MÜLLER" fold
// alike and "straße" folds to "strasse". Pure-ASCII text takes a plain
// lower-casing loop, which gives the same result without a trip through ICU.
// Invalid UTF-8 is folded as if each bad sequence were U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tovask {

// True when every byte is below 0x80.
bool IsAscii(std::string_view text);

// The lower-case form of an ASCII letter; every other byte unchanged.
constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equality without regard to ASCII letter case, for names that are ASCII by
// definition (fault and property names, message classes, keywords): no trip
// through Unicode folding.
constexpr bool EqualAsciiFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The folded form of `text`, in UTF-8. Two texts are equal without regard to
// case exactly when their folded forms are equal.
std::string FoldCase(std::string_view text);

// True when `text` already equals its folded form and is pure ASCII, so a
// lookup may use it as it is.
bool IsFoldedAscii(std::string_view text);

}  // namespace tovask
