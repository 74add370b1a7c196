#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <optional>
#include <tuple>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "outlook/store_failure.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;
using tovask::testing::RaisedBy;
using tovask::testing::TestProfile;

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return *DateTime::FromParts(year, month, day, hour, minute, second);
}

class StorePropertiesTest : public ::testing::Test {
 protected:
  static std::unique_ptr<Item> FirstItem(Session& session, const char* folder) {
    return session.GetFolderFromPath(std::string("\\\\P\\") + folder)->GetItems()->GetItem(1);
  }
  // The contact as another session reads it from the file.
  std::unique_ptr<Item> Reread() { return FirstItem(*other_, "Contacts"); }

  TestProfile profile_{R"({"stores": [{"name": "P", "root": {"folders": [
    {"name": "Contacts", "type": 2, "items": [{"class": "IPM.Contact",
       "created": "2020-01-02 03:04:05", "modified": "2021-06-07 08:09:10"}]},
    {"name": "Inbox", "type": 0, "items": [{"class": "IPM.Note", "props": {"Subject": "Hello"},
       "sender": {"name": "Bo", "smtpAddress": "bo@x"}}]}]}}]})"};
  std::unique_ptr<Session> session_ = LogOn();
  std::unique_ptr<Item> contact_ = FirstItem(*session_, "Contacts");
  std::unique_ptr<Session> other_ = LogOn();
};

TEST_F(StorePropertiesTest, UnsetWrittenAndClearedValuesOfEachKind) {
  const Value noDate = At(4501, 1, 1);
  const std::tuple<const char*, const char*, std::optional<Value>, Value> rows[] = {
      // what the row shows, property, value written (nullopt: none), value read after the save
      {"unset text", "FirstName", std::nullopt, std::string("")},
      {"unset date", "Birthday", std::nullopt, noDate},
      {"unset number", "Gender", std::nullopt, std::int64_t{0}},
      {"unset boolean", "HasPicture", std::nullopt, false},
      {"store-set text", "MessageClass", std::nullopt, std::string("IPM.Contact")},
      {"text", "FirstName", std::string("Anna"), std::string("Anna")},
      {"text cleared by empty", "FirstName", std::string(""), std::string("")},
      {"text cleared by null", "Email1Address", Value(), std::string("")},
      {"date", "Birthday", At(1980, 5, 1, 13, 14, 15), At(1980, 5, 1, 13, 14, 15)},
      {"date cleared by zero date", "Birthday", DateTime::Zero(), noDate},
      {"date before 1900", "Anniversary", At(1850, 1, 1), At(1850, 1, 1)},
      {"date cleared from 4501 on", "Anniversary", At(4501, 1, 1), noDate},
      {"date after 4501", "ExpiryTime", At(4600, 3, 3), noDate},
      {"date in 4500", "ExpiryTime", At(4500, 12, 31, 23, 59, 59), At(4500, 12, 31, 23, 59, 59)},
      {"number", "Gender", std::int64_t{2}, std::int64_t{2}},
      {"number at the end of its range", "SelectedMailingAddress", std::int64_t{3},
       std::int64_t{3}},
      {"number cleared", "Gender", std::int64_t{0}, std::int64_t{0}},
      {"boolean", "HasPicture", true, true},
      {"boolean cleared", "HasPicture", false, false},
      {"billing", "BillingInformation", std::string("B-1"), std::string("B-1")},
      {"name without regard to case", "fIRSTnAME", std::string("Bo"), std::string("Bo")},
  };
  for (const auto& [shows, property, written, read] : rows) {
    SCOPED_TRACE(shows);
    if (written) {
      contact_->SetProperty(property, *written);
      contact_->Save();
    }
    EXPECT_EQ(Reread()->GetProperty(property), read);
    EXPECT_EQ(contact_->GetProperty(property), read);
  }
}

