// Item collections: positions, entry identifiers, finding, adding, saving,
// copying and removing.
#include <gtest/gtest.h>

#include <set>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "outlook/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::TestProfile;

constexpr char kContactsPath[] = "\\\\Personal Folders\\Contacts";

// Five contacts named One..Five in this order, and an empty mail folder.
constexpr char kProfile[] = R"({"stores": [{"name": "Personal Folders", "root": {"folders": [
  {"name": "Contacts", "type": 2, "items": [
    {"class": "IPM.Contact", "props": {"FirstName": "One"}},
    {"class": "IPM.Contact", "props": {"FirstName": "Two"}},
    {"class": "IPM.Contact", "entryId": "00000000000000000000000000000000000000000000ABCD",
     "props": {"FirstName": "Three"}},
    {"class": "IPM.Contact", "props": {"FirstName": "Four"}},
    {"class": "IPM.Contact", "props": {"FirstName": "Five"}}]},
  {"name": "Inbox", "type": 0}]}}]})";

std::string FirstName(Item& item) { return std::get<std::string>(item.GetProperty("FirstName")); }

std::vector<std::string> Names(Items& items) {
  std::vector<std::string> names;
  for (std::int32_t i = 1; i <= items.Count(); ++i) names.push_back(FirstName(*items.GetItem(i)));
  return names;
}

class StoreItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_->Logon();
    contacts_ = session_->GetFolderFromPath(kContactsPath);
  }
  std::unique_ptr<Session> Other() {
    auto other = CreateSession();
    other->Logon();
    return other;
  }
  TestProfile profile_{kProfile};
  std::unique_ptr<Session> session_ = CreateSession();
  std::unique_ptr<Folder> contacts_;
};

TEST_F(StoreItemsTest, PositionsShiftDownOnRemoval) {
  auto items = contacts_->GetItems();
  EXPECT_EQ(Names(*items), (std::vector<std::string>{"One", "Two", "Three", "Four", "Five"}));
  items->Remove(2);
  EXPECT_EQ(Names(*items), (std::vector<std::string>{"One", "Three", "Four", "Five"}));
  // Removing from the top down, fetching the collection again each time, as
  // an import's deletion pass does.
  for (std::int32_t i = contacts_->GetItems()->Count(); i >= 1; --i) {
    auto item = contacts_->GetItems()->GetItem(i);
    if (FirstName(*item) == "Four" || FirstName(*item) == "One") contacts_->GetItems()->Remove(i);
  }
  EXPECT_EQ(Names(*contacts_->GetItems()), (std::vector<std::string>{"Three", "Five"}));
  EXPECT_EQ(Names(*Other()->GetFolderFromPath(kContactsPath)->GetItems()),
            (std::vector<std::string>{"Three", "Five"}));
  EXPECT_THROW(items->GetItem(3), Failure);
  EXPECT_THROW(items->GetItem(0), Failure);
  EXPECT_THROW(items->Remove(3), Failure);
}

TEST_F(StoreItemsTest, NewItemJoinsAtTheEndAtItsFirstSave) {
  auto items = contacts_->GetItems();
  auto fresh = items->Add("IPM.Contact");
  EXPECT_EQ(fresh->EntryID(), "");
  EXPECT_EQ(fresh->KindName(), "RDOContactItem");
  fresh->SetProperty("FirstName", std::string("Six"));
  EXPECT_EQ(items->Count(), 5);
  fresh->Save();
  std::string id = fresh->EntryID();
  EXPECT_EQ(id.size(), 48u);
  EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
  EXPECT_EQ(items->Count(), 6);
  EXPECT_EQ(FirstName(*items->GetItem(6)), "Six");
  // Saving again changes the item, not the order.
  fresh->SetProperty("FirstName", std::string("Sixth"));
  fresh->Save();
  EXPECT_EQ(fresh->EntryID(), id);
  auto other = Other()->GetFolderFromPath(kContactsPath)->GetItems();
  EXPECT_EQ(other->Count(), 6);
  EXPECT_EQ(FirstName(*other->GetItem(6)), "Sixth");

  // An item never saved leaves no trace.
  items->Add("IPM.Contact")->SetProperty("FirstName", std::string("Ghost"));
  EXPECT_EQ(contacts_->GetItems()->Count(), 6);
  EXPECT_THROW(items->Add(""), Failure);
}

TEST_F(StoreItemsTest, EntryIdentifiersAreUniqueStableAndNeverReused) {
  std::set<std::string> seen;
  auto items = contacts_->GetItems();
  for (std::int32_t i = 1; i <= items->Count(); ++i) {
    EXPECT_TRUE(seen.insert(items->GetItem(i)->EntryID()).second);
  }
  EXPECT_EQ(items->GetItem(3)->EntryID(), "00000000000000000000000000000000000000000000ABCD");
  std::string removed = items->GetItem(5)->EntryID();
  items->Remove(5);
  for (int i = 0; i < 20; ++i) {
    auto item = items->Add("IPM.Contact");
    item->Save();
    EXPECT_TRUE(seen.insert(item->EntryID()).second) << item->EntryID();
    EXPECT_NE(item->EntryID(), removed);
  }
  // Another session reads the same identifiers.
  auto other = Other()->GetFolderFromPath(kContactsPath)->GetItems();
  for (std::int32_t i = 1; i <= other->Count(); ++i) {
    EXPECT_EQ(other->GetItem(i)->EntryID(), items->GetItem(i)->EntryID()) << "position " << i;
  }
}

