// Fault points in the profile make the named operation raise; read-only
// stores refuse every write.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <tuple>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;
using tovask::testing::RaisedBy;
using tovask::testing::TestProfile;

// Each on a contact folder of its own, named after the fault, holding one contact.
constexpr const char* kFolderFaults[] = {"path",      "type", "subfolders", "items", "addFolder",
                                         "read:Name", "save", "copy",       "remove"};
// Each on a contact of its own in \\P\C, in this order; a last contact has none.
constexpr const char* kItemFaults[] = {
    "read:FirstName", "WRITE:firstname", "save", "copy", "remove", "type", "read:EntryID"};

std::string FaultyProfile() {
  std::string folders, contacts;
  for (std::string fault : kFolderFaults) {
    folders += R"({"name": ")" + fault + R"(", "type": 2, "faults": [")" + fault +
               R"("], "items": [{"class": "IPM.Contact"}]}, )";
  }
  for (std::string fault : kItemFaults) {
    contacts += R"({"class": "IPM.Contact", "faults": [")" + fault + R"("]}, )";
  }
  return R"({"stores": [{"name": "P", "faults": ["read:Name"], "root": {"folders": [)" + folders +
         R"({"name": "C", "type": 2, "items": [)" + contacts + R"({"class": "IPM.Contact"}]},
    {"name": "Inbox", "items": [
      {"class": "IPM.Note", "sender": {"address": "a@x"}, "faults": ["sender"]},
      {"class": "IPM.Note", "sender": {"address": "b@x", "faults": ["read:Address"]}},
      {"class": "IPM.Note", "faults": ["read:Subject", "read:LastModificationTime"]}]}]}},
    {"name": "Archive", "readOnly": true, "root": {"items": [
      {"class": "IPM.Contact", "props": {"FirstName": "Old"}}]}}]})";
}

class StoreFaultsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Folder> At(const std::string& name) {
    return session_->GetFolderFromPath("\\\\P\\" + name);
  }
  std::unique_ptr<Item> ItemAt(const std::string& folder, int position) {
    return At(folder)->GetItems()->GetItem(position);
  }
  // The position in \\P\C of the contact that carries the fault (or of the clean one).
  static int PositionOf(std::string_view fault) {
    return static_cast<int>(std::ranges::find(kItemFaults, fault) - std::begin(kItemFaults)) + 1;
  }
  std::unique_ptr<Item> ContactWith(std::string_view fault) {
    return ItemAt("C", PositionOf(fault));
  }
  TestProfile profile_{FaultyProfile()};
  std::unique_ptr<Session> session_ = LogOn();
};

TEST_F(StoreFaultsTest, EveryFaultPointRaises) {
  const std::vector<std::pair<const char*, std::function<void()>>> rows = {
      {"read:Name", [&] { session_->Stores()[0]->Name(); }},
      {"path", [&] { At("path")->FolderPath(); }},
      {"type", [&] { At("type")->DefaultItemType(); }},
      {"subfolders", [&] { At("subfolders")->GetFolders(); }},
      {"items", [&] { At("items")->GetItems(); }},
      {"addFolder", [&] { At("addFolder")->GetFolders()->Add("X", kFolderContacts); }},
      {"read:Name", [&] { At("read:Name")->Name(); }},
      {"save", [&] { ItemAt("save", 1)->Save(); }},
      {"copy", [&] { ContactWith("none")->CopyTo(*At("copy")); }},
      {"remove", [&] { At("remove")->GetItems()->Remove(1); }},
      {"read:FirstName", [&] { ContactWith("read:FirstName")->GetProperty("firstname"); }},
      {"write:FirstName",
       [&] { ContactWith("WRITE:firstname")->SetProperty("FirstName", std::string("x")); }},
      {"save", [&] { ContactWith("save")->Save(); }},
      {"copy", [&] { ContactWith("copy")->CopyTo(*At("C")); }},
      {"remove", [&] { At("C")->GetItems()->Remove(PositionOf("remove")); }},
      {"type", [&] { ContactWith("type")->KindName(); }},
      {"read:EntryID", [&] { ContactWith("read:EntryID")->EntryID(); }},
      {"sender", [&] { ItemAt("Inbox", 1)->Sender(); }},
      {"read:Address", [&] { ItemAt("Inbox", 2)->Sender()->Address(); }},
      {"read:Subject", [&] { ItemAt("Inbox", 3)->Subject(); }},
      {"read:LastModificationTime", [&] { ItemAt("Inbox", 3)->LastModificationTime(); }},
  };
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const auto& [fault, action] = rows[row];
    SCOPED_TRACE("row " + std::to_string(row) + ", " + fault);
    Failure failure = RaisedBy(action);
    EXPECT_EQ(failure.source(), kStoreSource);
    EXPECT_EQ(failure.number(), kCallFailed);
    EXPECT_NE(failure.description().find(std::string("Fault '") + fault + "'"), std::string::npos)
        << failure.description();
  }
  EXPECT_EQ(At("remove")->GetItems()->Count(), 1);
  EXPECT_EQ(At("C")->GetItems()->Count(), PositionOf("none")) << "failed removals removed nothing";
}

