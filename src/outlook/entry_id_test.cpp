#include "outlook/entry_id.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace tovask::outlook {
namespace {

// What the filter parser makes of each text, seen directly rather than
// through a look-up whose "not found" would hide it.
TEST(EntryIdFilterTest, ReadsTheIdentifierOrNothing) {
  const std::pair<std::string, std::optional<std::string>> rows[] = {
      {"EntryID = 'ABC'", "ABC"},
      {"entryid='abc'", "abc"},
      {"ENTRYID = 'x'", "x"},
      {"EnTrYiD\t=\t'x'", "x"},
      {"  EntryID  =  'x'  ", "x"},
      {"EntryID = ''", ""},
      {"EntryID = 'it''s'", "it's"},
      {"EntryID = ''''", "'"},
      {"EntryID = 'a''''b'", "a''b"},
      {"EntryID = 'a b'", "a b"},
      {"EntryID = 'x' AND Subject = 'y'", std::nullopt},
      {"EntryID = 'x'y", std::nullopt},
      {"EntryID = 'x''", std::nullopt},
      {"EntryID = 'x", std::nullopt},
      {"EntryID = x", std::nullopt},
      {"EntryID == 'x'", std::nullopt},
      {"EntryID 'x'", std::nullopt},
      {"Entry ID = 'x'", std::nullopt},
      {"EntryIDs = 'x'", std::nullopt},
      {"[EntryID] = 'x'", std::nullopt},
      {"EntryID = \"x\"", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [filter, expected] : rows) {
    EXPECT_EQ(ParseEntryIdFilter(filter), expected) << filter;
  }
}

}  // namespace
}  // namespace tovask::outlook
