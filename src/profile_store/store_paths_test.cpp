#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;
using tovask::testing::RaisedBy;
using tovask::testing::ScopedEnv;
using tovask::testing::TestProfile;

class StorePathsTest : public ::testing::Test {
 protected:
  TestProfile profile_{R"({"stores": [
    {"name": "Personal Folders", "root": {"type": 0, "folders": [
      {"name": "Contacts", "type": 2, "folders": [{"name": "Ärzte", "type": 2}]},
      {"name": "A\\B", "type": 0},
      {"name": "Inbox", "type": 0}]}},
    {"name": "Archive", "readOnly": true, "root": {"type": 0}}]})"};
  std::unique_ptr<Session> session_ = LogOn();
};

TEST_F(StorePathsTest, FindsFoldersByPathWithoutRegardToCase) {
  const std::pair<const char*, const char*> rows[] = {
      // path asked for, path of the folder found (nullptr: raises not found)
      {"\\\\Personal Folders", "\\\\Personal Folders"},
      {"\\\\personal folders\\CONTACTS", "\\\\Personal Folders\\Contacts"},
      {"\\\\Personal Folders\\Contacts\\ärzte", "\\\\Personal Folders\\Contacts\\Ärzte"},
      {"\\\\Personal Folders\\Contacts\\", "\\\\Personal Folders\\Contacts"},
      {"\\\\Personal Folders\\A%5CB", "\\\\Personal Folders\\A%5CB"},
      {"\\\\Personal Folders\\a%5cb", "\\\\Personal Folders\\A%5CB"},
      {"\\\\archive", "\\\\Archive"},
      {"\\\\Personal Folders\\Missing", nullptr},
      {"\\\\Personal Folders\\A\\B", nullptr},
      {"\\\\Nowhere\\Contacts", nullptr},
      {"Personal Folders\\Contacts", nullptr},
      {"\\\\Personal Folders\\\\Contacts", nullptr},
      {"", nullptr},
  };
  for (const auto& [path, found] : rows) {
    SCOPED_TRACE(path);
    if (found != nullptr) {
      EXPECT_EQ(session_->GetFolderFromPath(path)->FolderPath(), found);
      continue;
    }
    Failure failure = RaisedBy([&] { session_->GetFolderFromPath(path); });
    EXPECT_EQ(failure.number(), kNotFound);
    EXPECT_EQ(failure.source(), kStoreSource);
  }
}

// The order of stores and subfolders shows in every listing; here the edges.
TEST_F(StorePathsTest, SubfolderPositionsAndParents) {
  auto subfolders = session_->Stores()[0]->RootFolder()->GetFolders();
  ASSERT_EQ(subfolders->Count(), 3);
  EXPECT_THROW(subfolders->GetFolder(4), Failure);
  EXPECT_THROW(subfolders->GetFolder(0), Failure);
  auto doctors = subfolders->GetFolder(1)->GetFolders()->GetFolder(1);
  EXPECT_EQ(doctors->Parent()->Parent()->FolderPath(), "\\\\Personal Folders");
  EXPECT_EQ(doctors->Parent()->Parent()->Parent(), nullptr);
}

TEST_F(StorePathsTest, AddsSubfoldersOfEachTypeAndRefusesTakenNames) {
  const std::tuple<const char*, int, int> rows[] = {
      // name, folder type asked for, default item type of the folder
      {"Backup", kFolderContacts, kContactItem},
      {"Mail", kFolderInbox, kMailItem},
      {"Calendar", kFolderCalendar, kAppointmentItem},
      {"Tasks", kFolderTasks, kTaskItem},
      {"Notes", kFolderNotes, kNoteItem},
      {"Journal", kFolderJournal, kJournalItem},
  };
  auto contacts = session_->GetFolderFromPath("\\\\Personal Folders\\Contacts");
  for (const auto& [name, folderType, itemType] : rows) {
    SCOPED_TRACE(name);
    auto added = contacts->GetFolders()->Add(name, folderType);
    EXPECT_EQ(added->DefaultItemType(), itemType);
    EXPECT_EQ(added->FolderPath(), std::string("\\\\Personal Folders\\Contacts\\") + name);
  }
  EXPECT_EQ(contacts->GetFolders()->Count(), 7);
  EXPECT_EQ(contacts->GetFolders()->GetFolder(7)->Name(), "Journal");
  EXPECT_EQ(RaisedBy([&] { contacts->GetFolders()->Add("BACKUP", kFolderContacts); }).number(),
            kCollision);
  EXPECT_THROW(contacts->GetFolders()->Add("Other", 99), Failure);
  EXPECT_THROW(contacts->GetFolders()->Add("", kFolderContacts), Failure);

  // Another session sees the new folders, and adds one that an object held
  // here sees at its next look-up.
  auto other = LogOn();
  EXPECT_EQ(other->GetFolderFromPath("\\\\personal folders\\contacts\\backup")->DefaultItemType(),
            kContactItem);
  auto root = session_->GetFolderFromPath("\\\\Personal Folders");
  EXPECT_EQ(root->GetFolders()->Count(), 3);
  other->GetFolderFromPath("\\\\Personal Folders")->GetFolders()->Add("Later", kFolderInbox);
  EXPECT_EQ(root->GetFolders()->Count(), 4);
}

