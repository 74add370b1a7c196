// For the harvest's tests: profile literals of mail folders and senders, and
// a fixture that runs the harvest with the log on and reads back what it
// wrote. Header-only, never linked into the tool.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "harvest/harvest_addresses.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "profile_store/test_profile.h"

namespace tovask::testing {

// An address entry of type SMTP; `fields` are further JSON members.
inline std::string Sender(const std::string& name, const std::string& address,
                          const std::string& fields = "") {
  return R"({"name": ")" + name + R"(", "address": ")" + address + R"(", "type": "SMTP")" +
         (fields.empty() ? "" : ", " + fields) + "}";
}

// A mail item; `sender` is a Sender(), an entry's JSON or null.
inline std::string Mail(const std::string& sender, const std::string& subject = "Hello",
                        const std::string& modified = "2026-01-01 12:00:00",
                        const std::string& faults = "", const std::string& kind = "IPM.Note") {
  return R"({"class": ")" + kind + R"(", "modified": ")" + modified +
         R"(", "props": {"Subject": ")" + subject + R"("}, "sender": )" + sender +
         R"(, "faults": [)" + faults + "]}";
}

inline std::string MailFolder(const std::string& name, const std::string& items,
                              const std::string& folders = "", const std::string& faults = "",
                              int type = 0) {
  return R"({"name": ")" + name + R"(", "type": )" + std::to_string(type) + R"(, "items": [)" +
         items + R"(], "folders": [)" + folders + R"(], "faults": [)" + faults + "]}";
}

// The store "Personal Folders": a mail folder as root holding `items` and `folders`.
inline std::string MailProfile(const std::string& folders, const std::string& items = "") {
  return R"({"stores": [{"name": "Personal Folders", "root": {"type": 0, "items": [)" + items +
         R"(], "folders": [)" + folders + "]}}]}";
}

// A record as written: its elements' names and texts, in order.
using Record = std::vector<std::pair<std::string, std::string>>;

class HarvestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLog();
    ResetTrappedFailures();
  }
  void TearDown() override { ResetLog(); }

  void UseProfile(const std::string& json) {
    profile_.reset();
    profile_.emplace(json);
  }

  // Runs the harvest with a fresh log and returns the document's root.
  XmlElement Harvest(std::int32_t since, const std::string& folderPath, bool recursive = false) {
    testing::WriteFile(logFile_, "");
    StartLog(logFile_);
    HarvestAddresses(since, folderPath, output_, recursive);
    ResetLog();
    return ReadXmlFile(output_);
  }

  // The records of a harvest of the Inbox, everything counting as recent.
  std::vector<Record> InboxRecords() {
    std::vector<Record> records;
    for (const XmlElement& contact : Harvest(0, kInbox).children) {
      Record& record = records.emplace_back();
      for (const XmlElement& element : contact.children) {
        EXPECT_TRUE(element.isCData) << element.name;
        record.emplace_back(element.name, element.text);
      }
    }
    return records;
  }

  std::vector<std::string> LogMessages() { return testing::LogMessages(ReadFile(logFile_)); }

  // The log without the entries every harvest of the Inbox writes.
  std::vector<std::string> InboxLogDetails() {
    const std::vector<std::string> usual = {
        "Connecting to Outlook folder: " + kInbox, "Connected to Outlook folder: " + kInbox,
        "Harvesting in folder: " + kInbox, "Saving to file: " + output_};
    std::vector<std::string> details;
    for (const std::string& message : LogMessages()) {
      if (std::find(usual.begin(), usual.end(), message) == usual.end()) details.push_back(message);
    }
    return details;
  }

  const std::string kInbox = "\\\\Personal Folders\\Inbox";
  TempDir dir_;
  std::optional<TestProfile> profile_;
  std::string output_ = dir_.File("out.xml");
  std::string logFile_ = dir_.File("run.log");
};

}  // namespace tovask::testing
