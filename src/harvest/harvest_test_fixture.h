// For the harvest's tests: profile literals of mail folders and senders, and
// a fixture that runs the harvest with the log on and reads back what it
// wrote. Header-only, never linked into the tool.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "harvest/harvest_addresses.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "outlook/test_profile.h"

namespace tovask::testing {

// An address entry: `fields` are further JSON members ("firstName": "Anna").
inline std::string Sender(const std::string& name, const std::string& address,
                          const std::string& fields = "") {
  return R"({"name": ")" + name + R"(", "address": ")" + address + R"(", "type": "SMTP")" +
         (fields.empty() ? "" : ", " + fields) + "}";
}

// A mail item; `sender` is a Sender() or null.
inline std::string Mail(const std::string& sender, const std::string& subject = "Hello",
                        const std::string& modified = "2026-01-01 12:00:00",
                        const std::string& faults = "",
                        const std::string& messageClass = "IPM.Note") {
  return R"({"class": ")" + messageClass + R"(", "modified": ")" + modified +
         R"(", "props": {"Subject": ")" + subject + R"("}, "sender": )" + sender +
         R"(, "faults": [)" + faults + "]}";
}

inline std::string MailFolder(const std::string& name, const std::string& items,
                              const std::string& folders = "", const std::string& faults = "",
                              int type = 0) {
  return R"({"name": ")" + name + R"(", "type": )" + std::to_string(type) + R"(, "items": [)" +
         items + R"(], "folders": [)" + folders + R"(], "faults": [)" + faults + "]}";
}

// The store "Personal Folders", whose root (a mail folder) holds `items` and
// the folders `folders`.
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

  // Runs the harvest with the log on and returns the document's root.
  XmlElement Harvest(std::int32_t since, const std::string& folderPath, bool recursive = false) {
    std::filesystem::remove(logFile_);
    StartLog(logFile_);
    HarvestAddresses(since, folderPath, output_, recursive);
    ResetLog();
    return ReadXmlFile(output_);
  }

  // The records of a harvest of the Inbox, everything counting as recent.
  std::vector<Record> InboxRecords() {
    std::vector<Record> records;
    for (const XmlElement& contact : Harvest(0, kInbox).children) {
      Record record;
      for (const XmlElement& element : contact.children) {
        EXPECT_TRUE(element.isCData) << element.name;
        record.emplace_back(element.name, element.text);
      }
      records.push_back(std::move(record));
    }
    return records;
  }

  std::vector<std::string> LogMessages() { return testing::LogMessages(ReadFile(logFile_)); }

  // The log without the entries every harvest of the Inbox writes.
  std::vector<std::string> InboxLogDetails() {
    std::vector<std::string> details;
    for (const std::string& message : LogMessages()) {
      if (message != "Connecting to Outlook folder: " + kInbox &&
          message != "Connected to Outlook folder: " + kInbox &&
          message != "Harvesting in folder: " + kInbox && message != "Saving to file: " + output_) {
        details.push_back(message);
      }
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
