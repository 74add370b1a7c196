// Fault points in the profile make the named operation raise; read-only
// stores refuse every write.
#include <gtest/gtest.h>

#include <functional>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "outlook/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::TestProfile;

constexpr char kFaulty[] =
    R"({"stores": [{"name": "P", "faults": ["read:Name"], "root": {"folders": [
  {"name": "Path", "faults": ["path"]},
  {"name": "Type", "faults": ["type"]},
  {"name": "Sub", "faults": ["subfolders"]},
  {"name": "ItemList", "faults": ["items"]},
  {"name": "NoAdd", "faults": ["addFolder"]},
  {"name": "Named", "faults": ["read:Name"]},
  {"name": "NoSave", "type": 2, "faults": ["save"], "items": [{"class": "IPM.Contact"}]},
  {"name": "NoCopy", "type": 2, "faults": ["copy"]},
  {"name": "NoRemove", "type": 2, "faults": ["remove"], "items": [{"class": "IPM.Contact"}]},
  {"name": "C", "type": 2, "items": [
    {"class": "IPM.Contact", "faults": ["read:FirstName"]},
    {"class": "IPM.Contact", "faults": ["WRITE:firstname"]},
    {"class": "IPM.Contact", "faults": ["save"]},
    {"class": "IPM.Contact", "faults": ["copy"]},
    {"class": "IPM.Contact", "faults": ["remove"]},
    {"class": "IPM.Contact", "faults": ["type"]},
    {"class": "IPM.Contact", "faults": ["read:EntryID"]},
    {"class": "IPM.Contact"}]},
  {"name": "Inbox", "items": [
    {"class": "IPM.Note", "sender": {"address": "a@x"}, "faults": ["sender"]},
    {"class": "IPM.Note", "sender": {"address": "b@x", "faults": ["read:Address", "read:SMTPAddress"]}},
    {"class": "IPM.Note", "faults": ["read:Subject", "read:LastModificationTime"]}]}]}}]})";

class StoreFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { session_->Logon(); }
  std::unique_ptr<Folder> At(const std::string& path) {
    return session_->GetFolderFromPath("\\\\P" + path);
  }
  std::unique_ptr<Item> ItemAt(const std::string& path, int position) {
    return At(path)->GetItems()->GetItem(position);
  }
  TestProfile profile_{kFaulty};
  std::unique_ptr<Session> session_ = CreateSession();
};

TEST_F(StoreFaultsTest, EveryFaultPointRaises) {
  struct Row {
    const char* name;
    const char* fault;
    std::function<void()> action;
  };
  const std::vector<Row> rows = {
      {"store name", "read:Name", [&] { session_->Stores()[0]->Name(); }},
      {"folder path", "path", [&] { At("\\Path")->FolderPath(); }},
      {"folder type", "type", [&] { At("\\Type")->DefaultItemType(); }},
      {"subfolders", "subfolders", [&] { At("\\Sub")->GetFolders(); }},
      {"items", "items", [&] { At("\\ItemList")->GetItems(); }},
      {"add folder", "addFolder", [&] { At("\\NoAdd")->GetFolders()->Add("X", kFolderContacts); }},
      {"folder name", "read:Name", [&] { At("\\Named")->Name(); }},
      {"save into folder", "save", [&] { ItemAt("\\NoSave", 1)->Save(); }},
      {"new item into folder", "save",
       [&] { At("\\NoSave")->GetItems()->Add("IPM.Contact")->Save(); }},
      {"copy into folder", "copy", [&] { ItemAt("\\C", 8)->CopyTo(*At("\\NoCopy")); }},
      {"remove from folder", "remove", [&] { At("\\NoRemove")->GetItems()->Remove(1); }},
      {"read property", "read:FirstName", [&] { ItemAt("\\C", 1)->GetProperty("firstname"); }},
      {"write property", "write:FirstName",
       [&] { ItemAt("\\C", 2)->SetProperty("FirstName", std::string("x")); }},
      {"item save", "save", [&] { ItemAt("\\C", 3)->Save(); }},
      {"item copy", "copy", [&] { ItemAt("\\C", 4)->CopyTo(*At("\\C")); }},
      {"item remove", "remove", [&] { At("\\C")->GetItems()->Remove(5); }},
      {"kind name", "type", [&] { ItemAt("\\C", 6)->KindName(); }},
      {"entry id", "read:EntryID", [&] { ItemAt("\\C", 7)->EntryID(); }},
      {"entry id by name", "read:EntryID", [&] { ItemAt("\\C", 7)->GetProperty("EntryID"); }},
      {"sender", "sender", [&] { ItemAt("\\Inbox", 1)->Sender(); }},
      {"sender address", "read:Address", [&] { ItemAt("\\Inbox", 2)->Sender()->Address(); }},
      {"sender smtp address", "read:SMTPAddress",
       [&] { ItemAt("\\Inbox", 2)->Sender()->SMTPAddress(); }},
      {"subject", "read:Subject", [&] { ItemAt("\\Inbox", 3)->Subject(); }},
      {"modification time", "read:LastModificationTime",
       [&] { ItemAt("\\Inbox", 3)->LastModificationTime(); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      row.action();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.source(), kStoreSource);
      EXPECT_EQ(failure.number(), kCallFailed);
      EXPECT_NE(failure.description().find(std::string("Fault '") + row.fault + "'"),
                std::string::npos)
          << failure.description();
    }
  }
}

