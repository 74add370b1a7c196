// Change groups: a session's writes stored together at the commit, or not at
// all; each write inside still whole; writes outside a group each on their
// own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "profile_store/sqlite_connection.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;
using tovask::testing::NamesIn;
using tovask::testing::RaisedBy;
using tovask::testing::SaveContact;
using tovask::testing::TestProfile;
using Names = std::vector<std::string>;

constexpr char kContactsPath[] = "\\\\P\\Contacts";

class StoreChangesTest : public ::testing::Test {
 protected:
  // The contacts, or the names of the root's folders, as a session that
  // logs on now sees them.
  Names ContactsSeenByOthers() {
    return NamesIn(*LogOn()->GetFolderFromPath(kContactsPath)->GetItems());
  }
  Names FoldersSeenByOthers() {
    auto folders = LogOn()->GetFolderFromPath("\\\\P")->GetFolders();
    Names names;
    for (std::int32_t i = 1; i <= folders->Count(); ++i)
      names.push_back(folders->GetFolder(i)->Name());
    return names;
  }

  // Every kind of write once: an update, a new contact, a copy into a new
  // folder, a removal. Returns the new contact.
  std::unique_ptr<Item> WriteEachKind() {
    auto items = contacts_->GetItems();
    auto one = items->GetItem(1);
    one->SetProperty("FirstName", std::string("Uno"));
    one->Save();
    auto added = SaveContact(*items, "Four");
    auto backup =
        session_->GetFolderFromPath("\\\\P")->GetFolders()->Add("Backup", kFolderContacts);
    items->GetItem(2)->CopyTo(*backup);
    items->Remove(3);
    return added;
  }

  TestProfile profile_{R"({"stores": [{"name": "P", "root": {"folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "props": {"FirstName": "One"}},
      {"class": "IPM.Contact", "props": {"FirstName": "Two"}},
      {"class": "IPM.Contact", "props": {"FirstName": "Three"}}]},
    {"name": "Other", "type": 2}]}}]})"};
  std::unique_ptr<Session> session_ = LogOn();
  std::unique_ptr<Folder> contacts_ = session_->GetFolderFromPath(kContactsPath);
};

TEST_F(StoreChangesTest, AGroupIsSeenByItsSessionAtOnceAndByOthersOnlyWhenCommitted) {
  ChangeGroup changes(*session_);
  auto added = WriteEachKind();
  const std::string id = added->EntryID();
  EXPECT_EQ(id.size(), 48u);

  // The session itself: every write, including finds by the new identifier.
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"Uno", "Two", "Four"}));
  EXPECT_NE(contacts_->GetItems()->Find("EntryID = '" + id + "'"), nullptr);
  EXPECT_EQ(NamesIn(*session_->GetFolderFromPath("\\\\P\\Backup")->GetItems()), Names{"Two"});

  // Others: none of them, and reading never waits for the group.
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"One", "Two", "Three"}));
  EXPECT_EQ(FoldersSeenByOthers(), (Names{"Contacts", "Other"}));

  changes.Commit();
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"Uno", "Two", "Four"}));
  EXPECT_EQ(FoldersSeenByOthers(), (Names{"Contacts", "Other", "Backup"}));
  auto found =
      LogOn()->GetFolderFromPath(kContactsPath)->GetItems()->Find("EntryID = '" + id + "'");
  ASSERT_NE(found, nullptr);

  // After the group, each write is stored on its own again.
  added->SetProperty("FirstName", std::string("Quattro"));
  added->Save();
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"Uno", "Two", "Quattro"}));
}

TEST_F(StoreChangesTest, AFailureThatEscapesAGroupLeavesTheProfileAsItWas) {
  const std::string before = profile_.Dump();
  std::unique_ptr<Item> added, readInGroup;
  std::string id;
  try {
    ChangeGroup changes(*session_);
    added = WriteEachKind();
    id = added->EntryID();
    readInGroup = contacts_->GetItems()->GetItem(1);
    throw std::runtime_error("the run ends");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(profile_.Dump(), before);

  // The session sees the profile as it was again, also when another
  // session's writes have since brought the folder to the version it had
  // in the group (one contact added, one removed).
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"One", "Two", "Three"}));
  EXPECT_EQ(RaisedBy([&] { session_->GetFolderFromPath("\\\\P\\Backup"); }).number(), kNotFound);
  try {
    ChangeGroup again(*session_);
    SaveContact(*contacts_->GetItems(), "Undone");
    contacts_->GetItems()->Remove(2);
    throw std::runtime_error("the run ends");
  } catch (const std::runtime_error&) {
  }
  auto other = LogOn()->GetFolderFromPath(kContactsPath)->GetItems();
  auto successor = SaveContact(*other, "Successor");
  other->Remove(1);
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"Two", "Three", "Successor"}));

  // Objects of an undone group write nothing, not even over the item that
  // took the undone one's place and identifier.
  EXPECT_EQ(successor->EntryID(), id);
  added->SetProperty("FirstName", std::string("Ghost"));
  EXPECT_EQ(RaisedBy([&] { added->Save(); }).number(), kNotFound);
  EXPECT_EQ(RaisedBy([&] { readInGroup->CopyTo(*contacts_); }).number(), kNotFound);
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"Two", "Three", "Successor"}));

  // An explicit rollback does the same; without a group it does nothing.
  session_->BeginChanges();
  SaveContact(*contacts_->GetItems(), "Gone");
  session_->RollbackChanges();
  session_->RollbackChanges();
  EXPECT_EQ(NamesIn(*contacts_->GetItems()), (Names{"Two", "Three", "Successor"}));
}

