#include "profile_store/property_record.h"

#include <gtest/gtest.h>

#include <string>

namespace tovask::outlook {
namespace {

// Writes in any order leave the record in its one layout (ascending ids,
// lengths in LEB128), and reads see every write at once.
TEST(PropertyRecordTest, WritesInAnyOrderGiveTheOneLayout) {
  const std::string long130(130, 'x');  // a length of two bytes
  struct Step {
    PropertyId id;
    const char* value;  // nullptr: clear
    std::string bytes;  // the whole record afterwards
  } steps[] = {
      {9, "ccc",
       std::string("\x09\x03"
                   "ccc")},
      {2, "a",
       std::string("\x02\x01"
                   "a\x09\x03"
                   "ccc")},
      {5, "bb",
       std::string("\x02\x01"
                   "a\x05\x02"
                   "bb\x09\x03"
                   "ccc")},
      {2, "aaa",
       std::string("\x02\x03"
                   "aaa\x05\x02"
                   "bb\x09\x03"
                   "ccc")},
      {5, nullptr,
       std::string("\x02\x03"
                   "aaa\x09\x03"
                   "ccc")},
      {7, long130.c_str(),
       std::string("\x02\x03"
                   "aaa\x07\x82\x01") +
           long130 +
           "\x09\x03"
           "ccc"},
      {9, "c",
       std::string("\x02\x03"
                   "aaa\x07\x82\x01") +
           long130 +
           "\x09\x01"
           "c"},
      {7, "",
       std::string("\x02\x03"
                   "aaa\x07\x00",
                   7) +
           "\x09\x01"
           "c"},
      {2, nullptr,
       std::string("\x07\x00\x09\x01"
                   "c",
                   5)},
      {9, nullptr, std::string("\x07\x00", 2)},
      {3, nullptr, std::string("\x07\x00", 2)},
  };
  PropertyRecord record;
  for (std::size_t row = 0; row < std::size(steps); ++row) {
    const Step& step = steps[row];
    if (step.value == nullptr) {
      record.Clear(step.id);
    } else {
      record.Set(step.id, step.value);
    }
    EXPECT_EQ(record.bytes(), step.bytes) << "row " << row;
    std::string_view found;
    EXPECT_EQ(record.Find(step.id, found), step.value != nullptr) << "row " << row;
    if (step.value != nullptr) {
      EXPECT_EQ(found, step.value) << "row " << row;
    }
    // A record read from its bytes agrees.
    PropertyRecord reread(record.bytes());
    std::string_view again;
    EXPECT_EQ(reread.Find(step.id, again), step.value != nullptr) << "row " << row;
    EXPECT_EQ(again, found) << "row " << row;
  }
  std::string_view seven;
  ASSERT_TRUE(record.Find(7, seven));
  EXPECT_EQ(seven, "");

  // A record written out of id order by other means: every entry behind
  // the write still moves with it.
  PropertyRecord unordered(
      std::string("\x09\x01"
                  "c\x02\x01"
                  "a"));
  unordered.Set(5, "bb");
  EXPECT_EQ(unordered.bytes(), std::string("\x05\x02"
                                           "bb\x09\x01"
                                           "c\x02\x01"
                                           "a"));
  std::string_view two, nine;
  ASSERT_TRUE(unordered.Find(2, two));
  ASSERT_TRUE(unordered.Find(9, nine));
  EXPECT_EQ(std::string(two) + std::string(nine), "ac");
}

}  // namespace
}  // namespace tovask::outlook
