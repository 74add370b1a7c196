// Folder paths, look-up by path, the folder tree and logging on.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "outlook/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::TestProfile;

constexpr char kTree[] = R"({"stores": [
  {"name": "Personal Folders", "root": {"type": 0, "folders": [
    {"name": "Contacts", "type": 2, "folders": [{"name": "Ärzte", "type": 2}]},
    {"name": "A\\B", "type": 0},
    {"name": "Inbox", "type": 0}]}},
  {"name": "Archive", "readOnly": true, "root": {"type": 0}}]})";

class StorePathsTest : public ::testing::Test {
 protected:
  void SetUp() override { session_->Logon(); }
  TestProfile profile_{kTree};
  std::unique_ptr<Session> session_ = CreateSession();
};

TEST_F(StorePathsTest, FindsFoldersByPathWithoutRegardToCase) {
  struct Row {
    const char* path;
    const char* folderPath;  // nullptr: raises not found
  };
  const Row rows[] = {
      {"\\\\Personal Folders", "\\\\Personal Folders"},
      {"\\\\personal folders\\CONTACTS", "\\\\Personal Folders\\Contacts"},
      {"\\\\Personal Folders\\Contacts\\ärzte", "\\\\Personal Folders\\Contacts\\Ärzte"},
      {"\\\\Personal Folders\\Contacts\\", "\\\\Personal Folders\\Contacts"},
      {"\\\\Personal Folders\\A%5CB", "\\\\Personal Folders\\A%5CB"},
      {"\\\\Personal Folders\\a%5cb", "\\\\Personal Folders\\A%5CB"},
      {"\\\\Archive", "\\\\Archive"},
      {"\\\\Personal Folders\\Missing", nullptr},
      {"\\\\Personal Folders\\A\\B", nullptr},
      {"\\\\Nowhere\\Contacts", nullptr},
      {"Personal Folders\\Contacts", nullptr},
      {"\\\\Personal Folders\\\\Contacts", nullptr},
      {"", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    if (row.folderPath == nullptr) {
      try {
        session_->GetFolderFromPath(row.path);
        ADD_FAILURE() << "no failure";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), kNotFound);
        EXPECT_EQ(failure.source(), kStoreSource);
      }
      continue;
    }
    EXPECT_EQ(session_->GetFolderFromPath(row.path)->FolderPath(), row.folderPath);
  }
}

TEST_F(StorePathsTest, WalksStoresAndSubfoldersInOrder) {
  auto stores = session_->Stores();
  ASSERT_EQ(stores.size(), 2u);
  EXPECT_EQ(stores[0]->Name(), "Personal Folders");
  EXPECT_EQ(stores[1]->Name(), "Archive");
  auto root = stores[0]->RootFolder();
  EXPECT_EQ(root->Name(), "Personal Folders");
  EXPECT_EQ(root->Parent(), nullptr);
  auto subfolders = root->GetFolders();
  ASSERT_EQ(subfolders->Count(), 3);
  EXPECT_EQ(subfolders->GetFolder(1)->Name(), "Contacts");
  EXPECT_EQ(subfolders->GetFolder(1)->DefaultItemType(), kContactItem);
  EXPECT_EQ(subfolders->GetFolder(2)->Name(), "A\\B");
  EXPECT_EQ(subfolders->GetFolder(3)->Name(), "Inbox");
  EXPECT_THROW(subfolders->GetFolder(4), Failure);
  EXPECT_THROW(subfolders->GetFolder(0), Failure);
  auto doctors = session_->GetFolderFromPath("\\\\Personal Folders\\Contacts\\Ärzte");
  EXPECT_EQ(doctors->Parent()->FolderPath(), "\\\\Personal Folders\\Contacts");
  EXPECT_EQ(doctors->Parent()->Parent()->Parent(), nullptr);
}

