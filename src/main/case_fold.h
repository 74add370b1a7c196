// Letter-case folding for the comparisons that ignore case: keys of keyed
// collections and the folder skip rules.
//
// Folding is ICU's full Unicode case folding, so "Müller" and "MÜLLER" fold
// alike and "straße" folds to "strasse". Pure-ASCII text takes a plain
// lower-casing loop, which gives the same result without a trip through ICU.
// Invalid UTF-8 is folded as if each bad sequence were U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

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

// A hash of a name that is the same for every spelling of it in any ASCII
// letter case: the first and the last eight bytes, each with bit 0x20 set
// (which lower-cases a letter), and the length. A few steps whatever the
// length, for tables of names looked up at every element or property.
constexpr std::uint32_t HashAsciiFolded(std::string_view text) {
  // Up to eight bytes from `at`, little-endian, with bit 0x20 set.
  auto word = [text](std::size_t at, std::size_t count) -> std::uint64_t {
    std::uint64_t bits = 0;
    if (!std::is_constant_evaluated() && count == 8) {
      std::memcpy(&bits, text.data() + at, 8);
      return bits | std::uint64_t{0x2020202020202020};  // the loop below, little-endian
    }
    for (std::size_t i = 0; i < count; ++i) {
      bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[at + i]) | 0x20)
              << (8 * i);
    }
    return bits;
  };
  const std::size_t size = text.size();
  const std::uint64_t head = word(0, size < 8 ? size : 8);
  const std::uint64_t tail = size > 8 ? word(size - 8, 8) : 0;
  const std::uint64_t mixed =
      (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full) ^ size;
  return static_cast<std::uint32_t>(mixed >> 32);
}

// The folded form of `text`, in UTF-8. Two texts are equal without regard to
// case exactly when their folded forms are equal.
std::string FoldCase(std::string_view text);

// True when `text` already equals its folded form and is pure ASCII, so a
// lookup may use it as it is.
bool IsFoldedAscii(std::string_view text);

}  // namespace tovask