// Real profiles hold data files of one display name, and folders of one
// name side by side.
TEST(StoreNamesTest, EqualNamesResolveToTheFirstInTheProfilesOrder) {
  TestProfile profile(R"({"stores": [
    {"name": "Mail", "root": {"folders": [
      {"name": "Inbox"}, {"name": "inbox", "type": 2}, {"name": "INBOX", "folders": [{"name": "Deep"}]}]}},
    {"name": "mail", "root": {"folders": [{"name": "Other"}]}},
    {"name": "Mail", "root": {"type": 2}}]})");
  auto session = LogOn();
  std::vector<std::string> names;
  for (const auto& store : session->Stores()) names.push_back(store->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Mail", "mail", "Mail"}));
  EXPECT_EQ(session->Stores()[2]->RootFolder()->FolderPath(), "\\\\Mail");

  const std::pair<const char*, int> rows[] = {
      // path, default item type of the folder found (-1: raises not found)
      {"\\\\MAIL\\inbox", kMailItem},
      {"\\\\mail", kMailItem},
      {"\\\\mail\\Other", -1},        // only the first store of the name is looked in
      {"\\\\Mail\\Inbox\\Deep", -1},  // only the first folder of the name
  };
  for (const auto& [path, type] : rows) {
    SCOPED_TRACE(path);
    if (type >= 0) {
      EXPECT_EQ(session->GetFolderFromPath(path)->DefaultItemType(), type);
    } else {
      EXPECT_EQ(RaisedBy([&] { session->GetFolderFromPath(path); }).number(), kNotFound);
    }
  }
  // A new folder never adds a name that is there.
  auto root = session->GetFolderFromPath("\\\\Mail");
  EXPECT_EQ(RaisedBy([&] { root->GetFolders()->Add("Inbox", kFolderInbox); }).number(), kCollision);
  EXPECT_EQ(root->GetFolders()->Count(), 3);
}

TEST(StoreDepthTest, NoFolderIsAddedBelowTheDeepestLevel) {
  std::string chain, path = "\\\\P";
  for (int level = 1; level <= kMaxFolderDepth; ++level) {
    chain += R"({"name": "F", "folders": [)";
    path += "\\F";
  }
  for (int level = 1; level <= kMaxFolderDepth; ++level) chain += "]}";
  TestProfile profile(R"({"stores": [{"name": "P", "root": {"folders": [)" + chain + "]}}]}");
  auto session = LogOn();
  auto deepest = session->GetFolderFromPath(path);
  EXPECT_EQ(RaisedBy([&] { deepest->GetFolders()->Add("G", kFolderInbox); }).number(),
            kInvalidArgument);
  EXPECT_EQ(deepest->GetFolders()->Count(), 0);
  deepest->Parent()->GetFolders()->Add("G", kFolderInbox);  // one level up there is room
  EXPECT_EQ(deepest->Parent()->GetFolders()->Count(), 2);
}

TEST(StoreLogonTest, NamesTheProfileItLooksForAndCreatesNothing) {
  tovask::testing::TempDir dir;
  const std::string missing = dir.File("none.db"), dataHome = dir.File("data");
  ScopedEnv profile("TOVASK_PROFILE", nullptr), xdg("XDG_DATA_HOME", nullptr);
  ScopedEnv home("HOME", dir.path().c_str());
  struct Row {
    const char* profile;
    const char* dataHome;
    std::string expected;
  };
  const Row rows[] = {
      {missing.c_str(), dataHome.c_str(), missing},
      {nullptr, dataHome.c_str(), dataHome + "/tovask/profile.db"},
      {nullptr, nullptr, dir.File(".local/share/tovask/profile.db")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    profile.Set(row.profile);
    xdg.Set(row.dataHome);
    auto session = CreateSession();
    Failure failure = RaisedBy([&] { session->Logon(); });
    EXPECT_NE(failure.description().find(row.expected), std::string::npos) << failure.what();
    EXPECT_FALSE(std::filesystem::exists(row.expected));
  }
  profile.Set(missing.c_str());
  tovask::testing::WriteFile(missing, "not a profile at all, just text\n");
  std::string what = RaisedBy([] { LogOn(); }).what();
  EXPECT_NE(what.find("is not a tovask profile"), std::string::npos) << what;
  EXPECT_EQ(tovask::testing::ReadFile(missing), "not a profile at all, just text\n");
  // Nowhere to look: said so, rather than looked for below the root folder.
  profile.Set(nullptr);
  xdg.Set(nullptr);
  home.Set(nullptr);
  EXPECT_EQ(RaisedBy([] { LogOn(); }).description(),
            "No profile can be found: none of TOVASK_PROFILE, XDG_DATA_HOME and HOME is set");
}

}  // namespace
}  // namespace tovask::outlook
