#include "export/export_contacts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "export/contact_fields.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "outlook/property_schema.h"
#include "profile_store/test_profile.h"

namespace tovask {
namespace {

using testing::ReadFile;
using testing::TempDir;

// One contact of a profile literal: the JSON of an IPM.Contact item.
std::string Contact(const std::string& props, const std::string& modified = "2026-01-01 12:00:00",
                    const std::string& faults = "") {
  return R"({"class": "IPM.Contact", "modified": ")" + modified + R"(", "props": {)" + props +
         R"(}, "faults": [)" + faults + "]}";
}

std::string Folder(const std::string& name, int type, const std::string& items,
                   const std::string& folders = "", const std::string& faults = "") {
  return R"({"name": ")" + name + R"(", "type": )" + std::to_string(type) + R"(, "items": [)" +
         items + R"(], "folders": [)" + folders + R"(], "faults": [)" + faults + "]}";
}

std::string Profile(const std::string& rootFolders) {
  return R"({"stores": [{"name": "Personal Folders", "readOnly": false, "root": {"type": 0, "folders": [)" +
         rootFolders + "]}}]}";
}

class ExportTest : public ::testing::Test {
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

  // Runs the export with the log on and returns the contacts written.
  std::vector<XmlElement> Export(std::int32_t since, const std::string& path,
                                 bool recursive = false) {
    StartLog(logFile_);
    ExportContacts(since, path, output_, recursive);
    ResetLog();
    return ReadXmlFile(output_).children;
  }

  std::vector<std::string> LogMessages() { return testing::LogMessages(ReadFile(logFile_)); }

  int LoggedEntryFailures() {
    int logged = 0;
    for (const std::string& message : LogMessages()) {
      if (message.rfind("Error exporting contact - ", 0) == 0) ++logged;
    }
    return logged;
  }

  static std::vector<std::string> Names(const std::vector<XmlElement>& contacts) {
    std::vector<std::string> names;
    for (const XmlElement& contact : contacts) names.push_back(contact.ChildText("FullName"));
    return names;
  }

