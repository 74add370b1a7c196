// For tests: a profile written from a JSON literal into a temporary folder
// of its own, made the default profile (TOVASK_PROFILE) while the object
// lives. Header-only, never linked into the tool.
//
//   tovask::testing::TestProfile profile(R"({"stores": [{"name": "Personal Folders",
//       "root": {"type": 0, "folders": [{"name": "Contacts", "type": 2}]}}]})");
//   auto session = tovask::outlook::CreateSession();
//   session->Logon();
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "main/test_support.h"
#include "outlook/profile_json.h"

namespace tovask::testing {

class TestProfile {
 public:
  // Raises tovask::Failure when the document does not fit the schema.
  explicit TestProfile(std::string_view json) {
    if (const char* previous = std::getenv("TOVASK_PROFILE")) previous_ = previous;
    tovask::outlook::LoadProfile(path_, json);
    setenv("TOVASK_PROFILE", path_.c_str(), 1);
  }
  ~TestProfile() {
    if (previous_) {
      setenv("TOVASK_PROFILE", previous_->c_str(), 1);
    } else {
      unsetenv("TOVASK_PROFILE");
    }
  }
  TestProfile(const TestProfile&) = delete;
  TestProfile& operator=(const TestProfile&) = delete;

  const std::string& path() const { return path_; }
  const TempDir& dir() const { return dir_; }
  // The profile as JSON now.
  std::string Dump() const { return tovask::outlook::DumpProfile(path_); }

 private:
  TempDir dir_;
  std::string path_ = dir_.File("profile.db");
  std::optional<std::string> previous_;
};

}  // namespace tovask::testing