TEST_F(StorePropertiesTest, RefusesUnknownReadOnlyAndWrongKinds) {
  const std::tuple<const char*, Value, std::int32_t> rows[] = {
      {"NoSuchProperty", std::string("x"), kNotFound},
      {"Body", std::string("x"), kNotFound},  // mail only
      {"EntryID", std::string("x"), kNoAccess},
      {"LastModificationTime", At(2020, 1, 1), kNoAccess},
      {"FullNameAndCompany", std::string("x"), kNoAccess},
      {"FirstName", std::int64_t{1}, kInvalidArgument},
      {"Birthday", std::string("1980-01-01"), kInvalidArgument},
      {"Gender", std::string("2"), kInvalidArgument},
      {"Gender", std::int64_t{3}, kInvalidArgument},
      {"SelectedMailingAddress", std::int64_t{-1}, kInvalidArgument},
      {"HasPicture", std::int64_t{1}, kInvalidArgument},
  };
  for (const auto& [property, value, number] : rows) {
    EXPECT_EQ(RaisedBy([&] { contact_->SetProperty(property, value); }).number(), number)
        << property;
  }
  EXPECT_THROW(contact_->GetProperty("NoSuchProperty"), Failure);
  EXPECT_THROW(contact_->GetProperty("Body"), Failure);
  EXPECT_EQ(contact_->GetProperty("entryId"), Value(contact_->EntryID()));
}

TEST_F(StorePropertiesTest, StoreSetsTimesAtSave) {
  EXPECT_EQ(contact_->GetProperty("CreationTime"), Value(At(2020, 1, 2, 3, 4, 5)));
  EXPECT_EQ(contact_->LastModificationTime(), At(2021, 6, 7, 8, 9, 10));
  DateTime before = DateTime::Now();
  contact_->Save();
  DateTime after = DateTime::Now();
  auto reread = Reread();
  EXPECT_EQ(reread->GetProperty("CreationTime"), Value(At(2020, 1, 2, 3, 4, 5)));
  DateTime modified = std::get<DateTime>(reread->GetProperty("LastModificationTime"));
  EXPECT_TRUE(before <= modified && modified <= after);

  auto fresh = session_->GetFolderFromPath("\\\\P\\Contacts")->GetItems()->Add("IPM.Contact");
  EXPECT_EQ(fresh->GetProperty("CreationTime"), Value(At(4501, 1, 1)));
  fresh->Save();
  DateTime created = std::get<DateTime>(fresh->GetProperty("CreationTime"));
  EXPECT_GE(created, before);
  EXPECT_EQ(fresh->GetProperty("LastModificationTime"), Value(created));
}

TEST_F(StorePropertiesTest, ComputesNameCombinations) {
  using Parts = std::array<const char*, 5>;
  const char* names[] = {"FirstName", "LastName", "Suffix", "CompanyName", "FullName"};
  const Parts all{"Anna", "Smith", "Jr.", "Acme", "Anna Smith"};
  const Parts noCompany{"Anna", "Smith", "", "", "Anna Smith"};
  const Parts onlyCompany{"", "", "", "Acme", ""};
  const Parts onlyLast{"", "Smith", "", "Acme", "Smith"};
  const std::tuple<const char*, Parts, const char*> rows[] = {
      {"LastNameAndFirstName", all, "Smith, Anna"},
      {"LastNameAndFirstName", onlyLast, "Smith"},
      {"LastNameAndFirstName", Parts{"", "", "", "", ""}, ""},
      {"LastFirstAndSuffix", all, "Smith, Anna Jr."},
      {"LastFirstAndSuffix", noCompany, "Smith, Anna"},
      {"LastFirstNoSpace", all, "SmithAnna"},
      {"LastFirstNoSpaceAndSuffix", all, "SmithAnna Jr."},
      {"LastFirstSpaceOnly", all, "Smith Anna"},
      {"LastFirstNoSpaceCompany", all, "SmithAnna (Acme)"},
      {"LastFirstNoSpaceCompany", noCompany, "SmithAnna"},
      {"LastFirstNoSpaceCompany", onlyCompany, "Acme"},
      {"LastFirstSpaceOnlyCompany", all, "Smith Anna (Acme)"},
      {"CompanyLastFirstNoSpace", all, "Acme (SmithAnna)"},
      {"CompanyLastFirstSpaceOnly", all, "Acme (Smith Anna)"},
      {"CompanyLastFirstSpaceOnly", noCompany, "Smith Anna"},
      {"CompanyAndFullName", all, "Acme (Anna Smith)"},
      {"CompanyAndFullName", onlyCompany, "Acme"},
      {"FullNameAndCompany", all, "Anna Smith (Acme)"},
      {"FullNameAndCompany", noCompany, "Anna Smith"},
  };
  for (const auto& [property, parts, expected] : rows) {
    SCOPED_TRACE(std::string(property) + " of " + parts[0] + "|" + parts[1] + "|" + parts[3]);
    for (int i = 0; i < 5; ++i) contact_->SetProperty(names[i], std::string(parts[i]));
    EXPECT_EQ(contact_->GetProperty(property), Value(std::string(expected)));
  }
}