  TempDir dir_;
  std::optional<testing::TestProfile> profile_;
  std::string output_ = dir_.File("out.xml");
  std::string logFile_ = dir_.File("run.log");
};

TEST_F(ExportTest, SinceValueIsStrictlyAfter) {
  // 2026-01-01 12:00:00 local time in seconds since 1970-01-01 00:00:00.
  const std::int32_t modified =
      static_cast<std::int32_t>(DateTime::Parse("2026-01-01 12:00:00")->UnixSeconds());
  UseProfile(Profile(Folder("Contacts", 2, Contact(R"("FullName": "Anna Smith")"))));
  struct Row {
    std::int32_t since;
    size_t expected;
  } rows[] = {{0, 1}, {modified - 1, 1}, {modified, 0}, {modified + 1, 0}};
  for (const Row& row : rows) {
    EXPECT_EQ(Export(row.since, "\\\\Personal Folders\\Contacts").size(), row.expected)
        << row.since;
  }
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(ExportTest, ContactFillingEveryFieldKeepsTableOrderAndValueForms) {
  // JSON values of the fields that are not texts; every other stored field
  // gets a text of its own.
  const std::map<std::string_view, std::string> kOthers = {
      {"Anniversary", R"("2010-06-12 15:30:00")"},
      {"Birthday", R"("1901-01-01 00:00:00")"},
      {"ExpiryTime", R"("2030-02-03 04:05:06")"},
      {"Gender", "2"},
      {"SelectedMailingAddress", "1"},
      {"HasPicture", "true"},
      {"Journal", "false"}};
  std::string props;
  for (const ContactField& field : kContactFields) {
    const std::string name(field.name);
    if (auto other = kOthers.find(field.name); other != kOthers.end()) {
      props += "\"" + name + "\": " + other->second + ",";
    } else if (outlook::FindProperty(name)->access == outlook::PropertyAccess::kStored) {
      props += "\"" + name + "\": \"v-" + name + "\",";
    }
  }
  props.pop_back();
  UseProfile(Profile(Folder("Contacts", 2, Contact(props, "2026-03-04 05:06:07"))));

  std::vector<XmlElement> contacts = Export(0, "\\\\Personal Folders\\Contacts");
  ASSERT_EQ(contacts.size(), 1u);
  const XmlElement& contact = contacts[0];
  // Every field of the table is there, in table order, once.
  ASSERT_EQ(contact.children.size(), kContactFields.size());
  for (size_t row = 0; row < kContactFields.size(); ++row) {
    EXPECT_EQ(contact.children[row].name, kContactFields[row].name) << "row " << row;
    EXPECT_TRUE(contact.children[row].isCData) << kContactFields[row].name;
  }
  EXPECT_EQ(contact.ChildText("Anniversary"), "2010-06-12");
  EXPECT_EQ(contact.ChildText("Birthday"), "1901-01-01");
  EXPECT_EQ(contact.ChildText("Gender"), "2");
  EXPECT_EQ(contact.ChildText("SelectedMailingAddress"), "1");
  EXPECT_EQ(contact.ChildText("HasPicture"), "True");
  EXPECT_EQ(contact.ChildText("Journal"), "False");
  EXPECT_EQ(contact.ChildText("ExpiryTime"), "2030-02-03 04:05:06");
  EXPECT_EQ(contact.ChildText("LastModificationTime"), "2026-03-04 05:06:07");
  EXPECT_EQ(contact.ChildText("EntryID").size(), 48u);
  EXPECT_EQ(contact.ChildText("Department"), "v-Department");
}

TEST_F(ExportTest, DatesOutsideTheYearsWrittenAreLeftOutAndUnsetFieldsToo) {
  struct Row {
    const char* birthday;
    const char* expected;  // nullptr: no Birthday element
  } rows[] = {
      {"1900-12-31 00:00:00", nullptr},      {"1901-01-01 00:00:00", "1901-01-01"},
      {"2999-12-31 23:59:59", "2999-12-31"}, {"3000-01-01 00:00:00", nullptr},
      {"4501-01-01 00:00:00", nullptr},
  };
  std::string items;
  for (const Row& row : rows) {
    if (!items.empty()) items += ",";
    items += Contact(std::string(R"("FullName": ")") + row.birthday + R"(", "Birthday": ")" +
                     row.birthday + "\"");
  }
  items += "," + Contact(R"("FullName": "unset")");
  UseProfile(Profile(Folder("Contacts", 2, items)));

  std::vector<XmlElement> contacts = Export(0, "\\\\Personal Folders\\Contacts");
  ASSERT_EQ(contacts.size(), std::size(rows) + 1);
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(contacts[i].HasChild("Birthday"), rows[i].expected != nullptr) << rows[i].birthday;
    if (rows[i].expected) {
      EXPECT_EQ(contacts[i].ChildText("Birthday"), rows[i].expected);
    }
  }
  const XmlElement& unset = contacts.back();
  EXPECT_FALSE(unset.HasChild("Birthday"));
  EXPECT_FALSE(unset.HasChild("Anniversary"));
  EXPECT_FALSE(unset.HasChild("FirstName"));  // empty texts are left out
  // Booleans and numbers are always there; an unset expiry carries the
  // far-future value that marks it as unset.
  EXPECT_EQ(unset.ChildText("HasPicture"), "False");
  EXPECT_EQ(unset.ChildText("Gender"), "0");
  EXPECT_EQ(unset.ChildText("ExpiryTime"), "4501-01-01 00:00:00");
}

// A distribution list is neither written nor logged.
TEST_F(ExportTest, LogsFolderLabelAndUnchangedContactsButNoOtherItems) {
  UseProfile(Profile(Folder(
      "Contacts", 2,
      R"({"class": "IPM.DistList", "props": {}},)" +
          Contact(R"("FileAs": "Smith, Anna", "FullName": "Anna Smith")", "2026-01-01 12:00:00") +
          "," + Contact(R"("FileAs": "Old, One", "FullName": "One Old")", "2000-01-01 00:00:00"))));
  const std::int32_t since =
      static_cast<std::int32_t>(DateTime::Parse("2020-01-01")->UnixSeconds());
  EXPECT_EQ(Export(since, "\\\\Personal Folders\\Contacts").size(), 1u);
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                               "Connecting to Outlook folder: \\\\Personal Folders\\Contacts",
                               "Connected to Outlook folder: \\\\Personal Folders\\Contacts",
                               "Process folder Contacts",
                               "Processing Outlook contact: Smith, Anna,Anna Smith",
                               "Ignore unchanged Outlook contact: Old, One,One Old",
                               "Saving contacts to file: " + output_,
                           }));
}