TEST_F(StoreItemsTest, FindsByEntryIdFilterOnly) {
  auto items = contacts_->GetItems();
  std::string two = items->GetItem(2)->EntryID();
  struct Row {
    std::string filter;
    const char* found;  // first name; nullptr: no match
  };
  const Row rows[] = {
      {"EntryID = '" + two + "'", "Two"},
      {"entryid='" + two + "'", "Two"},
      {"  EntryID =  '" + two + "'  ", "Two"},
      {"EntryID = '00000000000000000000000000000000000000000000abcd'", "Three"},
      {"EntryID = 'no such id'", nullptr},
      {"EntryID = 'it''s'", nullptr},
      {"EntryID = ''", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.filter);
    auto found = items->Find(row.filter);
    if (row.found == nullptr) {
      EXPECT_EQ(found, nullptr);
    } else {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(FirstName(*found), row.found);
    }
  }
  const char* bad[] = {"FirstName = 'One'", "EntryID = 'abc",  "EntryID = 'a' OR 1=1",
                       "EntryID 'a'",       "[EntryID] = 'a'", ""};
  for (const char* filter : bad) {
    SCOPED_TRACE(filter);
    try {
      items->Find(filter);
      ADD_FAILURE() << "accepted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kInvalidArgument);
    }
  }
  // An item of another folder does not match.
  auto inbox = session_->GetFolderFromPath("\\\\Personal Folders\\Inbox")->GetItems();
  EXPECT_EQ(inbox->Find("EntryID = '" + two + "'"), nullptr);
}

TEST_F(StoreItemsTest, CopyGetsANewIdentifierAndTheSameProperties) {
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
  // The copy is of the item as saved.
  EXPECT_EQ(std::get<std::string>(copy->GetProperty("LastName")), "");
  EXPECT_NE(copy->EntryID(), original->EntryID());
  EXPECT_NE(copies->GetItem(2)->EntryID(), copy->EntryID());
  EXPECT_EQ(contacts_->GetItems()->Count(), 5);
  EXPECT_THROW(contacts_->GetItems()->Add("IPM.Contact")->CopyTo(*backup), Failure);
}

TEST_F(StoreItemsTest, SeesItemsAddedAndRemovedByAnotherSession) {
  auto items = contacts_->GetItems();
  EXPECT_EQ(items->Count(), 5);
  EXPECT_EQ(FirstName(*items->GetItem(1)), "One");
  auto other = Other()->GetFolderFromPath(kContactsPath);
  other->GetItems()->Remove(1);
  auto added = other->GetItems()->Add("IPM.Contact");
  added->SetProperty("FirstName", std::string("Late"));
  added->Save();
  auto again = contacts_->GetItems();
  EXPECT_EQ(Names(*again), (std::vector<std::string>{"Two", "Three", "Four", "Five", "Late"}));
}

TEST_F(StoreItemsTest, WalksLargeFoldersInBothDirections) {
  auto items = contacts_->GetItems();
  for (int i = 0; i < 600; ++i) {
    auto item = items->Add("IPM.Contact");
    item->SetProperty("FirstName", "n" + std::to_string(i));
    item->Save();
  }
  auto fresh = Other()->GetFolderFromPath(kContactsPath)->GetItems();
  ASSERT_EQ(fresh->Count(), 605);
  for (std::int32_t i = 6; i <= 605; ++i) {
    ASSERT_EQ(FirstName(*fresh->GetItem(i)), "n" + std::to_string(i - 6)) << "position " << i;
  }
  for (std::int32_t i = 605; i >= 6; i -= 1) {
    ASSERT_EQ(FirstName(*fresh->GetItem(i)), "n" + std::to_string(i - 6)) << "position " << i;
  }
  EXPECT_EQ(FirstName(*fresh->GetItem(300)), "n294");
  EXPECT_EQ(FirstName(*fresh->GetItem(300)), "n294") << "read twice";
}

TEST_F(StoreItemsTest, ReadAheadNeverServesStaleRows) {
  auto items = contacts_->GetItems();
  EXPECT_EQ(FirstName(*items->GetItem(1)), "One");  // reads the following rows ahead
  auto two = items->Find("EntryID = '" + items->GetItem(2)->EntryID() + "'");
  two->SetProperty("FirstName", std::string("Deux"));
  two->Save();
  EXPECT_EQ(FirstName(*items->GetItem(2)), "Deux");

  EXPECT_EQ(FirstName(*contacts_->GetItems()->GetItem(3)), "Three");
  auto other = Other()->GetFolderFromPath(kContactsPath)->GetItems();
  auto four = other->GetItem(4);
  four->SetProperty("FirstName", std::string("Quatre"));
  four->Save();
  EXPECT_EQ(FirstName(*contacts_->GetItems()->GetItem(4)), "Quatre");
}

TEST_F(StoreItemsTest, RemovedLastItemIsNeverServedInPlaceOfANewOne) {
  auto items = contacts_->GetItems();
  EXPECT_EQ(FirstName(*items->GetItem(4)), "Four");  // reads the last one ahead
  items->Remove(5);
  auto fresh = items->Add("IPM.Contact");
  fresh->SetProperty("FirstName", std::string("New"));
  fresh->Save();
  EXPECT_EQ(FirstName(*items->GetItem(5)), "New");
  EXPECT_EQ(items->GetItem(5)->EntryID(), fresh->EntryID());
}

}  // namespace
}  // namespace tovask::outlook