TEST_F(StoreChangesTest, AWriteThatFailsInsideAGroupUndoesOnlyItself) {
  auto items = contacts_->GetItems();
  auto three = items->GetItem(3);
  ChangeGroup changes(*session_);
  SaveContact(*items, "Four");
  auto root = session_->GetFolderFromPath("\\\\P")->GetFolders();
  EXPECT_EQ(RaisedBy([&] { root->Add("contacts", kFolderContacts); }).number(), kCollision);
  items->Remove(3);
  // Gone inside the group: its update fails after the write began.
  three->SetProperty("FirstName", std::string("Drei"));
  EXPECT_EQ(RaisedBy([&] { three->Save(); }).number(), kNotFound);
  SaveContact(*items, "Five");
  changes.Commit();
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"One", "Two", "Four", "Five"}));
  EXPECT_EQ(FoldersSeenByOthers(), (Names{"Contacts", "Other"}));
}

TEST_F(StoreChangesTest, GroupsAreRefusedWhereTheyCannotBe) {
  struct Row {
    const char* what;
    std::function<void()> action;
    std::int32_t number;
  };
  auto snapshot = CreateSession(SessionMode::kSnapshot);
  snapshot->Logon();
  auto notLoggedOn = CreateSession();
  const Row rows[] = {
      {"commit without a group", [&] { session_->CommitChanges(); }, kCallFailed},
      {"a snapshot session", [&] { snapshot->BeginChanges(); }, kNoAccess},
      {"before the log-on", [&] { notLoggedOn->BeginChanges(); }, kNotLoggedOn},
      {"a group in a group",
       [&] {
         ChangeGroup outer(*session_);
         session_->BeginChanges();
       },
       kCallFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(RaisedBy(row.action).number(), row.number);
  }
  // The outer group ended with its scope: nothing is open.
  EXPECT_EQ(RaisedBy([&] { session_->CommitChanges(); }).number(), kCallFailed);
  SaveContact(*contacts_->GetItems(), "Four");
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"One", "Two", "Three", "Four"}));
}

// An import into another folder waits for the group (its busy timeout),
// then goes ahead; the group's writes and its own are both kept.
TEST_F(StoreChangesTest, AnImportIntoAnotherFolderWaitsForTheGroupThenProceeds) {
  tovask::testing::TempDir dir;
  const std::string input = dir.File("in.xml"), feedback = dir.File("feedback.xml");
  tovask::testing::WriteFile(input,
                             "<?xml version=\"1.0\"?><olcontacts><contact id=\"1\">"
                             "<FirstName>Theirs</FirstName></contact></olcontacts>");
  ChangeGroup changes(*session_);
  SaveContact(*contacts_->GetItems(), "Mine");
  // A program of its own: a forked copy of this process would share the
  // group's lock bookkeeping.
  const pid_t importer = fork();
  if (importer == 0) {
    execl(TOVASK_BINARY, "tovask", "-i", "0", "\\\\P\\Other", input.c_str(), feedback.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Time for the import to reach the lock; it cannot get past it.
  usleep(300 * 1000);
  int status = 0;
  EXPECT_EQ(waitpid(importer, &status, WNOHANG), 0) << "the import did not wait";
  changes.Commit();
  ASSERT_EQ(waitpid(importer, &status, 0), importer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ContactsSeenByOthers(), (Names{"One", "Two", "Three", "Mine"}));
  EXPECT_EQ(NamesIn(*LogOn()->GetFolderFromPath("\\\\P\\Other")->GetItems()), Names{"Theirs"});
}

// SQLite itself may end a transaction on a failure (a full disk); from then
// on nothing may be written, since it would be stored one write at a time.
TEST_F(StoreChangesTest, AHeldTransactionSQLiteEndedStoresNothingMore) {
  SqliteConnection connection(profile_.path(), false);
  Statement insert(connection.db(), "INSERT INTO meta(key, value) VALUES (?1, 'x')");
  connection.BeginHeld();
  {
    WriteTransaction write(connection);
    insert.Bind(1, "first", true).Run();
    write.Commit();
  }
  connection.Exec("ROLLBACK");  // as SQLite does on such a failure
  EXPECT_THROW(WriteTransaction{connection}, Failure);
  EXPECT_THROW(WriteTransaction{connection}, Failure) << "and again";
  EXPECT_THROW(connection.CommitHeld(), Failure);
  EXPECT_FALSE(connection.holdsWrite());
  Statement count(connection.db(), "SELECT count(*) FROM meta WHERE key = 'first'");
  ASSERT_TRUE(count.Step());
  EXPECT_EQ(count.Int(0), 0);
}

}  // namespace
}  // namespace tovask::outlook