TEST_F(ExportTest, ContactsOfCustomFormsAreExportedWithTheirFields) {
  UseProfile(Profile(
      Folder("Contacts", 2,
             R"({"class": "IPM.Contact.Lead", "props": {"FullName": "Lead", "Department": "Sales"}},
         {"class": "ipm.contact", "props": {"FullName": "Plain"}},
         {"class": "IPM.DistList.Team", "props": {"Subject": "Team"}},
         {"class": "IPM.Contacts", "props": {"Subject": "no contact"}})")));
  std::vector<XmlElement> contacts = Export(0, "\\\\Personal Folders\\Contacts");
  EXPECT_EQ(Names(contacts), (std::vector<std::string>{"Lead", "Plain"}));
  ASSERT_FALSE(contacts.empty());
  EXPECT_EQ(contacts[0].ChildText("Department"), "Sales");
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(ExportTest, MissingFolderGivesThreeLogLinesAndAnEmptyDocument) {
  UseProfile(Profile(Folder("Contacts", 2, Contact(R"("FullName": "Anna")"))));
  EXPECT_TRUE(Export(0, "\\\\Personal Folders\\Nowhere").empty());
  std::vector<std::string> messages = LogMessages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], "Connecting to Outlook folder: \\\\Personal Folders\\Nowhere");
  EXPECT_EQ(messages[1].rfind("Error exporting contacts - ", 0), 0u) << messages[1];
  EXPECT_EQ(messages[2], "Saving contacts to file: " + output_);
  EXPECT_TRUE(AnyFailureTrapped());

  XmlElement root = ReadXmlFile(output_);
  EXPECT_EQ(root.name, "olcontacts");
  EXPECT_FALSE(root.Attribute("timestamp").empty());
  std::string bytes = ReadFile(output_);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\"?>", 0), 0u);
}

TEST_F(ExportTest, WalkOrderSkipsAndRecursion) {
  std::string tree =
      Folder("Contacts", 2, Contact(R"("FullName": "parent")"),
             Folder("Team", 2, Contact(R"("FullName": "team")"),
                    Folder("Inner", 2, Contact(R"("FullName": "inner")"))) +
                 "," + Folder("Old (talvo backup)", 2, Contact(R"("FullName": "backup")")) + "," +
                 Folder("Mail", 0, "", Folder("Nested", 2, Contact(R"("FullName": "nested")"))));
  UseProfile(Profile(tree + "," + Folder("Deleted Items", 2, Contact(R"("FullName": "deleted")"))));

  // Subfolders first, depth first; backup folders contribute nothing; a mail
  // folder contributes only its subfolders' contacts.
  EXPECT_EQ(Names(Export(0, "\\\\Personal Folders\\Contacts", true)),
            (std::vector<std::string>{"inner", "team", "nested", "parent"}));
  EXPECT_EQ(Names(Export(0, "\\\\Personal Folders\\Contacts", false)),
            (std::vector<std::string>{"parent"}));
  EXPECT_TRUE(Export(0, "\\\\Personal Folders\\Deleted Items", true).empty());
  // Without recursion a folder that holds no contacts itself gives nothing.
  EXPECT_TRUE(Export(0, "\\\\Personal Folders\\Contacts\\Mail", false).empty());
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(ExportTest, ReadFaultEndsTheContactSilentlyAndLaterContactsAreWhole) {
  UseProfile(Profile(Folder(
      "Contacts", 2,
      Contact(
          R"("FullName": "broken", "AssistantName": "Assistant", "Children": "Kids", "CompanyName": "Co", "Department": "Dept")",
          "2026-01-01 12:00:00", R"("read:CompanyName")") +
          "," + Contact(R"("FullName": "whole", "CompanyName": "Co", "Department": "Dept")"))));
  std::vector<XmlElement> contacts = Export(0, "\\\\Personal Folders\\Contacts");
  ASSERT_EQ(contacts.size(), 2u);
  // Exactly the rows before CompanyName, the computed name combinations among them.
  std::vector<std::string> broken;
  for (const XmlElement& field : contacts[0].children) broken.push_back(field.name);
  EXPECT_EQ(broken,
            (std::vector<std::string>{"AssistantName", "Children", "CompanyAndFullName",
                                      "CompanyLastFirstNoSpace", "CompanyLastFirstSpaceOnly"}));
  EXPECT_EQ(contacts[1].ChildText("CompanyName"), "Co");
  EXPECT_EQ(contacts[1].ChildText("Department"), "Dept");
  for (const std::string& message : LogMessages()) {
    EXPECT_EQ(message.find("Error"), std::string::npos) << message;  // silent skip
  }
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ExportTest, FailingEntriesAreLoggedOnlyUntilTheFirstContactReachesItsFields) {
  std::string failing =
      Contact(R"("FullName": "x")", "2026-01-01 12:00:00", R"("read:LastModificationTime")");
  UseProfile(Profile(Folder(
      "Contacts", 2, failing + "," + failing + "," + Contact(R"("FullName": "ok")") + "," + failing,
      Folder("Sub", 2, failing))));
  EXPECT_EQ(Export(0, "\\\\Personal Folders\\Contacts", true).size(), 1u);
  // Two before "ok" in Contacts, one in Sub (its own folder starts logged);
  // the one after "ok" is silent.
  EXPECT_EQ(LoggedEntryFailures(), 3);
}

TEST_F(ExportTest, FailingSubfoldersArePassedOverAndTheWalkGoesOn) {
  std::string contact = Contact(R"("FullName": "lost")");
  UseProfile(Profile(Folder("Contacts", 2, Contact(R"("FullName": "parent")"),
                            Folder("NoPath", 2, contact, "", R"("path")") + "," +
                                Folder("NoItems", 2, contact, "", R"("items")") + "," +
                                Folder("Fine", 2, Contact(R"("FullName": "fine")")))));
  EXPECT_EQ(Names(Export(0, "\\\\Personal Folders\\Contacts", true)),
            (std::vector<std::string>{"fine", "parent"}));
  // The unreadable item collection; the failing path is silent.
  EXPECT_EQ(LoggedEntryFailures(), 1);
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ExportTest, UnsafeValuesGiveAWellFormedDocumentThatReadsBack) {
  UseProfile(Profile(Folder(
      "Contacts", 2,
      Contact(
          R"("FullName": "a]]>b", "Department": "x\u0001y\u000bz", "CompanyName": "<&>\"'")"))));
  std::vector<XmlElement> contacts = Export(0, "\\\\Personal Folders\\Contacts");
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0].ChildText("FullName"), "a]]>b");
  EXPECT_EQ(contacts[0].ChildText("Department"), "xyz");
  EXPECT_EQ(contacts[0].ChildText("CompanyName"), "<&>\"'");
}

