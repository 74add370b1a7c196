#include "main/case_fold.h"

#include <unicode/stringoptions.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <cstring>

namespace tovask {

bool IsAscii(std::string_view text) {
  // Every element name and key is tested, so eight bytes at a time.
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    if ((word & kHighBits) != 0) return false;
  }
  for (; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

bool IsFoldedAscii(std::string_view text) {
  // Keyed collections ask this on every lookup, so eight bytes are tested at
  // a time. With no byte at 0x80 or above, adding 0x3F to a byte sets its
  // high bit exactly when it is 'A' (0x41) or above, and adding 0x25 leaves
  // it clear exactly when it is 'Z' (0x5A) or below; no sum carries into the
  // next byte.
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighBits = 0x80 * kOnes;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    if ((word & kHighBits) != 0) return false;
    if (((word + 0x3F * kOnes) & ~(word + 0x25 * kOnes) & kHighBits) != 0) return false;
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) >= 0x80 || (c >= 'A' && c <= 'Z')) return false;
  }
  return true;
}

std::string FoldCase(std::string_view text) {
  if (IsAscii(text)) {
    std::string folded(text);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
  }
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  unicode.foldCase(U_FOLD_CASE_DEFAULT);
  std::string folded;
  unicode.toUTF8String(folded);
  return folded;
}

}  // namespace tovask
