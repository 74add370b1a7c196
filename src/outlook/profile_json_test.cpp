// Loading and dumping whole profiles as JSON.
#include "outlook/profile_json.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "main/failure.h"
#include "main/test_support.h"
#include "outlook/outlook.h"
#include "outlook/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::TempDir;
using tovask::testing::TestProfile;

constexpr char kRich[] = R"({"stores": [
  {"name": "Personal Folders", "faults": [], "root": {"name": "Personal Folders", "type": 0, "folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "entryId": "0123456789abcdef0123456789abcdef0123456789abcdef",
       "created": "2020-01-02 03:04:05", "modified": "2021-02-03 04:05:06",
       "props": {"FirstName": "Anna", "lastname": "Smith \"Q\" \\ ü", "Birthday": "1980-05-01 00:00:00",
                 "Gender": 1, "HasPicture": true, "Journal": false, "Email1Address": "",
                 "Anniversary": "1899-12-30 00:00:00"},
       "faults": ["read:FirstName"]},
      {"class": "IPM.DistList", "props": {"Subject": "Team"}}],
     "folders": [{"name": "A\\B", "type": 2, "faults": ["items"]}]},
    {"name": "Inbox", "items": [
      {"class": "IPM.Note", "props": {"Subject": "Hi"}, "sender": {"name": "Bo", "address": "bo@x",
       "smtpAddress": "bo@x", "faults": ["read:Type"]}},
      {"class": "IPM.Note", "props": {"Subject": "Again"}, "sender": {"name": "Bo", "address": "bo@x",
       "smtpAddress": "bo@x", "faults": ["read:Type"]}},
      {"class": "IPM.Note", "sender": null}]}]}},
  {"name": "Archive", "readOnly": true}]})";

TEST(ProfileJsonTest, LoadDumpLoadDumpGivesTheSameDocument) {
  TempDir dir;
  std::string first = dir.File("sub/first.db");
  std::string second = dir.File("second.db");
  LoadProfile(first, kRich);
  std::string dumped = DumpProfile(first);
  LoadProfile(second, dumped);
  EXPECT_EQ(DumpProfile(second), dumped);
  LoadProfile(first, dumped);  // replaces, keeping nothing of before
  EXPECT_EQ(DumpProfile(first), dumped);

  for (const char* expected :
       {"\"entryId\": \"0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF\"",
        "\"created\": \"2020-01-02 03:04:05\"", "\"LastName\": \"Smith \\\"Q\\\" \\\\ ü\"",
        "\"Birthday\": \"1980-05-01 00:00:00\"", "\"Gender\": 1", "\"HasPicture\": true",
        "\"faults\": [\"read:FirstName\"]", "\"name\": \"A\\\\B\"", "\"readOnly\": true",
        "\"name\": \"Archive\""}) {
    EXPECT_NE(dumped.find(expected), std::string::npos) << expected << "\n" << dumped;
  }
  // Unset and cleared properties are left out, computed ones never written.
  for (const char* absent :
       {"Journal", "Email1Address", "Anniversary", "FullNameAndCompany", "MessageClass"}) {
    EXPECT_EQ(dumped.find(absent), std::string::npos) << absent;
  }
}

