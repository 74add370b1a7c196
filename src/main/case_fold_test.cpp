#include "main/case_fold.h"

#include <gtest/gtest.h>

#include <string>

namespace tovask {
namespace {

// Every byte value at every place of a text longer than two eight-byte words,
// so each lane of the word-wise test and the byte-wise tail are tried.
TEST(CaseFoldTest, FoldedAsciiIsNoByteAbove0x7FAndNoCapitalAnywhere) {
  for (int byte = 0; byte < 256; ++byte) {
    const bool folded = byte < 0x80 && !(byte >= 'A' && byte <= 'Z');
    for (std::size_t place = 0; place < 19; ++place) {
      std::string text = "anna.smith@nord.ex";  // 18 bytes
      text.insert(place, 1, static_cast<char>(byte));
      EXPECT_EQ(IsFoldedAscii(text), folded) << "byte " << byte << " at " << place;
    }
  }
  EXPECT_TRUE(IsFoldedAscii(""));
  EXPECT_EQ(FoldCase("/O=NORD/CN=Anna"), "/o=nord/cn=anna");
  EXPECT_EQ(FoldCase("MÜLLER"), "müller");
}

}  // namespace
}  // namespace tovask
