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

TEST_F(AddressRecordsTest, SendersMetOnceComeFirstRepeatedOnesKeepTheirSecondSightingDaemonsNone) {
  auto anna = [](const std::string& jobTitle) {
    return Mail(Sender("Anna", "anna@x", R"("jobTitle": ")" + jobTitle + "\""));
  };
  const std::vector<std::string> mails = {
      anna("first"), Mail(Sender("Carl One", "carl@x")), Mail(Sender("Bea", "bea@x")),
      anna("second"), Mail(Sender("Carl Two", "CARL@X")), anna("third"),
      // Neither a message without a sender nor one whose sender has no
      // address counts; nor do delivery daemons, in any letter case.
      Mail("null"), Mail(Sender("Nobody", "")), Mail(R"({"name": "No address"})"),
      Mail(Sender("Daemon", "Mailer-Daemon@mx.example")), Mail(Sender("Post", "POSTMASTER@x")),
      Mail(Sender("Post", "postMaster@y")),
      // Only the beginning of the address makes a daemon.
      Mail(Sender("Team", "postmaster.team@x")), Mail(Sender("Not", "no-postmaster@x"))};
  std::string items;
  for (const std::string& mail : mails) items += (items.empty() ? "" : ",") + mail;
  UseProfile(MailProfile(MailFolder("Inbox", items)));

  auto record = [](const std::string& name, const std::string& address, const char* count,
                   Record extra = {}) {
    Record record = {
        {"EntryID", address}, {"Email1AddressType", "SMTP"}, {"Email1Address", address}};
    record.insert(record.end(), extra.begin(), extra.end());
    record.insert(record.end(), {{"FileAs", name}, {"Count", count}});
    return record;
  };
  EXPECT_EQ(InboxRecords(), (std::vector<Record>{
                                record("Bea", "bea@x", "1"),
                                record("Team", "postmaster.team@x", "1"),
                                record("Not", "no-postmaster@x", "1"),
                                record("Anna", "anna@x", "2", {{"JobTitle", "second"}}),
                                record("Carl Two", "CARL@X", "2"),
                            }));
  EXPECT_TRUE(InboxLogDetails().empty());
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(AddressRecordsTest, ElementsInOrderWithTheDisplayNameAndFileAsRules) {
  const std::string anna = R"("firstName": "Anna", "lastName": "Smith")";
  const Record names = {{"FirstName", "Anna"}, {"LastName", "Smith"}};
  struct Row {
    std::string sender;  // each row's address is its own
    Record expected;     // between Email1Address and Count
  } rows[] = {
      {R"json({"name": "Anna Smith (Sales)", "address": "/O=NORD/CN=ANNA", "type": "EX",
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
      {Sender("b@x", "b@x"), {}},
      {Sender("Anna Smith", "c@x", anna), names},
      {Sender("Smith Anna", "d@x", anna), names},
      {Sender("Smith, Anna", "e@x", anna), names},
      {Sender("Anna  Smith", "f@x", anna), {names[0], names[1], {"FileAs", "Anna  Smith"}}},
      {Sender("anna smith", "g@x", anna), {names[0], names[1], {"FileAs", "anna smith"}}},
      {Sender("Anna ", "h@x", R"("firstName": "Anna")"), {names[0]}},
      {Sender(", ", "i@x"), {}},
      {Sender("", "j@x"), {}},
      {Sender("k@x", "k@x", R"("smtpAddress": "k@x")"), {}},
      {Sender("m@x", "m@x", R"("smtpAddress": "M@x")"), {{"Email1DisplayName", "M@x"}}},
  };
  std::string items;
  for (const Row& row : rows) items += (items.empty() ? "" : ",") + Mail(row.sender);
  UseProfile(MailProfile(MailFolder("Inbox", items)));

  std::vector<Record> records = InboxRecords();
  ASSERT_EQ(records.size(), std::size(rows));
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_GE(records[i].size(), 4u) << "row " << i;
    EXPECT_EQ(Record(records[i].begin() + 3, records[i].end() - 1), rows[i].expected)
        << "row " << i;
    EXPECT_EQ(records[i].back(), Record::value_type("Count", "1")) << "row " << i;
  }
  EXPECT_EQ(Record(records[0].begin(), records[0].begin() + 3),
            (Record{{"EntryID", "/O=NORD/CN=ANNA"},
                    {"Email1AddressType", "EX"},
                    {"Email1Address", "/O=NORD/CN=ANNA"}}));
}

TEST_F(AddressRecordsTest, ReadFailuresCostTheirElementOrEndTheRecordAndTheNextSenderFollows) {
  const std::string fault = "ProfileStore, -2147467259 - Fault ";
  UseProfile(MailProfile(MailFolder(
      "Inbox", Mail(R"({"name": "Eve", "address": "eve@x", "faults": ["read:Address"]})") + "," +
                   Mail(R"({"name": "Anna Smith", "address": "a@x", "firstName": "Anna",
                   "lastName": "Smith", "jobTitle": "Boss", "streetAddress": "Gata 1",
                   "faults": ["read:Type", "read:JobTitle", "read:StreetAddress"]})") +
                   "," + Mail(R"({"name": "Bo Berg", "address": "b@x", "faults": ["read:Name"]})") +
                   "," + Mail(R"({"name": "Dr. Cy Dahl", "address": "c@x", "firstName": "Cy",
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
                                {{"EntryID", "c@x"}, {"Email1Address", "c@x"}, {"FirstName", "Cy"}},
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