TEST(ProfileJsonTest, LoadedProfileReadsBackThroughTheSession) {
  TestProfile profile(kRich);
  auto session = CreateSession();
  session->Logon();
  auto inbox = session->GetFolderFromPath("\\\\Personal Folders\\Inbox")->GetItems();
  ASSERT_EQ(inbox->Count(), 3);
  auto sender = inbox->GetItem(2)->Sender();
  ASSERT_NE(sender, nullptr);
  EXPECT_EQ(sender->Name(), "Bo");
  EXPECT_EQ(sender->SMTPAddress(), "bo@x");
  EXPECT_EQ(sender->JobTitle(), "");
  EXPECT_THROW(sender->Type(), Failure);
  EXPECT_EQ(inbox->GetItem(3)->Sender(), nullptr);
  auto contact =
      session->GetFolderFromPath("\\\\Personal Folders\\Contacts")->GetItems()->GetItem(1);
  EXPECT_EQ(contact->EntryID(), "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(contact->GetProperty("Gender"), Value(std::int64_t{1}));
  EXPECT_EQ(contact->LastModificationTime(), *DateTime::FromParts(2021, 2, 3, 4, 5, 6));
  // Mails of one sender share one address entry.
  std::string dumped = profile.Dump();
  EXPECT_NE(dumped.find("\"Subject\": \"Again\"}, \"sender\": {\"name\": \"Bo\""),
            std::string::npos)
      << dumped;
}

TEST(ProfileJsonTest, RejectsADocumentWholeWithThePathOfTheFirstProblem) {
  struct Row {
    const char* document;
    const char* description;
  };
  const Row rows[] = {
      {"{", "$: not a JSON document"},
      {"[]", "$: not an object"},
      {R"({"store": []})", "$.store: unknown key"},
      {R"({"stores": {}})", "$.stores: not an array"},
      {R"({"stores": [{}]})", "$.stores[0]: a store needs a \"name\""},
      {R"({"stores": [{"name": ""}]})", "$.stores[0].name: empty"},
      {R"({"stores": [{"name": "A"}, {"name": "a"}]})",
       "$.stores[1].name: a store named 'a' exists already"},
      {R"({"stores": [{"name": "A", "readOnly": 1}]})", "$.stores[0].readOnly: not a boolean"},
      {R"({"stores": [{"name": "A", "root": {"name": "B"}}]})",
       "$.stores[0].root.name: a root folder is named"},
      {R"({"stores": [{"name": "A", "root": {"type": 7}}]})",
       "$.stores[0].root.type: not a default item type"},
      {R"({"stores": [{"name": "A", "faults": ["explode"]}]})",
       "$.stores[0].faults[0]: unknown fault 'explode'"},
      {R"({"stores": [{"name": "A", "root": {"folders": [{"name": "X"}, {"name": "x"}]}}]})",
       "$.stores[0].root.folders[1].name: a folder named 'x' exists already there"},
      {R"({"stores": [{"name": "A", "root": {"folders": [{"type": 2}]}}]})",
       "$.stores[0].root.folders[0]: a folder needs a \"name\""},
      {R"({"stores": [{"name": "A", "root": {"items": [{"props": {}}]}}]})",
       "$.stores[0].root.items[0]: an item needs a \"class\""},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact", "entryId": "12"}]}}]})",
       "$.stores[0].root.items[0].entryId: not an entry identifier"},
      {R"({"stores": [{"name": "A", "root": {"items": [
          {"class": "IPM.Contact", "entryId": "0123456789abcdef0123456789abcdef0123456789abcdef"},
          {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF"}]}}]})",
       "$.stores[0].root.items[1].entryId: the entry identifier "
       "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF is given twice"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact", "modified": "yesterday"}]}}]})",
       "$.stores[0].root.items[0].modified: not a date"},
      {R"({"stores": [{"name": "A", "root": {"folders": [{"name": "C", "items": [{"class": "IPM.Contact",
          "props": {"Birthday": "1980-02-30 00:00:00"}}]}]}}]})",
       "$.stores[0].root.folders[0].items[0].props.Birthday: not a date"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact", "props": {"Gender": "2"}}]}}]})",
       "$.stores[0].root.items[0].props.Gender: not a whole number"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact", "props": {"Journal": 0}}]}}]})",
       "$.stores[0].root.items[0].props.Journal: not a boolean"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact", "props": {"FirstName": 3}}]}}]})",
       "$.stores[0].root.items[0].props.FirstName: not a text"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Note", "props": {"FirstName": "x"}}]}}]})",
       "$.stores[0].root.items[0].props.FirstName: an item of class IPM.Note has no such property"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact", "props": {"EntryID": "x"}}]}}]})",
       "$.stores[0].root.items[0].props.EntryID: a read-only property"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Contact",
          "props": {"FirstName": "a", "firstname": "b"}}]}}]})",
       "$.stores[0].root.items[0].props.firstname: the property is given twice"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Note", "sender": {"mail": "x"}}]}}]})",
       "$.stores[0].root.items[0].sender.mail: unknown key"},
      {R"({"stores": [{"name": "A", "root": {"items": [{"class": "IPM.Note", "sender": "x"}]}}]})",
       "$.stores[0].root.items[0].sender: not an object"},
  };
  TempDir dir;
  std::string existing = dir.File("existing.db");
  LoadProfile(existing, kRich);
  std::string before = DumpProfile(existing);
  std::string absent = dir.File("absent.db");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.document);
    for (const std::string& path : {existing, absent}) {
      try {
        LoadProfile(path, row.document);
        ADD_FAILURE() << "accepted";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.source(), "tovask-store");
        EXPECT_EQ(failure.number(), 1);
        EXPECT_EQ(failure.description().rfind(row.description, 0), 0u) << failure.description();
      }
    }
    EXPECT_EQ(DumpProfile(existing), before) << "the profile was changed";
    EXPECT_FALSE(std::filesystem::exists(absent)) << "a profile was created";
  }
}

TEST(ProfileJsonTest, DumpOfAMissingFileOrAnEmptyProfile) {
  TempDir dir;
  EXPECT_THROW(DumpProfile(dir.File("none.db")), Failure);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.db")));
  LoadProfile(dir.File("empty.db"), R"({"stores": []})");
  EXPECT_EQ(DumpProfile(dir.File("empty.db")), "{\n  \"stores\": []\n}\n");
  LoadProfile(dir.File("empty.db"), DumpProfile(dir.File("empty.db")));
}

}  // namespace
}  // namespace tovask::outlook