TEST_F(StorePropertiesTest, MailCarriesSubjectSenderAndItsOwnProperties) {
  auto mail = FirstItem(*session_, "Inbox");
  EXPECT_EQ(mail->KindName(), "RDOMail");
  EXPECT_EQ(mail->Subject(), "Hello");
  auto sender = mail->Sender();
  ASSERT_NE(sender, nullptr);
  EXPECT_EQ(sender->Name(), "Bo");
  EXPECT_EQ(sender->SMTPAddress(), "bo@x");
  // Fields the entry never had read as empty text, the address too.
  EXPECT_EQ(sender->Address(), "");
  EXPECT_EQ(sender->LastName(), "");
  mail->SetProperty("Body", std::string("Text"));
  mail->Save();
  EXPECT_EQ(FirstItem(*other_, "Inbox")->GetProperty("Body"), Value(std::string("Text")));
}

TEST(PropertySchemaTest, NamesMatchWithoutRegardToCaseAndInNothingElse) {
  for (int id = 0; id < PropertyCount(); ++id) {
    const PropertyInfo& info = PropertyAt(static_cast<PropertyId>(id));
    std::string upper(info.name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindProperty(upper), &info) << info.name;
  }
  const std::pair<std::string, const char*> rows[] = {
      {"email2addresstype", "Email2AddressType"},
      {"FirstName ", nullptr},
      {"FirstNam", nullptr},
      {std::string("Email") + char(0x11) + "Address", nullptr},
      {"Email4Address", nullptr},
      {"User\x14", nullptr},
      {"Fïrstname", nullptr},
      {"", nullptr},
  };
  for (const auto& [query, expected] : rows) {
    const PropertyInfo* found = FindProperty(query);
    EXPECT_EQ(found ? found->name : "(none)", expected ? expected : "(none)") << query;
  }
}

TEST(KindNameTest, ByMessageClass) {
  const std::pair<const char*, const char*> rows[] = {
      {"ipm.contact", "RDOContactItem"},
      {"IPM.DistList", "RDODistListItem"},
      {"IPM.Note.SMIME", "RDOMail"},
      {"IPM.Appointment", "RDOAppointmentItem"},
      {"IPM.Schedule.Meeting.Request", "RDOMeetingItem"},
      {"IPM.Schedule.Meeting", "RDOMail"},
      {"IPM.Task", "RDOTaskItem"},
      {"IPM.StickyNote", "RDONoteItem"},
      {"REPORT.IPM.Note.NDR", "RDOReportItem"},
      {"IPM.Post", "RDOMail"},
      // Custom forms: whole dot-separated parts, any case.
      {"IPM.Contact.Custom", "RDOContactItem"},
      {"ipm.contact.Lead.v2", "RDOContactItem"},
      {"IPM.DistList.Team", "RDODistListItem"},
      {"IPM.Task.Chore", "RDOTaskItem"},
      {"IPM.Contacts", "RDOMail"},
      {"IPM.ContactX.Custom", "RDOMail"},
      {"IPM.Contact.", "RDOMail"},
      {"IPM.Note.Contact", "RDOMail"},
      {"REPORT", "RDOMail"},
  };
  for (const auto& [messageClass, kind] : rows) {
    EXPECT_EQ(KindNameOfClass(messageClass), kind) << messageClass;
  }
}

}  // namespace
}  // namespace tovask::outlook
