#include "import/slot_merges.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "main/value.h"
#include "profile_store/test_profile.h"

namespace tovask {
namespace {

using testing::LogOn;
using testing::TestProfile;

using Fields = std::vector<std::pair<std::string, std::string>>;

// One e-mail slot: address, address type, display name.
struct Mail {
  std::string address, type, name;
  bool operator==(const Mail&) const = default;
};
const Mail kNone{"", "", ""};

FieldValues Incoming(const Fields& fields) {
  FieldValues values;
  for (const auto& [name, text] : fields) values.Add(name, text);
  return values;
}

std::string Text(outlook::Item& item, const std::string& name) {
  return ValueText(item.GetProperty(name));
}

class SlotMergesTest : public ::testing::Test {
 protected:
  // The first contact, fresh from the store: writes of an earlier row were
  // never saved.
  std::unique_ptr<outlook::Item> Contact(int position = 1) {
    return session_->GetFolderFromPath("\\\\P\\C")->GetItems()->GetItem(position);
  }

  TestProfile profile_{R"({"stores": [{"name": "P", "root": {"folders": [{"name": "C", "type": 2,
      "items": [{"class": "IPM.Contact"},
                {"class": "IPM.Contact", "props": {
                   "Email1Address": "gamma@x", "Email1AddressType": "SMTP",
                   "Email2Address": "alpha@x", "Email2AddressType": "SMTP",
                   "Email3Address": "beta@x", "Email3AddressType": "SMTP"},
                 "faults": ["write:Email1Address", "write:Email2Address", "write:Email3Address",
                            "write:Email1AddressType", "write:Email2AddressType",
                            "write:Email3AddressType", "write:Email1DisplayName",
                            "write:Email2DisplayName", "write:Email3DisplayName"]}]}]}}]})"};
  std::unique_ptr<outlook::Session> session_ = LogOn();
};

TEST_F(SlotMergesTest, EmailExamples) {
  struct Row {
    const char* what;
    std::vector<Mail> item;
    Fields document;
    std::vector<Mail> expected;
  };
  const Mail alpha{"alpha@x", "SMTP", "Alpha"};
  const Mail beta{"beta@x", "SMTP", "Beta"};
  const Row rows[] = {
      {"kept value stays, new one takes the freed slot, leftover cleared",
       {alpha, beta, kNone},
       {{"Email1Address", "beta@x"}, {"Email2Address", "gamma@x"}},
       {{"gamma@x", "SMTP", ""}, beta, kNone}},
      {"companions travel with the incoming position",
       {alpha, beta, kNone},
       {{"Email1Address", "beta@x"},
        {"Email2Address", "gamma@x"},
        {"Email2AddressType", "X400"},
        {"Email2DisplayName", "Gamma G"},
        {"Email1DisplayName", "not used"}},
       {{"gamma@x", "X400", "Gamma G"}, beta, kNone}},
      {"EX stays with its companions",
       {{"alpha@x", "EX", "Alpha"}, kNone, kNone},
       {{"Email1Address", "beta@x"}, {"Email2Address", "gamma@x"}},
       {{"alpha@x", "EX", "Alpha"}, {"beta@x", "SMTP", ""}, {"gamma@x", "SMTP", ""}}},
      {"no e-mail element: all but EX cleared, a repeated EX too; display names stay",
       {alpha, {"beta@x", "EX", "B1"}, {"BETA@x", "EX", "B2"}},
       {},
       {{"", "", "Alpha"}, {"beta@x", "EX", "B1"}, {"", "", "B2"}}},
      {"a duplicate on the item is freed and cleared",
       {alpha, alpha, kNone},
       {{"Email1Address", "alpha@x"}},
       {alpha, {"", "", "Alpha"}, kNone}},
      {"an incoming value differing only in case from a kept one is skipped",
       {alpha, kNone, kNone},
       {{"Email1Address", "alpha@x"}, {"Email2Address", "ALPHA@X"}},
       {alpha, kNone, kNone}},
      {"no exact match frees the slot for the capitalised form",
       {alpha, kNone, kNone},
       {{"Email1Address", "ALPHA@X"}, {"Email1AddressType", "SMTP2"}, {"Email1DisplayName", "A"}},
       {{"ALPHA@X", "SMTP2", "A"}, kNone, kNone}},
      {"a value carried twice is placed twice",
       {kNone, kNone, kNone},
       {{"Email1Address", "gamma@x"}, {"Email2Address", "gamma@x"}},
       {{"gamma@x", "SMTP", ""}, {"gamma@x", "SMTP", ""}, kNone}},
  };
  for (const Row& row : rows) {
    std::unique_ptr<outlook::Item> item = Contact();
    for (size_t slot = 0; slot < row.item.size(); ++slot) {
      const std::string n = std::to_string(slot + 1);
      item->SetProperty("Email" + n + "Address", row.item[slot].address);
      item->SetProperty("Email" + n + "AddressType", row.item[slot].type);
      item->SetProperty("Email" + n + "DisplayName", row.item[slot].name);
    }
    MergeEmailAddresses(*item, Incoming(row.document));
    for (size_t slot = 0; slot < row.expected.size(); ++slot) {
      const std::string n = std::to_string(slot + 1);
      const Mail got{Text(*item, "Email" + n + "Address"), Text(*item, "Email" + n + "AddressType"),
                     Text(*item, "Email" + n + "DisplayName")};
      EXPECT_EQ(got, row.expected[slot]) << row.what << ", slot " << n << ": " << got.address << " "
                                         << got.type << " " << got.name;
    }
  }
}

