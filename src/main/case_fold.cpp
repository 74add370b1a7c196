#include "main/case_fold.h"

#include <unicode/stringoptions.h>
#include <unicode/unistr.h>

namespace tovask {

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsFoldedAscii(std::string_view text) {
  for (char c : text) {
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