TEST_F(StoreFaultsTest, FaultsTouchOnlyTheirOperation) {
  EXPECT_EQ(At("path")->Name(), "path");
  EXPECT_EQ(At("type")->FolderPath(), "\\\\P\\type");
  EXPECT_EQ(ContactWith("read:FirstName")->GetProperty("LastName"), Value(std::string()));
  auto writable = ContactWith("read:FirstName");
  writable->SetProperty("FirstName", std::string("Anna"));
  writable->Save();
  EXPECT_EQ(ContactWith("WRITE:firstname")->GetProperty("FirstName"), Value(std::string()));
  EXPECT_EQ(ContactWith("type")->EntryID().size(), 48u);
  auto sender = ItemAt("Inbox", 2)->Sender();
  ASSERT_NE(sender, nullptr);
  EXPECT_EQ(sender->Name(), "");
  EXPECT_EQ(ItemAt("Inbox", 1)->Subject(), "");
  EXPECT_EQ(ItemAt("Inbox", 3)->Sender(), nullptr);
}

TEST(StoreLogonFaultTest, ALogonFaultOnAnyStoreFailsTheLogon) {
  TestProfile profile(R"({"stores": [{"name": "Good"}, {"name": "Bad", "faults": ["logon"]}]})");
  auto session = CreateSession();
  EXPECT_NE(RaisedBy([&] { session->Logon(); }).description().find("Fault 'logon'"),
            std::string::npos);
  EXPECT_THROW(session->Stores(), Failure);
}

TEST_F(StoreFaultsTest, AReadOnlyStoreOrSnapshotSessionRefusesEveryWriteAndChangesNothing) {
  std::string before = profile_.Dump();
  auto snapshot = CreateSession(SessionMode::kSnapshot);
  snapshot->Logon();
  // The folder written to, and the item written: on the read-only store;
  // then on a writable store, through a session that only reads.
  const std::tuple<const char*, Session*, std::unique_ptr<Folder>> targets[] = {
      {"read-only store", session_.get(), session_->GetFolderFromPath("\\\\Archive")},
      {"snapshot session", snapshot.get(), snapshot->GetFolderFromPath("\\\\P\\C")},
  };
  for (const auto& [where, session, folder] : targets) {
    SCOPED_TRACE(where);
    const std::vector<std::pair<const char*, std::function<void()>>> rows = {
        {"set property",
         [&] { folder->GetItems()->GetItem(1)->SetProperty("FirstName", std::string("x")); }},
        {"save", [&] { folder->GetItems()->GetItem(1)->Save(); }},
        {"add, before anything is written to the new item",
         [&] { folder->GetItems()->Add("IPM.Contact"); }},
        {"remove", [&] { folder->GetItems()->Remove(1); }},
        {"add folder", [&] { folder->GetFolders()->Add("New", kFolderContacts); }},
        {"copy into",
         [&] { session->GetFolderFromPath("\\\\P\\C")->GetItems()->GetItem(1)->CopyTo(*folder); }},
    };
    for (const auto& [name, action] : rows) {
      SCOPED_TRACE(name);
      EXPECT_EQ(RaisedBy(action).number(), kNoAccess);
    }
  }
  EXPECT_EQ(profile_.Dump(), before);
  auto item =
      std::get<2>(targets[0])->GetItems()->GetItem(1);  // reading and copying out still work
  EXPECT_EQ(item->GetProperty("FirstName"), Value(std::string("Old")));
  item->CopyTo(*At("C"));
  EXPECT_EQ(At("C")->GetItems()->Count(), PositionOf("none") + 1);
}

}  // namespace
}  // namespace tovask::outlook
