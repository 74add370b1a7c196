// For the import's tests (header-only, never linked into the tool): a
// profile of one store "P" from a JSON literal, a run's files in a
// temporary folder with the log on (input, feedback), and the items of a
// folder as the profile holds them afterwards.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "profile_store/test_profile.h"

namespace tovask::testing {

// The profile of the store "P" whose root folder holds `folders`, a JSON
// list of folder objects without its brackets.
inline std::string StoreWith(const std::string& folders) {
  return R"({"stores": [{"name": "P", "root": {"folders": [)" + folders + "]}}]}";
}

// A literal entry identifier: 32 fixed hexadecimal digits, then `tail`
// right-aligned in 16 zeros ("A1" gives ...00000000000000A1).
inline std::string EntryId(const std::string& tail) {
  return "0123456789ABCDEF0123456789ABCDEF" + std::string(16 - tail.size(), '0') + tail;
}

// "id EntryID status" per element of the feedback document at `path`.
inline std::vector<std::string> FeedbackLines(const std::string& path) {
  std::vector<std::string> lines;
  for (const XmlElement& contact : ReadXmlFile(path).children) {
    lines.push_back(contact.Attribute("id") + " " + contact.Attribute("EntryID") + " " +
                    contact.Attribute("status"));
  }
  return lines;
}

class ImportTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLog();
    ResetTrappedFailures();
    StartLog(log_);
  }
  void TearDown() override { ResetLog(); }

  void UseProfile(const std::string& json) {
    profile_.reset();
    profile_.emplace(json);
  }

  std::vector<std::string> LogMessages() const { return testing::LogMessages(ReadFile(log_)); }

  // Writes the input document with these contact elements.
  void Input(const std::string& contacts) {
    WriteFile(input_, "<?xml version=\"1.0\"?><olcontacts>" + contacts + "</olcontacts>");
  }

  // "id EntryID status" per element of the feedback document.
  std::vector<std::string> Feedback() const { return FeedbackLines(feedback_); }

  // The items of the folder at `path` below the root of "P", names joined
  // with "/" ("C", "C/Sub"), as the profile's JSON form shows them.
  nlohmann::json Items(const std::string& path) const {
    nlohmann::json folder = nlohmann::json::parse(profile_->Dump())["stores"][0]["root"];
    std::string rest = path;
    while (!rest.empty()) {
      const std::string name = rest.substr(0, rest.find('/'));
      rest = rest.size() > name.size() ? rest.substr(name.size() + 1) : "";
      nlohmann::json next;
      for (const nlohmann::json& child : folder["folders"]) {
        if (child["name"] == name) next = child;
      }
      if (next.is_null()) {
        ADD_FAILURE() << "no folder " << path;
        return nlohmann::json::array();
      }
      folder = next;
    }
    return folder["items"];
  }

  TempDir dir_;
  std::optional<TestProfile> profile_;
  std::string log_ = dir_.File("run.log");
  std::string input_ = dir_.File("in.xml");
  std::string feedback_ = dir_.File("feedback.xml");
};

}  // namespace tovask::testing
