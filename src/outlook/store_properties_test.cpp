// Item properties: kinds, unset values and clearing, read-only and computed
// properties, kind names by message class.
#include <gtest/gtest.h>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "outlook/store_failure.h"
#include "outlook/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::TestProfile;

constexpr char kProfile[] = R"({"stores": [{"name": "P", "root": {"folders": [
  {"name": "Contacts", "type": 2, "items": [{"class": "IPM.Contact",
     "created": "2020-01-02 03:04:05", "modified": "2021-06-07 08:09:10"}]},
  {"name": "Inbox", "type": 0, "items": [{"class": "IPM.Note", "props": {"Subject": "Hello"}}]}]}}]})";

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return *DateTime::FromParts(year, month, day, hour, minute, second);
}

class StorePropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_->Logon();
    contact_ = session_->GetFolderFromPath("\\\\P\\Contacts")->GetItems()->GetItem(1);
  }
  // The contact as another session reads it from the file.
  std::unique_ptr<Item> Reread() {
    auto other = CreateSession();
    other->Logon();
    return other->GetFolderFromPath("\\\\P\\Contacts")->GetItems()->GetItem(1);
  }
  TestProfile profile_{kProfile};
  std::unique_ptr<Session> session_ = CreateSession();
  std::unique_ptr<Item> contact_;
};

TEST_F(StorePropertiesTest, WritesReadsAndClearsEachKind) {
  struct Row {
    const char* name;
    const char* property;
    Value written;
    Value read;  // after the save, in another session
  };
  const Value noDate = At(4501, 1, 1);
  const Row rows[] = {
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
      {"negative number", "SelectedMailingAddress", std::int64_t{-3}, std::int64_t{-3}},
      {"number cleared", "Gender", std::int64_t{0}, std::int64_t{0}},
      {"boolean", "HasPicture", true, true},
      {"boolean cleared", "HasPicture", false, false},
      {"boolean journal", "Journal", true, true},
      {"subject", "Subject", std::string("Re: x"), std::string("Re: x")},
      {"billing", "BillingInformation", std::string("B-1"), std::string("B-1")},
      {"name without regard to case", "fIRSTnAME", std::string("Bo"), std::string("Bo")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    contact_->SetProperty(row.property, row.written);
    contact_->Save();
    EXPECT_EQ(Reread()->GetProperty(row.property), row.read);
    EXPECT_EQ(contact_->GetProperty(row.property), row.read);
  }
}

TEST_F(StorePropertiesTest, UnsetPropertiesReadAsTheirNoneValue) {
  const std::pair<const char*, Value> rows[] = {
      {"FirstName", std::string("")},  {"Anniversary", At(4501, 1, 1)},
      {"Birthday", At(4501, 1, 1)},    {"ExpiryTime", At(4501, 1, 1)},
      {"Gender", std::int64_t{0}},     {"SelectedMailingAddress", std::int64_t{0}},
      {"HasPicture", false},           {"Journal", false},
      {"Categories", std::string("")}, {"MessageClass", std::string("IPM.Contact")},
  };
  for (const auto& [property, expected] : rows) {
    EXPECT_EQ(contact_->GetProperty(property), expected) << property;
  }
}

TEST_F(StorePropertiesTest, RefusesUnknownReadOnlyAndWrongKinds) {
  struct Row {
    const char* property;
    Value value;
    std::int32_t number;
  };
  const Row rows[] = {
      {"NoSuchProperty", std::string("x"), kNotFound},
      {"Body", std::string("x"), kNotFound},  // mail only
      {"EntryID", std::string("x"), kNoAccess},
      {"CreationTime", At(2020, 1, 1), kNoAccess},
      {"LastModificationTime", At(2020, 1, 1), kNoAccess},
      {"MessageClass", std::string("IPM.Note"), kNoAccess},
      {"FullNameAndCompany", std::string("x"), kNoAccess},
      {"LastFirstNoSpace", std::string("x"), kNoAccess},
      {"FirstName", std::int64_t{1}, kInvalidArgument},
      {"Birthday", std::string("1980-01-01"), kInvalidArgument},
      {"Gender", std::string("2"), kInvalidArgument},
      {"HasPicture", std::int64_t{1}, kInvalidArgument},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.property);
    try {
      contact_->SetProperty(row.property, row.value);
      ADD_FAILURE() << "accepted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), row.number) << failure.what();
    }
  }
  EXPECT_THROW(contact_->GetProperty("NoSuchProperty"), Failure);
  EXPECT_THROW(contact_->GetProperty("Body"), Failure);
  EXPECT_EQ(contact_->GetProperty("EntryID"), Value(contact_->EntryID()));
  EXPECT_EQ(contact_->GetProperty("entryId"), Value(contact_->EntryID()));
}

