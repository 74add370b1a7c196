#include <gtest/gtest.h>

#include <set>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;
using tovask::testing::NamesIn;
using tovask::testing::RaisedBy;
using tovask::testing::SaveContact;
using tovask::testing::TestProfile;
using Names = std::vector<std::string>;

constexpr char kContactsPath[] = "\\\\Personal Folders\\Contacts";

std::string FirstName(Item& item) { return std::get<std::string>(item.GetProperty("FirstName")); }

class StoreItemsTest : public ::testing::Test {
 protected:
  // The contacts as another session sees them.
  std::unique_ptr<Items> OtherSessionsItems() {
    return other_->GetFolderFromPath(kContactsPath)->GetItems();
  }
  TestProfile profile_{R"({"stores": [{"name": "Personal Folders", "root": {"folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "props": {"FirstName": "One"}},
      {"class": "IPM.Contact", "props": {"FirstName": "Two"}},
      {"class": "IPM.Contact", "entryId": "00000000000000000000000000000000000000000000ABCD",
       "props": {"FirstName": "Three"}},
      {"class": "IPM.Contact", "props": {"FirstName": "Four"}},
      {"class": "IPM.Contact", "props": {"FirstName": "Five"}}]},
    {"name": "Inbox", "type": 0}]}}]})"};
  std::unique_ptr<Session> session_ = LogOn();
  std::unique_ptr<Folder> contacts_ = session_->GetFolderFromPath(kContactsPath);
  std::unique_ptr<Session> other_ = LogOn();
};

TEST_F(StoreItemsTest, PositionsShiftDownOnRemoval) {
  auto items = contacts_->GetItems();
  items->Remove(2);
  EXPECT_EQ(NamesIn(*items), (Names{"One", "Three", "Four", "Five"}));
  // Removing from the top down, fetching the collection again each time, as
  // an import's deletion pass does.
  for (std::int32_t i = contacts_->GetItems()->Count(); i >= 1; --i) {
    auto item = contacts_->GetItems()->GetItem(i);
    if (FirstName(*item) == "Four" || FirstName(*item) == "One") contacts_->GetItems()->Remove(i);
  }
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"Three", "Five"}));
  EXPECT_EQ(NamesIn(*OtherSessionsItems()), (Names{"Three", "Five"}));
  EXPECT_THROW(items->GetItem(3), Failure);
  EXPECT_THROW(items->GetItem(0), Failure);
  EXPECT_THROW(items->Remove(3), Failure);
}

TEST_F(StoreItemsTest, NewItemGetsAFreshIdentifierAndJoinsAtTheEndAtItsFirstSave) {
  auto items = contacts_->GetItems();
  std::set<std::string> seen;
  for (std::int32_t i = 1; i <= items->Count(); ++i) seen.insert(items->GetItem(i)->EntryID());
  EXPECT_EQ(items->GetItem(3)->EntryID(), "00000000000000000000000000000000000000000000ABCD");
  items->Remove(5);
  auto fresh = items->Add("IPM.Contact");
  EXPECT_EQ(fresh->EntryID(), "");
  EXPECT_EQ(fresh->KindName(), "RDOContactItem");
  fresh->SetProperty("FirstName", std::string("Six"));
  EXPECT_EQ(items->Count(), 4);
  fresh->Save();
  std::string id = fresh->EntryID();
  EXPECT_EQ(id.size(), 48u);
  EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
  EXPECT_EQ(items->Count(), 5);
  fresh->SetProperty("FirstName", std::string("Sixth"));
  fresh->Save();
  EXPECT_EQ(fresh->EntryID(), id) << "saving again changes the item, not the order";
  EXPECT_EQ(NamesIn(*OtherSessionsItems()), (Names{"One", "Two", "Three", "Four", "Sixth"}));
  seen.insert(id);
  for (int i = 0; i < 10; ++i) seen.insert(SaveContact(*items, "n")->EntryID());
  EXPECT_EQ(seen.size(), 16u) << "unique, and the removed one's never given again";

  items->Add("IPM.Contact")->SetProperty("FirstName", std::string("Ghost"));
  EXPECT_EQ(contacts_->GetItems()->Count(), 15) << "an item never saved leaves no trace";
  EXPECT_THROW(items->Add(""), Failure);
}