TEST_F(StoreFaultsTest, FaultsTouchOnlyTheirOperation) {
  EXPECT_EQ(At("\\Path")->Name(), "Path");
  EXPECT_EQ(At("\\Type")->FolderPath(), "\\\\P\\Type");
  EXPECT_EQ(ItemAt("\\C", 1)->GetProperty("LastName"), Value(std::string()));
  auto writable = ItemAt("\\C", 1);
  writable->SetProperty("FirstName", std::string("Anna"));
  writable->Save();
  EXPECT_EQ(ItemAt("\\C", 2)->GetProperty("FirstName"), Value(std::string()));
  EXPECT_EQ(ItemAt("\\C", 6)->EntryID().size(), 48u);
  auto sender = ItemAt("\\Inbox", 2)->Sender();
  ASSERT_NE(sender, nullptr);
  EXPECT_EQ(sender->Name(), "");
  EXPECT_EQ(ItemAt("\\Inbox", 1)->Subject(), "");
  EXPECT_EQ(At("\\C")->GetItems()->Count(), 8) << "failed removals removed nothing";
}

TEST(StoreLogonFaultTest, ALogonFaultOnAnyStoreFailsTheLogon) {
  TestProfile profile(R"({"stores": [{"name": "Good"}, {"name": "Bad", "faults": ["logon"]}]})");
  auto session = CreateSession();
  try {
    session->Logon();
    ADD_FAILURE() << "logged on";
  } catch (const Failure& failure) {
    EXPECT_NE(failure.description().find("Fault 'logon'"), std::string::npos)
        << failure.description();
  }
  EXPECT_THROW(session->Stores(), Failure);
}

TEST(StoreReadOnlyTest, EveryWriteRaisesAndNothingChanges) {
  TestProfile profile(R"({"stores": [
    {"name": "Writable", "root": {"folders": [{"name": "C", "type": 2, "items": [{"class": "IPM.Contact"}]}]}},
    {"name": "Archive", "readOnly": true, "root": {"folders": [
      {"name": "C", "type": 2, "items": [{"class": "IPM.Contact", "props": {"FirstName": "Old"}}]}]}}]})");
  std::string before = profile.Dump();
  auto session = CreateSession();
  session->Logon();
  auto archived = [&] { return session->GetFolderFromPath("\\\\Archive\\C"); };
  struct Row {
    const char* name;
    std::function<void()> action;
  };
  const std::vector<Row> rows = {
      {"set property",
       [&] { archived()->GetItems()->GetItem(1)->SetProperty("FirstName", std::string("x")); }},
      {"save", [&] { archived()->GetItems()->GetItem(1)->Save(); }},
      {"save new", [&] { archived()->GetItems()->Add("IPM.Contact")->Save(); }},
      {"remove", [&] { archived()->GetItems()->Remove(1); }},
      {"add folder", [&] { archived()->GetFolders()->Add("New", kFolderContacts); }},
      {"copy into",
       [&] {
         session->GetFolderFromPath("\\\\Writable\\C")->GetItems()->GetItem(1)->CopyTo(*archived());
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      row.action();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kNoAccess) << failure.what();
    }
  }
  EXPECT_EQ(profile.Dump(), before);
  // Reading and copying out of it still work.
  auto item = archived()->GetItems()->GetItem(1);
  EXPECT_EQ(item->GetProperty("FirstName"), Value(std::string("Old")));
  item->CopyTo(*session->GetFolderFromPath("\\\\Writable\\C"));
  EXPECT_EQ(session->GetFolderFromPath("\\\\Writable\\C")->GetItems()->Count(), 2);
}

}  // namespace
}  // namespace tovask::outlook
