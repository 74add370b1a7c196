// For tests: a profile written from a JSON literal into a temporary folder
// of its own, made the default profile (TOVASK_PROFILE) while the object
// lives, and a few helpers around it. Header-only, never linked into the tool.
//
//   tovask::testing::TestProfile profile(R"({"stores": [{"name": "Personal Folders",
//       "root": {"type": 0, "folders": [{"name": "Contacts", "type": 2}]}}]})");
//   auto session = tovask::testing::LogOn();
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"
#include "outlook/outlook.h"
#include "profile_store/profile_json.h"

namespace tovask::testing {

// Sets (or, given nullptr, unsets) an environment variable while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* previous = std::getenv(name)) previous_ = previous;
    Set(value);
  }
  ~ScopedEnv() { previous_ ? Set(previous_->c_str()) : Set(nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void Set(const char* value) { value ? setenv(name_, value, 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

class TestProfile {
 public:
  // Raises tovask::Failure when the document does not fit the schema.
  explicit TestProfile(std::string_view json) { tovask::outlook::LoadProfile(path_, json); }
  TestProfile(const TestProfile&) = delete;
  TestProfile& operator=(const TestProfile&) = delete;

  const std::string& path() const { return path_; }
  const TempDir& dir() const { return dir_; }
  // The profile as JSON now.
  std::string Dump() const { return tovask::outlook::DumpProfile(path_); }

 private:
  TempDir dir_;
  std::string path_ = dir_.File("profile.db");
  ScopedEnv env_{"TOVASK_PROFILE", path_.c_str()};
};

// A new session, logged on to the default profile.
inline std::unique_ptr<tovask::outlook::Session> LogOn() {
  auto session = tovask::outlook::CreateSession();
  session->Logon();
  return session;
}

// The FirstName of each item of `items`, in order.
inline std::vector<std::string> NamesIn(tovask::outlook::Items& items) {
  std::vector<std::string> names;
  for (std::int32_t i = 1; i <= items.Count(); ++i) {
    names.push_back(std::get<std::string>(items.GetItem(i)->GetProperty("FirstName")));
  }
  return names;
}

// A new contact of that FirstName, saved.
inline std::unique_ptr<tovask::outlook::Item> SaveContact(tovask::outlook::Items& items,
                                                          const std::string& firstName) {
  auto item = items.Add("IPM.Contact");
  item->SetProperty("FirstName", firstName);
  item->Save();
  return item;
}

// The failure `action` raises; when it raises none, the test fails and a
// blank failure comes back.
template <typename Action>
Failure RaisedBy(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "nothing raised";
  return Failure("", 0, "");
}

}  // namespace tovask::testing