TEST_F(StorePathsTest, AddsSubfoldersOfEachTypeAndRefusesTakenNames) {
  struct Row {
    const char* name;
    int folderType;
    int itemType;
  };
  const Row rows[] = {{"Backup", kFolderContacts, kContactItem},
                      {"Mail", kFolderInbox, kMailItem},
                      {"Calendar", kFolderCalendar, kAppointmentItem},
                      {"Tasks", kFolderTasks, kTaskItem},
                      {"Notes", kFolderNotes, kNoteItem},
                      {"Journal", kFolderJournal, kJournalItem}};
  auto contacts = session_->GetFolderFromPath("\\\\Personal Folders\\Contacts");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto added = contacts->GetFolders()->Add(row.name, row.folderType);
    EXPECT_EQ(added->DefaultItemType(), row.itemType);
    EXPECT_EQ(added->FolderPath(), std::string("\\\\Personal Folders\\Contacts\\") + row.name);
  }
  EXPECT_EQ(contacts->GetFolders()->Count(), 7);
  EXPECT_EQ(contacts->GetFolders()->GetFolder(7)->Name(), "Journal");

  try {
    contacts->GetFolders()->Add("BACKUP", kFolderContacts);
    ADD_FAILURE() << "a taken name was accepted";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kCollision);
  }
  EXPECT_THROW(contacts->GetFolders()->Add("Other", 99), Failure);
  EXPECT_THROW(contacts->GetFolders()->Add("", kFolderContacts), Failure);

  // A second session sees the folders added by the first.
  auto other = CreateSession();
  other->Logon();
  EXPECT_EQ(other->GetFolderFromPath("\\\\personal folders\\contacts\\backup")->DefaultItemType(),
            kContactItem);
}

TEST_F(StorePathsTest, SeesFoldersAddedByAnotherSessionAtTheNextLookUp) {
  auto other = CreateSession();
  other->Logon();
  auto root = session_->GetFolderFromPath("\\\\Personal Folders");
  EXPECT_EQ(root->GetFolders()->Count(), 3);
  other->GetFolderFromPath("\\\\Personal Folders")->GetFolders()->Add("Later", kFolderInbox);
  EXPECT_EQ(root->GetFolders()->Count(), 4);
  EXPECT_EQ(session_->GetFolderFromPath("\\\\Personal Folders\\Later")->Name(), "Later");
}

TEST(StoreLogonTest, MissingProfileAndCallsBeforeLogonRaise) {
  tovask::testing::TempDir dir;
  std::string missing = dir.File("none.db");
  setenv("TOVASK_PROFILE", missing.c_str(), 1);
  auto session = CreateSession();
  try {
    session->Logon();
    ADD_FAILURE() << "a missing profile was opened";
  } catch (const Failure& failure) {
    EXPECT_NE(failure.description().find(missing), std::string::npos) << failure.description();
  }
  EXPECT_FALSE(std::filesystem::exists(missing)) << "log-on must not create the profile";
  EXPECT_THROW(session->GetFolderFromPath("\\\\Personal Folders"), Failure);
  EXPECT_THROW(session->Stores(), Failure);

  tovask::testing::WriteFile(missing, "not a profile at all, just text\n");
  try {
    session->Logon();
    ADD_FAILURE() << "a text file was opened as a profile";
  } catch (const Failure& failure) {
    EXPECT_NE(std::string(failure.what()).find("database"), std::string::npos) << failure.what();
  }
  unsetenv("TOVASK_PROFILE");
}

TEST(StoreLogonTest, DefaultProfileLocation) {
  struct Row {
    const char* name;
    const char* profile;
    const char* dataHome;
    const char* expected;
  };
  const Row rows[] = {
      {"explicit file", "/x/p.db", "/data", "/x/p.db"},
      {"data home", nullptr, "/data", "/data/tovask/profile.db"},
      {"home", nullptr, nullptr, "/home/anna/.local/share/tovask/profile.db"},
  };
  // The variables are put back as they were, whatever the rows do.
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  } saved[] = {{"TOVASK_PROFILE", {}}, {"XDG_DATA_HOME", {}}, {"HOME", {}}};
  for (auto& variable : saved) {
    if (const char* value = std::getenv(variable.name)) variable.value = value;
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.profile ? setenv("TOVASK_PROFILE", row.profile, 1) : unsetenv("TOVASK_PROFILE");
    row.dataHome ? setenv("XDG_DATA_HOME", row.dataHome, 1) : unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/anna", 1);
    auto session = CreateSession();
    try {
      session->Logon();
      ADD_FAILURE() << "opened a profile that is not there";
    } catch (const Failure& failure) {
      EXPECT_NE(failure.description().find(row.expected), std::string::npos)
          << failure.description();
    }
  }
  for (const auto& variable : saved) {
    variable.value ? setenv(variable.name, variable.value->c_str(), 1) : unsetenv(variable.name);
  }
}

}  // namespace
}  // namespace tovask::outlook