TEST_F(StoreItemsTest, FindsByEntryIdFilterOnly) {
  auto items = contacts_->GetItems();
  std::string two = items->GetItem(2)->EntryID();
  const std::pair<std::string, const char*> rows[] = {
      // filter, first name of the item found (nullptr: none)
      {"EntryID = '" + two + "'", "Two"},
      {"entryid='" + two + "'", "Two"},
      {"  EntryID =  '" + two + "'  ", "Two"},
      {"EntryID = '00000000000000000000000000000000000000000000abcd'", "Three"},
      {"EntryID = 'no such id'", nullptr},
      {"EntryID = 'it''s'", nullptr},
      {"EntryID = ''", nullptr},
  };
  for (const auto& [filter, found] : rows) {
    SCOPED_TRACE(filter);
    auto item = items->Find(filter);
    EXPECT_EQ(item ? FirstName(*item) : "(none)", found ? found : "(none)");
  }
  for (const char* filter : {"FirstName = 'One'", "EntryID = 'abc", "EntryID = 'a' OR 1=1",
                             "EntryID 'a'", "[EntryID] = 'a'", ""}) {
    SCOPED_TRACE(filter);
    EXPECT_EQ(RaisedBy([&] { items->Find(filter); }).number(), kInvalidArgument);
  }
  // An item of another folder does not match.
  auto inbox = session_->GetFolderFromPath("\\\\Personal Folders\\Inbox")->GetItems();
  EXPECT_EQ(inbox->Find("EntryID = '" + two + "'"), nullptr);
}

TEST_F(StoreItemsTest, CopyGetsANewIdentifierAndTheSavedProperties) {
  auto backup = session_->GetFolderFromPath("\\\\Personal Folders")
                    ->GetFolders()
                    ->Add("Backup", kFolderContacts);
  auto original = contacts_->GetItems()->GetItem(3);
  original->SetProperty("LastName", std::string("Unsaved"));
  original->CopyTo(*backup);
  original->CopyTo(*backup);
  auto copies = backup->GetItems();
  ASSERT_EQ(copies->Count(), 2);
  auto copy = copies->GetItem(1);
  EXPECT_EQ(FirstName(*copy), "Three");
  EXPECT_EQ(copy->GetProperty("LastName"), Value(std::string()));
  EXPECT_NE(copy->EntryID(), original->EntryID());
  EXPECT_NE(copies->GetItem(2)->EntryID(), copy->EntryID());
  EXPECT_EQ(contacts_->GetItems()->Count(), 5);
  EXPECT_THROW(contacts_->GetItems()->Add("IPM.Contact")->CopyTo(*backup), Failure);
}

TEST_F(StoreItemsTest, WalksLargeFoldersInBothDirections) {
  auto items = contacts_->GetItems();
  for (int i = 0; i < 600; ++i) SaveContact(*items, "n" + std::to_string(i));
  auto fresh = OtherSessionsItems();
  ASSERT_EQ(fresh->Count(), 605);
  for (std::int32_t step : {1, -1}) {
    for (std::int32_t i = step > 0 ? 6 : 605; i >= 6 && i <= 605; i += step) {
      ASSERT_EQ(FirstName(*fresh->GetItem(i)), "n" + std::to_string(i - 6)) << "position " << i;
    }
  }
  EXPECT_EQ(FirstName(*fresh->GetItem(300)), "n294");
  EXPECT_EQ(FirstName(*fresh->GetItem(300)), "n294") << "read twice";
}

// Reading a row reads the following ones ahead; what changed since, here or
// in another session, must show all the same.
TEST_F(StoreItemsTest, ReadAheadNeverServesStaleRows) {
  auto items = contacts_->GetItems();
  EXPECT_EQ(FirstName(*items->GetItem(1)), "One");
  auto three = items->Find("EntryID = '00000000000000000000000000000000000000000000ABCD'");
  three->SetProperty("FirstName", std::string("Drei"));
  three->Save();
  EXPECT_EQ(FirstName(*items->GetItem(3)), "Drei");

  auto other = OtherSessionsItems();
  auto four = other->GetItem(4);
  four->SetProperty("FirstName", std::string("Quatre"));
  four->Save();
  EXPECT_EQ(FirstName(*contacts_->GetItems()->GetItem(4)), "Quatre");
  other->Remove(1);
  SaveContact(*other, "Late");
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"Two", "Drei", "Quatre", "Five", "Late"}));

  // The last row read ahead, removed, and a new item in its place.
  items = contacts_->GetItems();
  EXPECT_EQ(FirstName(*items->GetItem(4)), "Five");
  items->Remove(5);
  auto fresh = SaveContact(*items, "New");
  EXPECT_EQ(FirstName(*items->GetItem(5)), "New");
  EXPECT_EQ(items->GetItem(5)->EntryID(), fresh->EntryID());
}

// The peer system may delete a contact while an import holds it.
TEST_F(StoreItemsTest, AnItemAnotherSessionRemovedCanNoLongerBeSavedOrCopied) {
  auto items = contacts_->GetItems();
  auto two = items->GetItem(2);
  OtherSessionsItems()->Remove(2);
  two->SetProperty("FirstName", std::string("Zwei"));
  EXPECT_EQ(RaisedBy([&] { two->Save(); }).number(), kNotFound);
  EXPECT_EQ(RaisedBy([&] { two->CopyTo(*contacts_); }).number(), kNotFound);
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"One", "Three", "Four", "Five"}));
}

}  // namespace
}  // namespace tovask::outlook
