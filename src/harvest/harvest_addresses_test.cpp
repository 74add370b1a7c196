#include "harvest/harvest_addresses.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harvest/harvest_test_fixture.h"

namespace tovask {
namespace {

using testing::Mail;
using testing::MailFolder;
using testing::MailProfile;
using testing::Sender;

std::string MailFrom(const std::string& address) { return Mail(Sender(address, address)); }

class HarvestAddressesTest : public testing::HarvestTest {
 protected:
  static std::vector<std::string> Addresses(const XmlElement& root) {
    std::vector<std::string> addresses;
    for (const XmlElement& contact : root.children)
      addresses.push_back(contact.ChildText("EntryID"));
    return addresses;
  }

  // The folders scanned, by their log lines.
  std::vector<std::string> ScannedFolders() {
    std::vector<std::string> folders;
    for (const std::string& message : LogMessages()) {
      if (message.rfind("Harvesting in folder: ", 0) == 0) folders.push_back(message.substr(22));
    }
    return folders;
  }
};

TEST_F(HarvestAddressesTest, OnlyMailChangedAfterTheSinceValueCountsAndOlderMailIsLogged) {
  UseProfile(MailProfile(
      MailFolder("Inbox", Mail(Sender("A", "a@x"), "one", "2026-01-01 10:00:00") + "," +
                              Mail(Sender("B", "b@x"), "two", "2026-01-01 12:00:00") + "," +
                              Mail(Sender("C", "c@x"), "three", "2026-01-01 11:00:00"))));
  // 2026-01-01 12:00:00 local time, the newest message.
  const auto newest =
      static_cast<std::int32_t>(DateTime::Parse("2026-01-01 12:00:00")->UnixSeconds());
  const std::string ignore = "Ignore old Outlook email: ";
  struct Row {
    std::int32_t since;
    std::vector<std::string> addresses, logged;
  } rows[] = {
      {0, {"a@x", "b@x", "c@x"}, {}},
      {newest - 1, {"b@x"}, {ignore + "one", ignore + "three"}},
      {newest, {}, {ignore + "one", ignore + "two", ignore + "three"}},
  };
  for (const Row& row : rows) {
    const std::int64_t before = DateTime::Now().UnixSeconds();
    XmlElement root = Harvest(row.since, kInbox);
    const std::int64_t timestamp = std::stoll(root.Attribute("timestamp"));
    EXPECT_TRUE(timestamp >= before && timestamp <= DateTime::Now().UnixSeconds()) << row.since;
    EXPECT_EQ(Addresses(root), row.addresses) << row.since;
    EXPECT_EQ(InboxLogDetails(), row.logged) << row.since;
    EXPECT_EQ(LogMessages().size(), row.logged.size() + 4) << row.since;
  }
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(HarvestAddressesTest, WalkTakesSubfoldersFirstAndLeavesSkippedFoldersAndOtherItemsAlone) {
  const std::string others =
      Mail(Sender("R", "report@x"), "NDR", "2026-01-01", "", "REPORT.IPM.Note.NDR") + "," +
      Mail(Sender("M", "meeting@x"), "M", "2026-01-01", "", "IPM.Schedule.Meeting.Request") + "," +
      Mail(Sender("S", "smime@x"), "S", "2026-01-01", "", "IPM.Note.SMIME");
  UseProfile(MailProfile(
      MailFolder("Inbox", MailFrom("inbox@x"), MailFolder("Projects", MailFrom("projects@x"))) +
          "," + MailFolder("Sent Items", MailFrom("sent@x")) + "," +
          MailFolder("Drafts", MailFrom("drafts@x"), MailFolder("Inbox", MailFrom("under@x"))) +
          "," + MailFolder("Deleted Items", MailFrom("deleted@x")) + "," +
          MailFolder("Contacts", MailFrom("contacts@x"), MailFolder("Mail", MailFrom("cmail@x")),
                     "", 2) +
          "," + MailFolder("Reports", others),
      MailFrom("root@x")));
  const std::string root = "\\\\Personal Folders";

  EXPECT_EQ(Addresses(Harvest(0, root, true)),
            (std::vector<std::string>{"projects@x", "inbox@x", "sent@x", "cmail@x", "smime@x",
                                      "root@x"}));
  EXPECT_EQ(
      ScannedFolders(),
      (std::vector<std::string>{root + "\\Inbox\\Projects", root + "\\Inbox", root + "\\Sent Items",
                                root + "\\Contacts\\Mail", root + "\\Reports", root}));
  // Skipped folders and items of other kinds are passed over without a word.
  EXPECT_EQ(LogMessages().size(), 9u);

  EXPECT_EQ(Addresses(Harvest(0, root, false)), (std::vector<std::string>{"root@x"}));
  EXPECT_EQ(ScannedFolders(), (std::vector<std::string>{root}));
  EXPECT_TRUE(Harvest(0, root + "\\Drafts", true).children.empty());
  EXPECT_EQ(LogMessages().size(), 3u);  // connecting, connected, saving
  EXPECT_TRUE(Harvest(0, root + "\\Contacts", false).children.empty());
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(HarvestAddressesTest, FailingItemsAreLoggedFailingFoldersPassedOverAndTheWalkGoesOn) {
  auto failing = [](const std::string& fault, const std::string& modified) {
    return Mail(Sender("Lost", "lost@x"), "Lost", modified, "\"" + fault + "\"");
  };
  UseProfile(MailProfile(
      MailFolder("Inbox",
                 failing("read:LastModificationTime", "2026-01-01") + "," +
                     failing("sender", "2026-01-01") + "," + failing("type", "2026-01-01") + "," +
                     failing("read:Subject", "2000-01-01") + "," + MailFrom("ok@x"),
                 MailFolder("NoPath", MailFrom("path@x"), "", R"("path")") + "," +
                     MailFolder("NoItems", MailFrom("items@x"), "", R"("items")") + "," +
                     MailFolder("NoType", MailFrom("type@x"), "", R"("type")") + "," +
                     MailFolder("NoSubfolders", MailFrom("kept@x"),
                                MailFolder("Below", MailFrom("below@x")), R"("subfolders")"))));
  const auto since = static_cast<std::int32_t>(DateTime::Parse("2020-01-01")->UnixSeconds());

  EXPECT_EQ(Addresses(Harvest(since, kInbox, true)), (std::vector<std::string>{"kept@x", "ok@x"}));
  EXPECT_EQ(ScannedFolders(),
            (std::vector<std::string>{kInbox + "\\NoItems", kInbox + "\\NoSubfolders", kInbox}));
  const std::string prefix = "Error harvesting item - ProfileStore, -2147467259 - Fault '";
  std::vector<std::string> faults;
  for (const std::string& message : InboxLogDetails()) {
    if (message.rfind("Harvesting in folder: ", 0) == 0) continue;
    ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
    faults.push_back(
        message.substr(prefix.size(), message.find('\'', prefix.size()) - prefix.size()));
  }
  EXPECT_EQ(faults, (std::vector<std::string>{"read:LastModificationTime", "sender", "type",
                                              "read:Subject"}));
  EXPECT_TRUE(AnyFailureTrapped());

  // A folder that cannot be found: one entry, and a document without records.
  ResetTrappedFailures();
  XmlElement root = Harvest(0, "\\\\Personal Folders\\Nowhere", true);
  EXPECT_EQ(root.name, "olcontacts");
  EXPECT_FALSE(root.Attribute("timestamp").empty());
  EXPECT_TRUE(root.children.empty());
  std::vector<std::string> messages = LogMessages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[1].rfind("Error harvesting - ProfileStore, ", 0), 0u) << messages[1];
  EXPECT_EQ(messages[2], "Saving to file: " + output_);
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(HarvestAddressesTest, ProgramReplacesTheDocumentAndExitsOneWhenAFailureWasTrapped) {
  UseProfile(MailProfile(MailFolder("Inbox", MailFrom("a@x") + "," + MailFrom("A@x"))));
  auto run = [&](const std::string& output, const std::string& folder) {
    return testing::RunCommand("TOVASK_PROFILE=" + testing::ShellQuote(profile_->path()) + " " +
                               TOVASK_BINARY + " -h 0 '\\\\Personal Folders\\" + folder + "' " +
                               testing::ShellQuote(output) + " -r -l " +
                               testing::ShellQuote(logFile_));
  };
  testing::WriteFile(output_, "old content, longer than the document that replaces it........");
  EXPECT_EQ(run(output_, "Inbox"), 0);
  XmlElement root = ReadXmlFile(output_);
  ASSERT_EQ(root.children.size(), 1u);
  EXPECT_EQ(root.children[0].ChildText("Count"), "2");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}),
            2);  // no leftovers

  EXPECT_EQ(run(output_, "Nowhere"), 1);
  EXPECT_TRUE(ReadXmlFile(output_).children.empty());

  // An output file that cannot be written: the run ends without it.
  const std::string unwritable = dir_.File("missing/out.xml");
  EXPECT_EQ(run(unwritable, "Inbox"), 1);
  EXPECT_FALSE(std::filesystem::exists(unwritable));
  std::vector<std::string> messages = LogMessages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2], "Saving to file: " + unwritable);
  EXPECT_EQ(messages.back().rfind("Error harvesting - ", 0), 0u) << messages.back();
}

}  // namespace
}  // namespace tovask
