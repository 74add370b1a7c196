// The operations through the real program on profiles with the sample files
// attached: listing, export, harvest and import.
#include <gtest/gtest.h>

#include <filesystem>

#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "profile_store/test_profile.h"
#include "pst/sample_files.h"

namespace tovask::outlook {
namespace {

using testing::ProfileWithDataFiles;
using testing::ProgramOutcome;
using testing::ReadFile;
using testing::RunCaptured;
using testing::SampleFile;
using testing::ShellQuote;
using testing::TempDir;
using testing::TestProfile;
using testing::WriteFile;

class DataFileRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOVASK_SKIP_WITHOUT_SAMPLE_FILES();
    std::filesystem::copy_file(SampleFile("SampleContacts.pst"), copy_);
    profile_.emplace(ProfileWithDataFiles({{"Sample", copy_},
                                           {"Outlook", SampleFile("Outlook_1.pst")},
                                           {"Ost", SampleFile("SampleOstFile.ost")},
                                           {"Damaged", SampleFile("damaged-items.pst")},
                                           {"Dist", SampleFile("dist-list.pst")}}));
  }

  // Runs tovask in UTC with the arguments (quoted already).
  ProgramOutcome Run(const std::string& arguments) {
    return RunCaptured("TZ=UTC " + ShellQuote(TOVASK_BINARY) + " " + arguments, scratch_.path());
  }
  std::vector<XmlElement> Export(const std::string& folder, int expectedStatus = 0) {
    ProgramOutcome outcome = Run("-o 0 " + ShellQuote(folder) + " " + ShellQuote(output_));
    EXPECT_EQ(outcome.status, expectedStatus) << folder << outcome.err;
    return ReadXmlFile(output_).children;
  }
  std::vector<XmlElement> Harvest(const std::string& folder) {
    ProgramOutcome outcome = Run("-h 0 " + ShellQuote(folder) + " " + ShellQuote(output_) + " -r");
    EXPECT_EQ(outcome.status, 0) << folder << outcome.err;
    return ReadXmlFile(output_).children;
  }

  TempDir dir_, scratch_;
  std::string copy_ = dir_.File("contacts.pst");
  std::string output_ = dir_.File("out.xml");
  std::optional<TestProfile> profile_;
};

TEST_F(DataFileRunTest, ListingWalksTheAttachedStoresInTheProfilesOrder) {
  ASSERT_EQ(Run("-f " + ShellQuote(output_)).status, 0);
  std::vector<std::string> listed;
  for (const XmlElement& folder : ReadXmlFile(output_).children) {
    listed.push_back(folder.name + " " + folder.text);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "EmailFolder \\\\Personal Folders",
                        "ContactFolder \\\\Personal Folders\\Contacts",
                        "EmailFolder \\\\Sample",
                        "ContactFolder \\\\Sample\\Contacts",
                        "EmailFolder \\\\Outlook",
                        "EmailFolder \\\\Outlook\\Inbox",
                        "EmailFolder \\\\Outlook\\Inbox\\SubInbox",
                        "EmailFolder \\\\Outlook\\Sent Items",
                        "ContactFolder \\\\Outlook\\Contacts",
                        "EmailFolder \\\\Ost",
                        "EmailFolder \\\\Ost\\Inbox",
                        "EmailFolder \\\\Ost\\Inbox\\sub1",
                        "EmailFolder \\\\Ost\\Inbox\\sub2",
                        "EmailFolder \\\\Ost\\Sent Items",
                        "ContactFolder \\\\Ost\\Contacts",
                        "ContactFolder \\\\Ost\\Suggested Contacts",
                        "EmailFolder \\\\Damaged",
                        "EmailFolder \\\\Damaged\\Inbox",
                        "EmailFolder \\\\Damaged\\Sent Items",
                        "ContactFolder \\\\Damaged\\Contacts",
                        "EmailFolder \\\\Damaged\\Inbox",
                        "EmailFolder \\\\Dist",
                        "EmailFolder \\\\Dist\\Inbox",
                        "EmailFolder \\\\Dist\\Sent Items",
                        "ContactFolder \\\\Dist\\Contacts",
                    }));
}

TEST_F(DataFileRunTest, ExportsCarryNamesAddressesAndTelephones) {
  // What the store reads of each contact is checked beside the store; here
  // the export's own forms: names, telephones, dates and identifiers.
  std::vector<XmlElement> sample = Export("\\\\Sample\\Contacts");
  ASSERT_EQ(sample.size(), 6u);
  EXPECT_EQ(sample[3].ChildText("FullName"), "Margaret J. Tolle");
  EXPECT_EQ(sample[3].ChildText("MobileTelephoneNumber"), "(925)599-3355(925)599-3355");
  EXPECT_EQ(sample[3].ChildText("EntryID"), "0000000006AF532EFFACB14C8735B425197F58F284002000");

  std::vector<XmlElement> saqib = Export("\\\\Outlook\\Contacts");
  ASSERT_EQ(saqib.size(), 1u);
  EXPECT_EQ(saqib[0].ChildText("FullName"), "Saqib Razzaq");
  EXPECT_EQ(saqib[0].ChildText("Email1Address"), "saqib.razzaq@xp.local");
  EXPECT_EQ(saqib[0].ChildText("CompanyName"), "Aspose");
  EXPECT_EQ(saqib[0].ChildText("BusinessTelephoneNumber"), "1110001234");
  EXPECT_EQ(saqib[0].ChildText("HomeTelephoneNumber"), "1112223333");
  EXPECT_EQ(saqib[0].ChildText("MobileTelephoneNumber"), "3334443333");
  EXPECT_EQ(saqib[0].ChildText("LastModificationTime"), "2011-06-21 23:53:13");
  EXPECT_EQ(saqib[0].ChildText("FileAs"), "Razzaq, Saqib");

  // The distribution list beside the contact is passed over.
  std::vector<XmlElement> dist = Export("\\\\Dist\\Contacts");
  ASSERT_EQ(dist.size(), 1u);
  EXPECT_EQ(dist[0].ChildText("FullName"), "contact name 1");
}

