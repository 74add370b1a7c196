// Bulk writing: bad input raises, and nothing reaches the file without
// Commit().
#include "outlook/profile_builder.h"

#include <gtest/gtest.h>

#include <functional>

#include "main/failure.h"
#include "main/test_support.h"
#include "outlook/outlook.h"
#include "outlook/profile_json.h"

namespace tovask::outlook {
namespace {

using tovask::testing::TempDir;

TEST(ProfileBuilderTest, BadInputRaisesAndAnUncommittedBuildChangesNothing) {
  TempDir dir;
  std::string path = dir.File("profile.db");
  LoadProfile(path, R"({"stores": [{"name": "Old", "root": {"items": [{"class": "IPM.Note"}]}}]})");
  const std::string before = DumpProfile(path);

  const std::string id = "00112233445566778899AABBCCDDEEFF0011223344556677";
  struct Row {
    const char* name;
    std::function<void(ProfileBuilder&, std::int64_t root)> call;
  };
  auto contact = [](std::vector<std::pair<std::string, Value>> props) {
    ItemData item;
    item.messageClass = "IPM.Contact";
    item.props = std::move(props);
    return item;
  };
  const std::vector<Row> rows = {
      {"second store of the same name",
       [](ProfileBuilder& b, std::int64_t) { b.AddStore("new", false, {}, 0, {}); }},
      {"folder name taken",
       [](ProfileBuilder& b, std::int64_t root) {
         b.AddFolder(root, "Contacts", kContactItem, {});
         b.AddFolder(root, "CONTACTS", kContactItem, {});
       }},
      {"unknown parent", [](ProfileBuilder& b, std::int64_t) { b.AddFolder(999, "X", 0, {}); }},
      {"item type out of range",
       [](ProfileBuilder& b, std::int64_t root) { b.AddFolder(root, "X", 7, {}); }},
      {"unknown fault",
       [](ProfileBuilder& b, std::int64_t root) { b.AddFolder(root, "X", 0, {"boom"}); }},
      {"property of another class",
       [&](ProfileBuilder& b, std::int64_t root) {
         ItemData mail;
         mail.messageClass = "IPM.Note";
         mail.props = {{"FirstName", std::string("x")}};
         b.AddItem(root, mail, 0);
       }},
      {"read-only property",
       [&](ProfileBuilder& b, std::int64_t root) {
         b.AddItem(root, contact({{"FullNameAndCompany", std::string("x")}}), 0);
       }},
      {"wrong kind",
       [&](ProfileBuilder& b, std::int64_t root) {
         b.AddItem(root, contact({{"Birthday", std::string("1980-01-01")}}), 0);
       }},
      {"entry identifier twice",
       [&](ProfileBuilder& b, std::int64_t root) {
         ItemData item = contact({});
         item.entryId = id;
         b.AddItem(root, item, 0);
         b.AddItem(root, item, 0);
       }},
      {"malformed entry identifier",
       [&](ProfileBuilder& b, std::int64_t root) {
         ItemData item = contact({});
         item.entryId = "XYZ";
         b.AddItem(root, item, 0);
       }},
      {"unknown sender",
       [&](ProfileBuilder& b, std::int64_t root) { b.AddItem(root, contact({}), 42); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ProfileBuilder builder(path);
    std::int64_t root = builder.AddStore("New", false, {}, kMailItem, {});
    EXPECT_THROW(row.call(builder, root), Failure);
  }
  {
    ProfileBuilder uncommitted(path);
    uncommitted.AddStore("New", false, {}, kMailItem, {});
  }
  EXPECT_EQ(DumpProfile(path), before);

  ProfileBuilder builder(path);
  std::int64_t root = builder.AddStore("New", true, {"logon"}, kContactItem, {"items"});
  AddressEntryData entry;
  entry.name = "Bo";
  entry.address = "bo@x";
  std::int64_t sender = builder.AddAddressEntry(entry);
  ItemData item = contact({{"firstname", std::string("Anna")}, {"LastName", std::string("")}});
  item.entryId = "00112233445566778899aabbccddeeff0011223344556677";
  builder.AddItem(root, item, sender);
  builder.Commit();
  std::string after = DumpProfile(path);
  EXPECT_EQ(after.find("Old"), std::string::npos) << "the old profile was replaced";
  EXPECT_NE(after.find("\"props\": {\"FirstName\": \"Anna\"}"), std::string::npos) << after;
  EXPECT_NE(after.find(id), std::string::npos) << "identifiers are kept in upper case";
  EXPECT_NE(after.find("\"faults\": [\"logon\"]"), std::string::npos);
}

}  // namespace
}  // namespace tovask::outlook
