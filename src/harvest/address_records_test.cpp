#include "harvest/address_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harvest/harvest_test_fixture.h"

namespace tovask {
namespace {

using testing::Mail;
using testing::MailFolder;
using testing::MailProfile;
using testing::Record;
using testing::Sender;

class AddressRecordsTest : public testing::HarvestTest {};

TEST_F(AddressRecordsTest, SendersMetOnceComeFirstAndRepeatedOnesKeepTheirSecondSighting) {
  auto anna = [](const std::string& jobTitle) {
    return Sender("Anna", "anna@x", R"("jobTitle": ")" + jobTitle + "\"");
  };
  UseProfile(MailProfile(
      MailFolder("Inbox", Mail(anna("first")) + "," + Mail(Sender("Carl One", "carl@x")) + "," +
                              Mail(Sender("Bea", "bea@x")) + "," + Mail(anna("second")) + "," +
                              Mail(Sender("Carl Two", "CARL@X")) + "," + Mail(anna("third")))));
  EXPECT_EQ(InboxRecords(), (std::vector<Record>{
                                {{"EntryID", "bea@x"},
                                 {"Email1AddressType", "SMTP"},
                                 {"Email1Address", "bea@x"},
                                 {"FileAs", "Bea"},
                                 {"Count", "1"}},
                                {{"EntryID", "anna@x"},
                                 {"Email1AddressType", "SMTP"},
                                 {"Email1Address", "anna@x"},
                                 {"JobTitle", "second"},
                                 {"FileAs", "Anna"},
                                 {"Count", "2"}},
                                {{"EntryID", "CARL@X"},
                                 {"Email1AddressType", "SMTP"},
                                 {"Email1Address", "CARL@X"},
                                 {"FileAs", "Carl Two"},
                                 {"Count", "2"}},
                            }));
  EXPECT_TRUE(InboxLogDetails().empty());
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(AddressRecordsTest, NoSenderAnEmptyAddressAndDeliveryDaemonsGiveNoRecordAndNoLogLine) {
  UseProfile(
      MailProfile(MailFolder("Inbox", Mail("null") + "," + Mail(Sender("Nobody", "")) + "," +
                                          Mail(R"({"name": "No address at all"})") + "," +
                                          Mail(Sender("Daemon", "Mailer-Daemon@mx.example")) + "," +
                                          Mail(Sender("Post", "POSTMASTER@corp.example")) + "," +
                                          Mail(Sender("Post", "postMaster@x")) + "," +
                                          Mail(Sender("Team", "postmaster.team@x")) + "," +
                                          Mail(Sender("Info", "no-postmaster@x")) + "," +
                                          Mail(Sender("Bot", "mailer-daemon")))));
  std::vector<std::string> kept;
  for (const Record& record : InboxRecords()) kept.push_back(record.front().second);
  EXPECT_EQ(kept,
            (std::vector<std::string>{"postmaster.team@x", "no-postmaster@x", "mailer-daemon"}));
  EXPECT_TRUE(InboxLogDetails().empty());
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(AddressRecordsTest, ElementsInOrderWithTheDisplayNameAndFileAsRules) {
  struct Row {
    const char* label;
    std::string sender;  // its address is unique to the row
    Record expected;     // after EntryID, Email1AddressType and Email1Address
  };
  const std::vector<Row> rows = {
      {"every field",
       R"json({"name": "Anna Smith (Sales)", "address": "/O=NORD/CN=ANNA", "type": "EX",
           "smtpAddress": "anna@nord.example", "firstName": "Anna", "lastName": "Smith",
           "jobTitle": "Director", "assistantName": "Per", "businessTelephoneNumber": "+47 1",
           "mobileTelephoneNumber": "+47 2", "streetAddress": "Storgata 1"})json",
       {{"Email1DisplayName", "anna@nord.example"},
        {"AssistantName", "Per"},
        {"BusinessTelephoneNumber", "+47 1"},
        {"FirstName", "Anna"},
        {"JobTitle", "Director"},
        {"LastName", "Smith"},
        {"MobileTelephoneNumber", "+47 2"},
        {"FileAs", "Anna Smith (Sales)"},
        {"OtherAddress", "Storgata 1"}}},
      {"name is the address", Sender("b@x", "b@x"), {}},
      {"first last",
       Sender("Anna Smith", "c@x", R"("firstName": "Anna", "lastName": "Smith")"),
       {{"FirstName", "Anna"}, {"LastName", "Smith"}}},
      {"last first",
       Sender("Smith Anna", "d@x", R"("firstName": "Anna", "lastName": "Smith")"),
       {{"FirstName", "Anna"}, {"LastName", "Smith"}}},
      {"last, first",
       Sender("Smith, Anna", "e@x", R"("firstName": "Anna", "lastName": "Smith")"),
       {{"FirstName", "Anna"}, {"LastName", "Smith"}}},
      {"two blanks",
       Sender("Anna  Smith", "f@x", R"("firstName": "Anna", "lastName": "Smith")"),
       {{"FirstName", "Anna"}, {"LastName", "Smith"}, {"FileAs", "Anna  Smith"}}},
      {"other case",
       Sender("anna smith", "g@x", R"("firstName": "Anna", "lastName": "Smith")"),
       {{"FirstName", "Anna"}, {"LastName", "Smith"}, {"FileAs", "anna smith"}}},
      {"first name only",
       Sender("Anna ", "h@x", R"("firstName": "Anna")"),
       {{"FirstName", "Anna"}}},
      {"no names, name a blank", Sender(" ", "i@x"), {}},
      {"no names, name a comma", Sender(", ", "j@x"), {}},
      {"no display name", Sender("", "k@x"), {}},
      {"SMTP address the same", Sender("l@x", "l@x", R"("smtpAddress": "l@x")"), {}},
      {"SMTP address in other case",
       Sender("m@x", "m@x", R"("smtpAddress": "M@x")"),
       {{"Email1DisplayName", "M@x"}}},
  };
  std::string mails;
  for (const Row& row : rows) mails += (mails.empty() ? "" : ",") + Mail(row.sender);
  UseProfile(MailProfile(MailFolder("Inbox", mails)));

