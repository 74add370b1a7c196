#include "profile_store/profile_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <variant>

namespace tovask::outlook {
namespace {

TEST(ProfileGeneratorTest, SeededFullContactsAndSkewedSenders) {
  const DateTime until = *DateTime::FromParts(2026, 6, 15, 12, 0, 0);
  auto plainAddress = [](const std::string& address) {  // what a mail program takes
    return address.find('@') != std::string::npos &&
           std::all_of(address.begin(), address.end(),
                       [](unsigned char c) { return c > ' ' && c < 0x7F && c != '\''; });
  };
  ItemData first, again, otherSeed;
  int differing = 0;
  for (int index = 0; index < 100; ++index) {
    SCOPED_TRACE("contact " + std::to_string(index));
    MakeContact(11, index, until, first);
    MakeContact(12, index, until, otherSeed);  // in between, to catch shared state
    MakeContact(11, index, until, again);
    EXPECT_EQ(first.props, again.props);
    EXPECT_EQ(first.modified, again.modified);
    differing += first.props != otherSeed.props ? 1 : 0;
    std::map<std::string, std::string> texts;
    for (const auto& [name, value] : first.props)
      if (const auto* text = std::get_if<std::string>(&value)) texts[name] = *text;
    EXPECT_TRUE(first.props.size() >= 30 && first.props.size() <= 55) << first.props.size();
    EXPECT_FALSE(texts["FirstName"].empty() || texts["LastName"].empty());
    EXPECT_TRUE(texts["Email1AddressType"] == "EX" || plainAddress(texts["Email1Address"]));
    EXPECT_EQ(MakeSender(11, 2 * index, 1000).address, texts["Email1Address"]) << "even senders";
  }
  EXPECT_GT(differing, 90);
  // Sender ranks: about ln(11)/ln(1001) of the draws land on the first ten of 1000.
  int topTen = 0;
  for (int n = 0; n < 10000; ++n) topTen += SkewedRank((n + 0.5) / 10000, 1000) < 10 ? 1 : 0;
  EXPECT_NEAR(topTen / 10000.0, 0.347, 0.01);
}

}  // namespace
}  // namespace tovask::outlook
