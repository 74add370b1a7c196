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

ItemData Item(const char* messageClass, std::vector<std::pair<std::string, Value>> props = {},
              std::string entryId = "") {
  ItemData item;
  item.messageClass = messageClass;
  item.props = std::move(props);
  item.entryId = std::move(entryId);
  return item;
}

TEST(ProfileBuilderTest, BadInputRaisesAndAnUncommittedBuildChangesNothing) {
  tovask::testing::TempDir dir;
  std::string path = dir.File("profile.db");
  LoadProfile(path, R"({"stores": [{"name": "Old", "root": {"items": [{"class": "IPM.Note"}]}}]})");
  const std::string before = DumpProfile(path);
  const std::string id = "00112233445566778899AABBCCDDEEFF0011223344556677";
  using Call = std::function<void(ProfileBuilder&, std::int64_t root)>;
  const std::pair<const char*, Call> rows[] = {
      {"second store of the same name", [](auto& b, auto) { b.AddStore("new", false, {}, 0, {}); }},
      {"folder name taken",
       [](auto& b, auto root) {
         b.AddFolder(root, "Contacts", kContactItem, {});
         b.AddFolder(root, "CONTACTS", kContactItem, {});
       }},
      {"unknown parent", [](auto& b, auto) { b.AddFolder(999, "X", 0, {}); }},
      {"item type out of range", [](auto& b, auto root) { b.AddFolder(root, "X", 7, {}); }},
      {"unknown fault", [](auto& b, auto root) { b.AddFolder(root, "X", 0, {"boom"}); }},
      {"property of another class",
       [](auto& b, auto root) {
         b.AddItem(root, Item("IPM.Note", {{"FirstName", std::string("x")}}), 0);
       }},
      {"read-only property",
       [](auto& b, auto root) {
         b.AddItem(root, Item("IPM.Contact", {{"FullNameAndCompany", std::string("x")}}), 0);
       }},
      {"wrong kind",
       [](auto& b, auto root) {
         b.AddItem(root, Item("IPM.Contact", {{"Birthday", std::string("1980-01-01")}}), 0);
       }},
      {"entry identifier twice",
       [&](auto& b, auto root) {
         b.AddItem(root, Item("IPM.Contact", {}, id), 0);
         b.AddItem(root, Item("IPM.Contact", {}, id), 0);
       }},
      {"malformed entry identifier",
       [](auto& b, auto root) { b.AddItem(root, Item("IPM.Contact", {}, "XYZ"), 0); }},
      {"unknown sender", [](auto& b, auto root) { b.AddItem(root, Item("IPM.Contact"), 42); }},
  };
  for (const auto& [name, call] : rows) {
    SCOPED_TRACE(name);
    ProfileBuilder builder(path);
    std::int64_t root = builder.AddStore("New", false, {}, kMailItem, {});
    EXPECT_THROW(call(builder, root), Failure);
  }
  EXPECT_EQ(DumpProfile(path), before);

  ProfileBuilder builder(path);
  std::int64_t root = builder.AddStore("New", true, {"logon"}, kContactItem, {"items"});
  AddressEntryData entry;
  entry.name = "Bo";
  std::int64_t sender = builder.AddAddressEntry(entry);
  ItemData item =
      Item("IPM.Contact", {{"firstname", std::string("Anna")}, {"LastName", std::string()}},
           "00112233445566778899aabbccddeeff0011223344556677");
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