  std::vector<Record> records = InboxRecords();
  ASSERT_EQ(records.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Record& record = records[i];
    ASSERT_GE(record.size(), 4u) << rows[i].label;
    Record rest(record.begin() + 3, record.end() - 1);
    EXPECT_EQ(rest, rows[i].expected) << rows[i].label;
    EXPECT_EQ(record[0].first, "EntryID") << rows[i].label;
    EXPECT_EQ(record[1].first, "Email1AddressType") << rows[i].label;
    EXPECT_EQ(record[2].first, "Email1Address") << rows[i].label;
    EXPECT_EQ(record[0].second, record[2].second) << rows[i].label;
    EXPECT_EQ(record.back(), (std::pair<std::string, std::string>("Count", "1"))) << rows[i].label;
  }
  EXPECT_EQ(records[0][1].second, "EX");
  EXPECT_EQ(records[0][0].second, "/O=NORD/CN=ANNA");
}

TEST_F(AddressRecordsTest, ReadFailuresCostTheirElementOrEndTheRecordAndTheNextSenderFollows) {
  const std::string fault = "ProfileStore, -2147467259 - Fault ";
  UseProfile(MailProfile(MailFolder(
      "Inbox",
      Mail(R"({"name": "Eve", "address": "eve@x", "faults": ["read:Address"]})") + "," +
          Mail(R"({"name": "Anna Smith", "address": "a@x", "type": "SMTP", "firstName": "Anna",
                   "lastName": "Smith", "jobTitle": "Boss", "streetAddress": "Gata 1",
                   "faults": ["read:Type", "read:JobTitle", "read:StreetAddress"]})") +
          "," + Mail(R"({"name": "Bo Berg", "address": "b@x", "faults": ["read:Name"]})") + "," +
          Mail(R"({"name": "Dr. Cy Dahl", "address": "c@x", "type": "SMTP", "firstName": "Cy",
                   "lastName": "Dahl", "streetAddress": "Gata 2", "faults": ["read:LastName"]})") +
          "," + Mail(Sender("Dee", "d@x")))));
  EXPECT_EQ(InboxRecords(), (std::vector<Record>{
                                // Each unreadable value costs its element only.
                                {{"EntryID", "a@x"},
                                 {"Email1Address", "a@x"},
                                 {"FirstName", "Anna"},
                                 {"LastName", "Smith"},
                                 {"Count", "1"}},
                                // The display name is the record's own.
                                {},
                                // The file-as test needs the last name: the record ends there.
                                {{"EntryID", "c@x"},
                                 {"Email1AddressType", "SMTP"},
                                 {"Email1Address", "c@x"},
                                 {"FirstName", "Cy"}},
                                {{"EntryID", "d@x"},
                                 {"Email1AddressType", "SMTP"},
                                 {"Email1Address", "d@x"},
                                 {"FileAs", "Dee"},
                                 {"Count", "1"}},
                            }));
  EXPECT_EQ(InboxLogDetails(),
            (std::vector<std::string>{
                "Error harvesting address -  " + fault + "'read:Address' on address entry Eve",
                "Error exporting contact Anna Smith - Email1AddressType: " + fault +
                    "'read:Type' on address entry Anna Smith",
                "Error exporting contact Anna Smith - JobTitle: " + fault +
                    "'read:JobTitle' on address entry Anna Smith",
                "Error exporting contact Anna Smith - OtherAddress: " + fault +
                    "'read:StreetAddress' on address entry Anna Smith",
                "Error saving - b@x, " + fault + "'read:Name' on address entry Bo Berg",
                "Error exporting contact Dr. Cy Dahl - LastName: " + fault +
                    "'read:LastName' on address entry Dr. Cy Dahl",
                "Error saving - c@x, " + fault + "'read:LastName' on address entry Dr. Cy Dahl",
            }));
  EXPECT_TRUE(AnyFailureTrapped());
}

}  // namespace
}  // namespace tovask
