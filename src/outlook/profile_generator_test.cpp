#include "outlook/profile_generator.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace tovask::outlook {
namespace {

DateTime Until() { return *DateTime::FromParts(2026, 6, 15, 12, 0, 0); }

std::map<std::string, Value> PropsOf(const ItemData& item) {
  std::map<std::string, Value> props;
  for (const auto& [name, value] : item.props) props[name] = value;
  return props;
}

std::string Text(const std::map<std::string, Value>& props, const std::string& name) {
  auto found = props.find(name);
  if (found == props.end()) return "";
  const auto* text = std::get_if<std::string>(&found->second);
  return text ? *text : "<not text>";
}

TEST(ProfileGeneratorTest, ContactsLookLikeRealOnes) {
  constexpr int kContacts = 400;
  int totalProps = 0, exchange = 0, withSecondMail = 0, withThirdMail = 0, withAnniversary = 0;
  ItemData item;
  for (int index = 0; index < kContacts; ++index) {
    SCOPED_TRACE("contact " + std::to_string(index));
    MakeContact(3, index, Until(), item);
    EXPECT_EQ(item.messageClass, "IPM.Contact");
    EXPECT_TRUE(item.entryId.empty());
    ASSERT_TRUE(item.created && item.modified);
    EXPECT_LE(*item.created, *item.modified);
    EXPECT_LE(*item.modified, Until());

    // A name twice would leave it to the store which value wins.
    std::set<std::string> names;
    for (const auto& [name, value] : item.props) EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_GE(item.props.size(), 32u);
    EXPECT_LE(item.props.size(), 56u);
    totalProps += static_cast<int>(item.props.size());

    auto props = PropsOf(item);
    std::string first = Text(props, "FirstName"), last = Text(props, "LastName");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(Text(props, "FileAs"), last + ", " + first);
    EXPECT_TRUE(Text(props, "FullName").starts_with(first + " "));
    EXPECT_TRUE(Text(props, "FullName").ends_with(" " + last));
    EXPECT_FALSE(Text(props, "CompanyName").empty());
    EXPECT_FALSE(Text(props, "BusinessAddressCity").empty());
    EXPECT_FALSE(Text(props, "MobileTelephoneNumber").empty());

    std::string type = Text(props, "Email1AddressType");
    if (type == "EX") {
      ++exchange;
      EXPECT_TRUE(Text(props, "Email1Address").starts_with("/o=")) << Text(props, "Email1Address");
    } else {
      EXPECT_EQ(type, "SMTP");
      EXPECT_NE(Text(props, "Email1Address").find('@'), std::string::npos);
    }
    EXPECT_FALSE(Text(props, "Email1DisplayName").empty());
    withSecondMail += props.count("Email2Address") ? 1 : 0;
    withThirdMail += props.count("Email3Address") ? 1 : 0;
    if (props.count("Email3Address")) {
      EXPECT_TRUE(props.count("Email2Address"));
    }
    for (const char* mailPart : {"Email2Address", "Email3Address"}) {
      if (props.count(mailPart)) {
        EXPECT_EQ(Text(props, mailPart).find_first_of(" äöüé'"), std::string::npos);
      }
    }

    const auto* gender = std::get_if<std::int64_t>(&props["Gender"]);
    ASSERT_NE(gender, nullptr);
    EXPECT_TRUE(*gender == 1 || *gender == 2);
    const auto* birthday = std::get_if<DateTime>(&props["Birthday"]);
    ASSERT_NE(birthday, nullptr);
    EXPECT_GE(birthday->Year(), 1956);
    EXPECT_LE(birthday->Year(), 2008);
    EXPECT_EQ(birthday->Hour(), 0);
    if (props.count("Anniversary")) {
      ++withAnniversary;
      EXPECT_NE(std::get_if<DateTime>(&props["Anniversary"]), nullptr);
    }
  }
  // About 40 fields on average; each variety shows up, none dominates.
  EXPECT_NEAR(static_cast<double>(totalProps) / kContacts, 40.0, 4.0);
  EXPECT_GT(exchange, kContacts / 40);
  EXPECT_LT(exchange, kContacts / 4);
  EXPECT_GT(withSecondMail, kContacts / 4);
  EXPECT_GT(withThirdMail, kContacts / 20);
  EXPECT_LT(withThirdMail, withSecondMail);
  EXPECT_GT(withAnniversary, kContacts / 10);
}

TEST(ProfileGeneratorTest, SeedAndIndexAloneDecideTheData) {
  ItemData first, again, otherSeed;
  int differing = 0;
  for (int index = 0; index < 50; ++index) {
    SCOPED_TRACE("contact " + std::to_string(index));
    MakeContact(11, index, Until(), first);
    MakeContact(12, index, Until(), otherSeed);  // in between, to catch shared state
    MakeContact(11, index, Until(), again);
    EXPECT_EQ(first.props, again.props);
    EXPECT_EQ(first.created, again.created);
    EXPECT_EQ(first.modified, again.modified);
    differing += first.props != otherSeed.props ? 1 : 0;

    AddressEntryData sender = MakeSender(11, index, 20);
    AddressEntryData senderAgain = MakeSender(11, index, 20);
    EXPECT_EQ(sender.address, senderAgain.address);
    EXPECT_EQ(sender.name, senderAgain.name);
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
    ASSERT_TRUE(sender.type == "SMTP" || sender.type == "EX") << sender.type;
    if (sender.type == "SMTP") {
      EXPECT_EQ(sender.address, sender.smtpAddress);
    }
    if (index % 2 != 0 || index / 2 >= kContacts) continue;
    MakeContact(5, index / 2, Until(), contact);
    auto props = PropsOf(contact);
    EXPECT_EQ(sender.address, Text(props, "Email1Address"));
    EXPECT_EQ(sender.type, Text(props, "Email1AddressType"));
    EXPECT_EQ(sender.lastName, Text(props, "LastName"));
  }
}

TEST(ProfileGeneratorTest, SkewedRanksFavourTheFirst) {
  struct Row {
    const char* name;
    double unit;
    std::int64_t count;
    std::int64_t rank;
  } rows[] = {
      {"lowest unit", 0.0, 1000, 0},
      {"highest unit", 0.9999999999, 1000, 999},
      {"one rank", 0.7, 1, 0},
      {"half of ln(1001) is about rank 30", 0.5, 1000, 30},
  };
  for (const Row& row : rows) EXPECT_EQ(SkewedRank(row.unit, row.count), row.rank) << row.name;

  constexpr int kDraws = 100000;
  constexpr std::int64_t kRanks = 1000;
  std::int64_t topTen = 0, secondHalf = 0;
  for (int n = 0; n < kDraws; ++n) {
    std::int64_t rank = SkewedRank((n + 0.5) / kDraws, kRanks);
    ASSERT_GE(rank, 0);
    ASSERT_LT(rank, kRanks);
    topTen += rank < 10 ? 1 : 0;
    secondHalf += rank >= kRanks / 2 ? 1 : 0;
  }
  // ln(11)/ln(1001) of the draws land on the first ten ranks, ln(2)/ln(1001)
  // on the whole second half.
  EXPECT_NEAR(static_cast<double>(topTen) / kDraws, 0.347, 0.01);
  EXPECT_NEAR(static_cast<double>(secondHalf) / kDraws, 0.100, 0.01);
}

}  // namespace
}  // namespace tovask::outlook
