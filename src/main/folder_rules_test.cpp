#include "main/folder_rules.h"

#include <gtest/gtest.h>

namespace tovask {
namespace {

TEST(FolderRulesTest, IsSkippedFolder) {
  struct Row {
    const char* path;
    bool skipped;
  };
  const Row rows[] = {
      {R"(\\Mailbox\Inbox)", false},
      {R"(\\Mailbox\inbox)", false},
      {R"(\\Mailbox\Drafts\Inbox)", false},
      {R"(\\Mailbox\Drafts)", true},
      {R"(\\Mailbox\Projects\Search Folders Old)", true},
      {R"(\\Mailbox\Contacts (talvo backup))", true},
      {R"(\\Mailbox\Contacts (TALVO Backup))", true},
      {R"(\\Mailbox\Contacts)", false},
      {R"(\\Mailbox\SENT ITEMS)", false},
      {R"(\\Mailbox\Customers)", false},
      {R"(\\Mailbox)", false},
      // The walked endings win over every skip rule.
      {R"(\\Mailbox\Search Folders\Inbox)", false},
      {R"(\\Mailbox\Root - Mailbox\Contacts)", false},
      {R"(\\Mailbox\Root - Mailbox\Other)", true},
      {R"(\\Mailbox\Root - Mailbox)", false},
      {R"(\\Mailbox\root - mailbox\x)", true},
      {R"(\\Mailbox\Calendar)", true},
      {R"(\\Mailbox\Calendar\Holidays)", false},
      {R"(\\Mailbox\My Calendar)", false},
      {R"(\\Mailbox\Deleted Items)", true},
      {R"(\\Mailbox\Junk E-Mail)", true},
      {R"(\\Mailbox\Sync Issues)", true},
      {R"(\\Mailbox\Content.Filter)", true},
      {R"(\\Mailbox\Search Folders)", true},
      // Names that sit directly below a store need both backslashes.
      {R"(\\Search Root)", true},
      {R"(\\Mailbox\Search Root)", false},
      {R"(\\IPM_VIEWS)", true},
      {R"(\\Mailbox\IPM_VIEWS)", false},
      {R"(\\ipm_common_views)", true},
      {R"(\\Freebusy Data)", true},
      {R"(\\Postfach\Entwürfe)", false},
      {R"(\\Müller\KONTAKTE (Talvo Backup))", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsSkippedFolder(row.path), row.skipped) << row.path;
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

  struct StoreRow {
    const char* name;
    bool listed;
  };
  const StoreRow stores[] = {
      {"Public Folders", false}, {"Archive Folders", false}, {"public folders", true},
      {"Public  Folders", true}, {"Mailbox - Anna", true},   {"", true},
  };
  for (const StoreRow& row : stores) {
    EXPECT_EQ(IsListedStore(row.name), row.listed) << row.name;
  }
}

}  // namespace
}  // namespace tovask
