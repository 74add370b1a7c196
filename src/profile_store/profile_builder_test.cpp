// What only direct callers of the builder can get wrong, and its rollback;
// the rules the JSON loader checks too are tested with the loader.
#include "profile_store/profile_builder.h"

#include <gtest/gtest.h>

#include <functional>

#include "main/failure.h"
#include "main/test_support.h"
#include "outlook/outlook.h"
#include "profile_store/profile_json.h"

namespace tovask::outlook {
namespace {

TEST(ProfileBuilderTest, BadInputRaisesAndAnUncommittedBuildChangesNothing) {
  tovask::testing::TempDir dir;
  std::string path = dir.File("profile.db");
  LoadProfile(path, R"({"stores": [{"name": "Old", "root": {"items": [{"class": "IPM.Note"}]}}]})");
  const std::string before = DumpProfile(path);
  ItemData contact, birthdayText, gender;
  contact.messageClass = birthdayText.messageClass = gender.messageClass = "IPM.Contact";
  birthdayText.props = {{"Birthday", std::string("1980-01-01")}};
  gender.props = {{"Gender", std::int64_t{-1}}};
  using Call = std::function<void(ProfileBuilder&, std::int64_t root)>;
  const std::pair<const char*, Call> rows[] = {
      {"unknown parent", [](auto& b, auto) { b.AddFolder(999, "X", 0, {}); }},
      {"unknown sender", [&](auto& b, auto root) { b.AddItem(root, contact, 42); }},
      {"wrong kind", [&](auto& b, auto root) { b.AddItem(root, birthdayText, 0); }},
      {"out of range", [&](auto& b, auto root) { b.AddItem(root, gender, 0); }},
      {"301 levels deep",
       [](auto& b, auto root) {
         for (int level = 1; level <= 301; ++level) root = b.AddFolder(root, "F", 0, {});
       }},
  };
  for (const auto& [name, call] : rows) {
    SCOPED_TRACE(name);
    ProfileBuilder builder(path);
    std::int64_t root = builder.AddStore("New", false, {}, kMailItem, {});
    EXPECT_THROW(call(builder, root), Failure);
  }
  EXPECT_EQ(DumpProfile(path), before);
}

}  // namespace
}  // namespace tovask::outlook
