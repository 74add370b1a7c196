#include "profile_store/profile_json.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "main/failure.h"
#include "main/test_support.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::RaisedBy;
using tovask::testing::TempDir;

constexpr char kRich[] = R"({"stores": [
  {"name": "Personal Folders", "faults": [], "root": {"name": "Personal Folders", "type": 0, "folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "entryId": "0123456789abcdef0123456789abcdef0123456789abcdef",
       "created": "2020-01-02 03:04:05", "modified": "2021-02-03 04:05:06",
       "faults": ["read:FirstName"], "props": {"FirstName": "Anna", "lastname": "Smith \"Q\" \\ ü",
       "Birthday": "1980-05-01 00:00:00", "Gender": 1, "HasPicture": true, "Journal": false,
       "Email1Address": "", "Anniversary": "1899-12-30 00:00:00"}},
      {"class": "IPM.DistList", "props": {"Subject": "Team"}}],
     "folders": [{"name": "A\\B", "type": 2, "faults": ["items"]}]},
    {"name": "Inbox", "items": [
      {"class": "IPM.Note", "sender": {"name": "B", "smtpAddress": "b@x", "faults": ["read:Type"]}},
      {"class": "IPM.Note", "sender": {"name": "B", "smtpAddress": "b@x", "faults": ["read:Type"]}},
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

// A document whose one store "A" holds `folders` and `items` in its root.
std::string InRoot(const std::string& items, const std::string& folders = "") {
  return R"({"stores": [{"name": "A", "root": {"folders": [)" + folders + R"(], "items": [)" +
         items + "]}}]}";
}

// A chain of folders `levels` deep, each the only subfolder of the one above.
std::string Nested(int levels) {
  std::string json;
  for (int level = 0; level < levels; ++level) json += R"({"name": "F", "folders": [)";
  for (int level = 0; level < levels; ++level) json += "]}";
  return json;
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

TEST(ProfileJsonTest, RejectsADocumentWholeWithThePathOfTheFirstProblem) {
  const std::string item = "$.stores[0].root.items[0]", lowerId(48, 'a'), upperId(48, 'A');
  const std::pair<std::string, std::string> rows[] = {
      // document, start of the failure's description
      {"{", "$: not a JSON document"},
      {R"({"store": []})", "$.store: unknown key"},
      {R"({"stores": {}})", "$.stores: not an array"},
      {R"({"stores": [{}]})", "$.stores[0]: a store needs a \"name\""},
      {R"({"stores": [{"name": ""}]})", "$.stores[0].name: empty"},
      {"{\"stores\": [\n{\"name\": \"A\",\n\"readOnly\": tru}]}",
       "$.stores[0].readOnly: not a JSON document (["},
      {R"({"stores": [{"name": "A", "name": "B"}]})", "$.stores[0].name: the key is given twice"},
      {R"({"stores": [{"name": "A"}], "stores": []})", "$.stores: the key is given twice"},
      {std::string(R"({"stores": [{"name": "A\u0000B"}]})"), "$.stores[0].name: holds a NUL"},
      {R"({"stores": [{"name": "A", "readOnly": 1}]})", "$.stores[0].readOnly: not a boolean"},
      {R"({"stores": [{"name": "A", "root": {"name": "B"}}]})",
       "$.stores[0].root.name: a root folder is named"},
      {R"({"stores": [{"name": "A", "root": {"type": 7}}]})",
       "$.stores[0].root.type: not a default item type"},
      {R"({"stores": [{"name": "A", "faults": ["explode"]}]})",
       "$.stores[0].faults[0]: unknown fault 'explode'"},
      {InRoot("", R"({"name": "X", "faults": ["items"]}, {"name": "Y", "type": 1e999})"),
       "$.stores[0].root.folders[1].type: not a JSON document"},
      {InRoot("", Nested(301)), "$.stores[0].root" + Repeated(".folders[0]", 301) +
                                    ": folders nest deeper than 300 levels below their store"},
      {InRoot("", R"({"name": "C", "items": [{"class": "IPM.Contact", "props": {"Birthday":
          "1980-02-30 00:00:00"}}]})"),
       "$.stores[0].root.folders[0].items[0].props.Birthday: not a date"},
      {InRoot(R"({"props": {}})"), item + ": an item needs a \"class\""},
      {InRoot(R"({"class": "IPM.Contact", "entryId": "12"})"),
       item + ".entryId: not an entry identifier"},
      {InRoot(R"({"class": "IPM.Contact", "entryId": ")" + lowerId +
              R"("}, {"class": "IPM.Contact", "entryId": ")" + upperId + R"("})"),
       "$.stores[0].root.items[1].entryId: the entry identifier " + upperId + " is given twice"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"Gender": "2"}})"),
       item + ".props.Gender: not a whole number"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"Gender": 18446744073709551615}})"),
       item + ".props.Gender: not a whole number from 0 to 2"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"Gender": 3}})"),
       item + ".props.Gender: not a whole number from 0 to 2"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"SelectedMailingAddress": -1}})"),
       item + ".props.SelectedMailingAddress: not a whole number from 0 to 3"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"Journal": 0}})"),
       item + ".props.Journal: not a boolean"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"FirstName": 3}})"),
       item + ".props.FirstName: not a text"},
      {InRoot(R"({"class": "IPM.Note", "props": {"FirstName": "x"}})"),
       item + ".props.FirstName: an item of class IPM.Note has no such property"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"EntryID": "x"}})"),
       item + ".props.EntryID: a read-only property"},
      {InRoot(R"({"class": "IPM.Contact", "props": {"FirstName": "a", "firstname": "b"}})"),
       item + ".props.firstname: the property is given twice"},
      {InRoot(R"({"class": "IPM.Note", "sender": "x"})"), item + ".sender: not an object"},
  };
  TempDir dir;
  std::string existing = dir.File("existing.db");
  LoadProfile(existing, kRich);
  std::string before = DumpProfile(existing);
  std::string absent = dir.File("absent.db");
  for (const auto& [document, description] : rows) {
    SCOPED_TRACE(document);
    for (const std::string& path : {existing, absent}) {
      Failure failure = RaisedBy([&] { LoadProfile(path, document); });
      EXPECT_EQ(failure.source(), "tovask-store");
      EXPECT_EQ(failure.number(), 1);
      EXPECT_TRUE(failure.description().starts_with(description)) << failure.description();
    }
    EXPECT_EQ(DumpProfile(existing), before) << "the profile was changed";
    EXPECT_FALSE(std::filesystem::exists(absent)) << "a profile was created";
  }
  EXPECT_THROW(DumpProfile(absent), Failure);
  EXPECT_FALSE(std::filesystem::exists(absent)) << "dumping created a profile";
}

}  // namespace
}  // namespace tovask::outlook