TEST_F(ExportTest, ExistingOutputIsReplacedWithNoTemporaryFileLeft) {
  testing::WriteFile(output_, "old content that is longer than the new document will be......");
  UseProfile(Profile(Folder("Contacts", 2, "")));
  EXPECT_TRUE(Export(0, "\\\\Personal Folders\\Contacts").empty());
  std::string bytes = ReadFile(output_);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\"?>", 0), 0u);
  EXPECT_EQ(bytes.find("old content"), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "out.xml" || name == "run.log") << name;
  }
}

TEST_F(ExportTest, UnwritableOutputEndsWithoutAFileAfterOneRetry) {
  UseProfile(Profile(Folder("Contacts", 2, Contact(R"("FullName": "A")"))));
  std::string output = dir_.File("missing/out.xml");
  StartLog(logFile_);
  ExportContacts(0, "\\\\Personal Folders\\Contacts", output, false);
  ResetLog();
  EXPECT_FALSE(std::filesystem::exists(output));
  std::vector<std::string> messages = LogMessages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages[messages.size() - 3], "Saving contacts to file: " + output);
  EXPECT_EQ(messages[messages.size() - 2].rfind("Error exporting contacts - ", 0), 0u);
  EXPECT_EQ(messages.back(), "Saving contacts to file: " + output);
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ExportTest, ProgramExitsZeroWhenCleanAndOneWhenAFailureWasTrapped) {
  UseProfile(Profile(Folder("Contacts", 2, Contact(R"("FullName": "Anna Smith")"))));
  auto run = [&](const std::string& arguments) {
    return testing::RunCommand("TOVASK_PROFILE=" + testing::ShellQuote(profile_->path()) + " " +
                               TOVASK_BINARY + " " + arguments);
  };
  EXPECT_EQ(run("-o 0 '\\\\Personal Folders\\Contacts' " + testing::ShellQuote(output_) + " -l " +
                testing::ShellQuote(logFile_)),
            0);
  EXPECT_EQ(ReadXmlFile(output_).children.size(), 1u);
  // The peer system's own command line, handed over unsplit.
  EXPECT_EQ(run("--command-line " +
                testing::ShellQuote("/O 0 \"\\\\Personal Folders\\Nowhere\" " + output_ + " -r")),
            1);
  EXPECT_TRUE(ReadXmlFile(output_).children.empty());
  EXPECT_EQ(LogMessages().size(), 5u);  // only the first run was logged
}

}  // namespace
}  // namespace tovask
