#include "folders/list_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "profile_store/test_profile.h"

namespace tovask {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::string Folder(const std::string& name, int type, const std::string& folders = "",
                   const std::string& faults = "") {
  return R"({"name": ")" + name + R"(", "type": )" + std::to_string(type) +
         R"(, "items": [], "faults": [)" + faults + R"(], "folders": [)" + folders + "]}";
}

std::string Store(const std::string& name, int rootType, const std::string& folders,
                  const std::string& rootFaults = "") {
  return R"({"name": ")" + name + R"(", "readOnly": false, "root": {"type": )" +
         std::to_string(rootType) + R"(, "faults": [)" + rootFaults + R"(], "folders": [)" +
         folders + "]}}";
}

class ListFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLog();
    ResetTrappedFailures();
  }
  void TearDown() override { ResetLog(); }

  // Lists the profile with the log on; returns "Kind path" per entry.
  std::vector<std::string> List(const std::string& stores) {
    profile_.reset();
    profile_.emplace(R"({"stores": [)" + stores + "]}");
    StartLog(logFile_);
    ListFolders(output_);
    ResetLog();
    XmlElement root = ReadXmlFile(output_);
    EXPECT_EQ(root.name, "folders");
    std::vector<std::string> entries;
    for (const XmlElement& entry : root.children) {
      EXPECT_TRUE(entry.isCData) << entry.name;
      entries.push_back(entry.name + " " + entry.text);
    }
    return entries;
  }

  std::vector<std::string> LogMessages() { return testing::LogMessages(ReadFile(logFile_)); }

  TempDir dir_;
  std::optional<testing::TestProfile> profile_;
  std::string output_ = dir_.File("folders.xml");
  std::string logFile_ = dir_.File("run.log");
};

TEST_F(ListFoldersTest, ListsContactAndMailFoldersDepthFirst) {
  std::vector<std::string> entries = List(Store(
      "Personal Folders", 0,
      Folder("Inbox", 0, Folder("Clients", 2)) + "," + Folder("Contacts", 2, Folder("Team", 2)) +
          "," + Folder("Deleted Items", 0, Folder("Old", 2)) + "," +
          Folder("Planning", 1, Folder("Hidden mail", 0)) + "," + Folder("Calendar", 1) + "," +
          Folder("Contacts (talvo backup)", 2) + "," + Folder("Tasks", 3)));
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "EmailFolder \\\\Personal Folders",
                         "EmailFolder \\\\Personal Folders\\Inbox",
                         "ContactFolder \\\\Personal Folders\\Inbox\\Clients",
                         "ContactFolder \\\\Personal Folders\\Contacts",
                         "ContactFolder \\\\Personal Folders\\Contacts\\Team",
                     }));
  // Only folders caught by the skip rules are logged, not other folder types.
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{
                "Connected to Outlook",
                "Skip folder and subfolders: \\\\Personal Folders\\Deleted Items",
                "Skip folder and subfolders: \\\\Personal Folders\\Calendar",
                "Skip folder and subfolders: \\\\Personal Folders\\Contacts (talvo backup)",
                "Saving to file: " + output_,
            }));
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(ListFoldersTest, PublicAndArchiveStoresAreLeftOutButNotTheirLowerCaseNames) {
  EXPECT_TRUE(List(Store("Public Folders", 0, Folder("Inbox", 0)) + "," +
                   Store("Archive Folders", 0, Folder("Inbox", 0)))
                  .empty());
  // In one profile, as real profiles have them: only the exact names are left out.
  EXPECT_EQ(List(Store("Public Folders", 2, "") + "," + Store("public folders", 2, "") + "," +
                 Store("Archive Folders", 2, "") + "," + Store("ARCHIVE FOLDERS", 2, "")),
            (std::vector<std::string>{"ContactFolder \\\\public folders",
                                      "ContactFolder \\\\ARCHIVE FOLDERS"}));
}

TEST_F(ListFoldersTest, RootMailboxGetsNoEntryButItsInboxAndContactsDo) {
  std::vector<std::string> entries =
      List(Store("Mailbox - Anna", 0,
                 Folder("Root - Mailbox", 0,
                        Folder("Inbox", 0) + "," + Folder("Contacts", 2) + "," + Folder("Junk", 0) +
                            "," + Folder("Sent Items", 0))));
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "EmailFolder \\\\Mailbox - Anna",
                         "EmailFolder \\\\Mailbox - Anna\\Root - Mailbox\\Inbox",
                         "ContactFolder \\\\Mailbox - Anna\\Root - Mailbox\\Contacts",
                         "EmailFolder \\\\Mailbox - Anna\\Root - Mailbox\\Sent Items",
                     }));
  EXPECT_EQ(LogMessages()[1],
            "Skip folder and subfolders: \\\\Mailbox - Anna\\Root - Mailbox\\Junk");
}

TEST_F(ListFoldersTest, AFailingFolderOrStoreIsPassedOver) {
  std::vector<std::string> entries =
      List(Store("Broken", 0, Folder("Inbox", 0), R"("path")") + "," +
           Store("Personal Folders", 0,
                 Folder("Inbox", 0, Folder("Below", 0), R"("subfolders")") + "," +
                     Folder("Odd", 0, "", R"("type")") + "," + Folder("Contacts", 2)));
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "EmailFolder \\\\Personal Folders",
                         "EmailFolder \\\\Personal Folders\\Inbox",
                         "ContactFolder \\\\Personal Folders\\Contacts",
                     }));
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ListFoldersTest, UnreachableProfileGivesAnEmptyDocument) {
  testing::WriteFile(output_, "previous listing");
  setenv("TOVASK_PROFILE", dir_.File("no-such-profile.db").c_str(), 1);
  StartLog(logFile_);
  ListFolders(output_);
  ResetLog();
  unsetenv("TOVASK_PROFILE");
  EXPECT_EQ(ReadFile(output_), "<?xml version=\"1.0\"?>\n<folders/>\n");
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Saving to file: " + output_}));
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ListFoldersTest, UnwritableOutputLeavesNoFileAndNoLogEntryForIt) {
  profile_.emplace(R"({"stores": []})");
  const std::string output = dir_.File("missing/folders.xml");
  StartLog(logFile_);
  ListFolders(output);
  ResetLog();
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"Connected to Outlook", "Saving to file: " + output}));
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ListFoldersTest, ExactBytesOfASmallListing) {
  List(Store("Personal Folders", 1, "") + "," +
       Store("P", 0, Folder("Inbox", 0) + "," + Folder("Contacts", 2)));
  EXPECT_EQ(ReadFile(output_),
            "<?xml version=\"1.0\"?>\n<folders><EmailFolder><![CDATA[\\\\P]]></EmailFolder>"
            "<EmailFolder><![CDATA[\\\\P\\Inbox]]></EmailFolder>"
            "<ContactFolder><![CDATA[\\\\P\\Contacts]]></ContactFolder></folders>\n");
}

}  // namespace
}  // namespace tovask