TEST_F(StorePropertiesTest, StoreSetsTimesAtSave) {
  EXPECT_EQ(contact_->GetProperty("CreationTime"), Value(At(2020, 1, 2, 3, 4, 5)));
  EXPECT_EQ(contact_->LastModificationTime(), At(2021, 6, 7, 8, 9, 10));
  DateTime before = DateTime::Now();
  contact_->SetProperty("FirstName", std::string("Anna"));
  contact_->Save();
  DateTime after = DateTime::Now();
  auto reread = Reread();
  EXPECT_EQ(reread->GetProperty("CreationTime"), Value(At(2020, 1, 2, 3, 4, 5)));
  DateTime modified = std::get<DateTime>(reread->GetProperty("LastModificationTime"));
  EXPECT_GE(modified, before);
  EXPECT_LE(modified, after);

  auto fresh = session_->GetFolderFromPath("\\\\P\\Contacts")->GetItems()->Add("IPM.Contact");
  EXPECT_EQ(fresh->GetProperty("CreationTime"), Value(At(4501, 1, 1)));
  fresh->Save();
  DateTime created = std::get<DateTime>(fresh->GetProperty("CreationTime"));
  EXPECT_GE(created, before);
  EXPECT_EQ(fresh->GetProperty("LastModificationTime"), Value(created));
}

TEST_F(StorePropertiesTest, ComputesNameCombinations) {
  struct Parts {
    const char* first;
    const char* last;
    const char* suffix;
    const char* company;
    const char* full;
  };
  struct Row {
    const char* property;
    Parts parts;
    const char* expected;
  };
  const Parts all{"Anna", "Smith", "Jr.", "Acme", "Anna Smith"};
  const Parts noCompany{"Anna", "Smith", "", "", "Anna Smith"};
  const Parts onlyCompany{"", "", "", "Acme", ""};
  const Parts onlyLast{"", "Smith", "", "Acme", "Smith"};
  const Row rows[] = {
      {"LastNameAndFirstName", all, "Smith, Anna"},
      {"LastNameAndFirstName", onlyLast, "Smith"},
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
      {"LastNameAndFirstName", Parts{"", "", "", "", ""}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.property) + " of " + row.parts.first + "|" + row.parts.last + "|" +
                 row.parts.company);
    contact_->SetProperty("FirstName", std::string(row.parts.first));
    contact_->SetProperty("LastName", std::string(row.parts.last));
    contact_->SetProperty("Suffix", std::string(row.parts.suffix));
    contact_->SetProperty("CompanyName", std::string(row.parts.company));
    contact_->SetProperty("FullName", std::string(row.parts.full));
    EXPECT_EQ(contact_->GetProperty(row.property), Value(std::string(row.expected)));
  }
}

TEST_F(StorePropertiesTest, MailCarriesSubjectAndItsOwnProperties) {
  auto mail = session_->GetFolderFromPath("\\\\P\\Inbox")->GetItems()->GetItem(1);
  EXPECT_EQ(mail->KindName(), "RDOMail");
  EXPECT_EQ(mail->Subject(), "Hello");
  EXPECT_EQ(mail->GetProperty("subject"), Value(std::string("Hello")));
  EXPECT_EQ(mail->Sender(), nullptr);
  EXPECT_THROW(mail->GetProperty("FirstName"), Failure);
  mail->SetProperty("Body", std::string("Text"));
  mail->Save();
  EXPECT_EQ(mail->GetProperty("Body"), Value(std::string("Text")));
}

TEST(PropertySchemaTest, ContactsHaveEveryDocumentFieldAndBillingInformation) {
  int contactFields = 0;
  for (int id = 0; id < PropertyCount(); ++id) {
    const PropertyInfo& info = PropertyAt(static_cast<PropertyId>(id));
    std::string name(info.name);
    if ((info.scopes & kContactScope) != 0 && name != "MessageClass" &&
        name != "BillingInformation") {
      ++contactFields;
    }
    EXPECT_EQ(FindProperty(name), &info) << name;
  }
  EXPECT_EQ(contactFields, 126);
  // Names match without regard to letter case, and in nothing else.
  const std::pair<std::string, const char*> rows[] = {
      {"BILLINGINFORMATION", "BillingInformation"},
      {"email2addresstype", "Email2AddressType"},
      {"user4", "User4"},
      {"ttytddtelephonenumber", "TTYTDDTelephoneNumber"},
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
    if (expected == nullptr) {
      EXPECT_EQ(found, nullptr) << query;
    } else {
      ASSERT_NE(found, nullptr) << query;
      EXPECT_EQ(found->name, expected) << query;
    }
  }
}

TEST(KindNameTest, ByMessageClass) {
  const std::pair<const char*, const char*> rows[] = {
      {"IPM.Contact", "RDOContactItem"},
      {"ipm.contact", "RDOContactItem"},
      {"IPM.DistList", "RDODistListItem"},
      {"IPM.Note", "RDOMail"},
      {"IPM.Note.SMIME", "RDOMail"},
      {"IPM.Appointment", "RDOAppointmentItem"},
      {"IPM.Schedule.Meeting.Request", "RDOMeetingItem"},
      {"IPM.Schedule.Meeting", "RDOMail"},
      {"IPM.Task", "RDOTaskItem"},
      {"IPM.StickyNote", "RDONoteItem"},
      {"REPORT.IPM.Note.NDR", "RDOReportItem"},
      {"IPM.Post", "RDOMail"},
      {"IPM.Contact.Custom", "RDOMail"},
  };
  for (const auto& [messageClass, kind] : rows) {
    EXPECT_EQ(KindNameOfClass(messageClass), kind) << messageClass;
  }
}

}  // namespace
}  // namespace tovask::outlook