TEST_F(DataFileRunTest, DamagedContactsFollowTheExportsFailureRules) {
  std::vector<XmlElement> contacts = Export("\\\\Damaged\\Contacts", 1);
  ASSERT_EQ(contacts.size(), 21u);
  for (std::size_t i = 0; i < contacts.size(); ++i) {
    if (i < 9) {
      EXPECT_EQ(contacts[i].ChildText("FirstName"), "Saqib") << i;
      EXPECT_EQ(contacts[i].ChildText("LastName"), "Razzaq") << i;
      EXPECT_EQ(contacts[i].ChildText("EntryID").size(), 48u) << i;
    } else {
      // An unreadable contact fails at its first field: its element stays empty.
      EXPECT_TRUE(contacts[i].children.empty()) << i;
    }
  }
}

TEST_F(DataFileRunTest, HarvestsReadSmtpAndExchangeSenders) {
  std::vector<XmlElement> outlook = Harvest("\\\\Outlook\\Inbox");
  ASSERT_EQ(outlook.size(), 1u);
  EXPECT_EQ(outlook[0].ChildText("Email1Address"), "saqib.razzaq@xp.local");
  EXPECT_EQ(outlook[0].ChildText("Count"), "2");

  const std::string admin =
      "/O=HOME ORGANIZATION/OU=EXCHANGE ADMINISTRATIVE GROUP (FYDIBOHF23SPDLT)/CN=RECIPIENTS/"
      "CN=ADMINISTRATOR";
  struct Row {
    const char* address;
    const char* type;
    const char* smtp;
    const char* count;
  };
  const Row inbox[] = {
      {"from@domain.com", "SMTP", "", "1"},
      {"rolf.petersson@telia.com", "SMTP", "", "1"},
      {admin.c_str(), "EX", "Administrator@ex2010.local", "2"},
      {"/O=HOME ORGANIZATION/OU=EXCHANGE ADMINISTRATIVE GROUP (FYDIBOHF23SPDLT)/CN=RECIPIENTS/"
       "CN=SAQIB RAZZAQ2EE05199",
       "EX", "saqib.razzaq@ex2010.local", "2"},
  };
  std::vector<XmlElement> ost = Harvest("\\\\Ost\\Inbox");
  ASSERT_EQ(ost.size(), std::size(inbox));
  for (std::size_t i = 0; i < ost.size(); ++i) {
    EXPECT_EQ(ost[i].ChildText("Email1Address"), inbox[i].address) << i;
    EXPECT_EQ(ost[i].ChildText("Email1AddressType"), inbox[i].type) << i;
    EXPECT_EQ(ost[i].ChildText("Email1DisplayName"), inbox[i].smtp) << i;
    EXPECT_EQ(ost[i].ChildText("Count"), inbox[i].count) << i;
  }
  // The sent messages name their Exchange sender without an SMTP address.
  std::vector<XmlElement> sent = Harvest("\\\\Ost\\Sent Items");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].ChildText("Email1AddressType"), "EX");
  EXPECT_FALSE(sent[0].HasChild("Email1DisplayName"));
  EXPECT_EQ(sent[0].ChildText("FileAs"), "Saqib Razzaq");
}

TEST_F(DataFileRunTest, ImportsAndOutputsLeaveAttachedFilesAsTheyWere) {
  const std::string before = ReadFile(copy_);
  WriteFile(dir_.File("talvo.xml"),
            "<?xml version=\"1.0\"?><olcontacts>"
            "<contact id=\"1\" EntryID=\"0000000006AF532EFFACB14C8735B425197F58F284002000\">"
            "<FirstName><![CDATA[Meg]]></FirstName></contact>"
            "<contact id=\"2\"><FullName><![CDATA[Liv Berg]]></FullName></contact></olcontacts>");
  std::string log = dir_.File("run.log");
  ProgramOutcome import =
      Run("-i 0 '\\\\Sample\\Contacts' " + ShellQuote(dir_.File("talvo.xml")) + " " +
          ShellQuote(dir_.File("feedback.xml")) + " -b -l " + ShellQuote(log));
  EXPECT_EQ(import.status, 1);
  std::string entries = ReadFile(log);
  EXPECT_NE(entries.find("Error backuping contacts - ProfileStore, -2147024891 - The store of "
                         "folder \\\\Sample is read-only"),
            std::string::npos)
      << entries;
  EXPECT_NE(entries.find("Error updating contact: ProfileStore, -2147024891 - The store of item "
                         "0000000006AF532EFFACB14C8735B425197F58F284002000 is read-only"),
            std::string::npos);
  EXPECT_NE(entries.find("The store of folder \\\\Sample\\Contacts is read-only"),
            std::string::npos);
  EXPECT_EQ(ReadFile(dir_.File("feedback.xml")).find("created"), std::string::npos);
  EXPECT_EQ(ReadFile(copy_), before);

  // No document, log or feedback is ever written over an attached file.
  EXPECT_EQ(Run("-f " + ShellQuote(copy_)).status, 1);
  EXPECT_EQ(Run("-o 0 '\\\\Sample' out.xml -l " + ShellQuote(copy_)).status, 1);
  EXPECT_EQ(ReadFile(copy_), before);
}

}  // namespace
}  // namespace tovask::outlook
