#include "main/folder_rules.h"

#include <gtest/gtest.h>

namespace tovask {
namespace {

TEST(FolderRulesTest, IsSkippedFolder) {
  // The walked endings win over every skip rule; names directly below a
  // store need both backslashes; \Root - Mailbox\ skips only what is below.
  for (const char* path :
       {R"(\\Mailbox\Inbox)", R"(\\Mailbox\inbox)", R"(\\Mailbox\Drafts\Inbox)",
        R"(\\Mailbox\Contacts)", R"(\\Mailbox\SENT ITEMS)", R"(\\Mailbox\Customers)",
        R"(\\Mailbox)", R"(\\Mailbox\Search Folders\Inbox)", R"(\\Mailbox\Root - Mailbox\Contacts)",
        R"(\\Mailbox\Root - Mailbox)", R"(\\Mailbox\Calendar\Holidays)", R"(\\Mailbox\My Calendar)",
        R"(\\Mailbox\Search Root)", R"(\\Mailbox\IPM_VIEWS)", R"(\\Postfach\Entwürfe)"}) {
    EXPECT_FALSE(IsSkippedFolder(path)) << path;
  }
  for (const char* path :
       {R"(\\Mailbox\Drafts)", R"(\\Mailbox\Projects\Search Folders Old)",
        R"(\\Mailbox\Contacts (talvo backup))", R"(\\Mailbox\Contacts (TALVO Backup))",
        R"(\\Müller\KONTAKTE (Talvo Backup))", R"(\\Mailbox\Root - Mailbox\Other)",
        R"(\\Mailbox\root - mailbox\x)", R"(\\Mailbox\Calendar)", R"(\\Mailbox\Deleted Items)",
        R"(\\Mailbox\Junk E-Mail)", R"(\\Mailbox\Sync Issues)", R"(\\Mailbox\Content.Filter)",
        R"(\\Mailbox\Search Folders)", R"(\\Search Root)", R"(\\IPM_VIEWS)",
        R"(\\ipm_common_views)", R"(\\Freebusy Data)"}) {
    EXPECT_TRUE(IsSkippedFolder(path)) << path;
  }
}

TEST(FolderRulesTest, EndsWithTextAndIsListedStore) {
  struct EndingRow {
    const char* text;
    const char* ending;
    bool expected;
  };
  const EndingRow endings[] = {
      {"Contacts", "contacts", true}, {"Contacts", "", true},       {"", "", true},
      {"acts", "Contacts", false},    {"Müller", "LLER", true},     {"MÜLLER", "üller", true},
      {"Straße", "straße", true},     {"Straße", "STRASSE", false}, {"x\\Inbox", "\\INBOX", true},
      {"Grüße", "SSE", false},  // the last three characters are "üße"
  };
  for (const EndingRow& row : endings) {
    EXPECT_EQ(EndsWithText(row.text, row.ending), row.expected) << row.text << " / " << row.ending;
  }

  for (const char* name : {"public folders", "Public  Folders", "Mailbox - Anna", ""}) {
    EXPECT_TRUE(IsListedStore(name)) << name;
  }
  EXPECT_FALSE(IsListedStore("Public Folders"));
  EXPECT_FALSE(IsListedStore("Archive Folders"));
}

}  // namespace
}  // namespace tovask
