#include "outlook/profile_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace tovask::outlook {
namespace {

const DateTime kUntil = *DateTime::FromParts(2026, 6, 15, 12, 0, 0);

// The contact's texts by property name; a name given twice fails the test.
std::map<std::string, std::string> TextsOf(const ItemData& item) {
  std::map<std::string, std::string> texts;
  std::set<std::string> names;
  for (const auto& [name, value] : item.props) {
    EXPECT_TRUE(names.insert(name).second) << name << " given twice";
    if (const auto* text = std::get_if<std::string>(&value)) texts[name] = *text;
  }
  return texts;
}

// An address a mail program takes: ASCII letters and marks only, and an "@".
bool PlainMailAddress(const std::string& address) {
  return address.find('@') != std::string::npos &&
         std::all_of(address.begin(), address.end(),
                     [](unsigned char c) { return c > ' ' && c < 0x7F && c != '\''; });
}

TEST(ProfileGeneratorTest, ContactsHoldTogether) {
  ItemData item;
  for (int index = 0; index < 400; ++index) {
    SCOPED_TRACE("contact " + std::to_string(index));
    MakeContact(3, index, kUntil, item);
    ASSERT_TRUE(item.created && item.modified);
    EXPECT_LE(*item.created, *item.modified);
    EXPECT_LE(*item.modified, kUntil);
    auto texts = TextsOf(item);
    EXPECT_FALSE(texts["FirstName"].empty() || texts["LastName"].empty());
    EXPECT_TRUE(texts["Email1AddressType"] == "EX" || PlainMailAddress(texts["Email1Address"]))
        << texts["Email1Address"];
    for (const char* name : {"Email2Address", "Email3Address"}) {
      EXPECT_TRUE(texts[name].empty() || PlainMailAddress(texts[name])) << texts[name];
    }
    EXPECT_TRUE(texts["Email3Address"].empty() || !texts["Email2Address"].empty());
  }
}

TEST(ProfileGeneratorTest, SeedAndIndexAloneDecideTheData) {
  ItemData first, again, otherSeed;
  int differing = 0;
  for (int index = 0; index < 50; ++index) {
    SCOPED_TRACE("index " + std::to_string(index));
    MakeContact(11, index, kUntil, first);
    MakeContact(12, index, kUntil, otherSeed);  // in between, to catch shared state
    MakeContact(11, index, kUntil, again);
    EXPECT_EQ(first.props, again.props);
    EXPECT_EQ(first.modified, again.modified);
    differing += first.props != otherSeed.props ? 1 : 0;
    EXPECT_EQ(MakeSender(11, index, 20).address, MakeSender(11, index, 20).address);
  }
  EXPECT_GT(differing, 45);
}

TEST(ProfileGeneratorTest, EvenSendersAreKnownContacts) {
  constexpr int kContacts = 30;
  ItemData contact;
  for (int index = 0; index < 80; ++index) {
    SCOPED_TRACE("sender " + std::to_string(index));
    AddressEntryData sender = MakeSender(5, index, kContacts);
    EXPECT_FALSE(sender.name.empty());
    EXPECT_NE(sender.smtpAddress.find('@'), std::string::npos);
    EXPECT_TRUE(sender.type != "SMTP" || sender.address == sender.smtpAddress) << sender.address;
    if (index % 2 != 0 || index / 2 >= kContacts) continue;
    MakeContact(5, index / 2, kUntil, contact);
    auto texts = TextsOf(contact);
    EXPECT_EQ(sender.address, texts["Email1Address"]);
    EXPECT_EQ(sender.type, texts["Email1AddressType"]);
    EXPECT_EQ(sender.lastName, texts["LastName"]);
  }
}

TEST(ProfileGeneratorTest, SkewedRanksStayInRangeAndFavourTheFirst) {
  const std::pair<double, std::int64_t> edges[] = {{0.0, 0}, {0.9999999999, 999}};
  for (const auto& [unit, rank] : edges) EXPECT_EQ(SkewedRank(unit, 1000), rank) << unit;
  EXPECT_EQ(SkewedRank(0.7, 1), 0);
  constexpr int kDraws = 100000;
  int topTen = 0, secondHalf = 0;
  for (int n = 0; n < kDraws; ++n) {
    std::int64_t rank = SkewedRank((n + 0.5) / kDraws, 1000);
    ASSERT_TRUE(rank >= 0 && rank < 1000) << rank;
    topTen += rank < 10 ? 1 : 0;
    secondHalf += rank >= 500 ? 1 : 0;
  }
  // ln(11)/ln(1001) of the draws land on the first ten ranks, ln(2)/ln(1001)
  // on the whole second half.
  EXPECT_NEAR(static_cast<double>(topTen) / kDraws, 0.347, 0.01);
  EXPECT_NEAR(static_cast<double>(secondHalf) / kDraws, 0.100, 0.01);
}

}  // namespace
}  // namespace tovask::outlook