TEST_F(SlotMergesTest, TheDocumentsAddressesInAnotherOrderWriteNothing) {
  // Every e-mail property of this contact refuses a write.
  std::unique_ptr<outlook::Item> item = Contact(2);
  EXPECT_NO_THROW(MergeEmailAddresses(*item, Incoming({{"Email1Address", "alpha@x"},
                                                       {"Email2Address", "beta@x"},
                                                       {"Email3Address", "gamma@x"}})));
  EXPECT_EQ(Text(*item, "Email1Address"), "gamma@x");
  EXPECT_EQ(Text(*item, "Email2Address"), "alpha@x");
  // A write that is needed reaches the caller.
  EXPECT_THROW(MergeEmailAddresses(*item, Incoming({{"Email1Address", "delta@x"}})), Failure);
}

TEST_F(SlotMergesTest, TelephoneAndUserFieldExamples) {
  struct Row {
    const char* what;
    const SlotFamily& family;
    std::vector<std::string> item;
    Fields document;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"positions are not aligned with the document",
       kBusinessPhoneSlots,
       {"alpha", "beta"},
       {{"BusinessTelephoneNumber", "beta"}, {"Business2TelephoneNumber", "gamma"}},
       {"gamma", "beta"}},
      {"a duplicate is freed and takes the new value",
       kBusinessPhoneSlots,
       {"alpha", "alpha"},
       {{"BusinessTelephoneNumber", "alpha"}, {"Business2TelephoneNumber", "gamma"}},
       {"alpha", "gamma"}},
      {"home pair the same",
       kHomePhoneSlots,
       {"alpha", "alpha"},
       {{"HomeTelephoneNumber", "alpha"}, {"Home2TelephoneNumber", "gamma"}},
       {"alpha", "gamma"}},
      {"no element of the pair clears both",
       kHomePhoneSlots,
       {"alpha", "beta"},
       {{"BusinessTelephoneNumber", "alpha"}},
       {"", ""}},
      {"user fields",
       kUserFieldSlots,
       {"alpha", "beta", "", "gamma"},
       {{"User1", "gamma"}, {"User2", "delta"}},
       {"delta", "", "", "gamma"}},
      {"names of the document match without regard to case",
       kUserFieldSlots,
       {"", "", "", ""},
       {{"user3", "x"}},
       {"x", "", "", ""}},
  };
  for (const Row& row : rows) {
    std::unique_ptr<outlook::Item> item = Contact();
    for (size_t slot = 0; slot < row.item.size(); ++slot) {
      item->SetProperty(row.family.slots[slot], row.item[slot]);
    }
    MergeSlots(*item, Incoming(row.document), row.family);
    for (size_t slot = 0; slot < row.expected.size(); ++slot) {
      EXPECT_EQ(Text(*item, std::string(row.family.slots[slot])), row.expected[slot])
          << row.what << ", slot " << slot + 1;
    }
  }
}

}  // namespace
}  // namespace tovask
