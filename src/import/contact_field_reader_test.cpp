#include "import/contact_field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "import/import_test_support.h"
#include "main/value.h"

namespace tovask {
namespace {

using testing::EntryId;
using testing::StoreWith;
using Json = nlohmann::json;

DocumentContact Contact(const std::vector<std::pair<std::string, std::string>>& fields) {
  DocumentContact contact;
  contact.id = "1";
  for (const auto& [name, text] : fields) contact.fields.Add(name, text);
  return contact;
}

class ContactFieldReaderTest : public testing::ImportTestBase {
 protected:
  std::unique_ptr<outlook::Item> Item(int position = 1) {
    return session_->GetFolderFromPath("\\\\P\\C")->GetItems()->GetItem(position);
  }
  void UseContacts(const std::string& items) {
    UseProfile(StoreWith(R"({"name": "C", "type": 2, "items": [)" + items + "]}"));
    session_ = testing::LogOn();
  }
  std::unique_ptr<outlook::Session> session_;
};

TEST_F(ContactFieldReaderTest, FullReplacementClearsWhatTheDocumentLacks) {
  UseContacts(R"({"class": "IPM.Contact", "entryId": ")" + EntryId("A1") + R"(", "props": {
      "FirstName": "Anna", "LastName": "Smith", "FullName": "Anna Smith", "FileAs": "Smith, Anna",
      "Department": "Sales", "Anniversary": "2010-06-12 00:00:00", "BusinessAddress": "Street 1",
      "BusinessTelephoneNumber": "111", "HomeTelephoneNumber": "222", "User1": "u",
      "Email1Address": "a@x", "Email1AddressType": "SMTP", "Gender": 1, "ReferredBy": "R"}})");
  ApplyContactFields(*Item(), Contact({{"FullName", "Anna Berg"},
                                       {"LastName", "Berg"},
                                       {"BillingInformation", "B"},
                                       {"Gender", "2"},
                                       {"ReferredBy", "S"}}));
  // FileAs stays as it was; fields the import does not apply keep theirs.
  EXPECT_EQ(Items("C")[0]["props"], Json::parse(R"({"BillingInformation": "B",
      "FileAs": "Smith, Anna", "FullName": "Anna Berg", "Gender": 1, "LastName": "Berg",
      "ReferredBy": "R"})"));
  EXPECT_TRUE(LogMessages().empty());
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(ContactFieldReaderTest, FileAsFallsBackToTheFullNameOnlyWhenEmpty) {
  UseContacts(R"({"class": "IPM.Contact"})");
  struct Row {
    const char* itemFileAs;
    std::vector<std::pair<std::string, std::string>> document;
    const char* expected;
  } rows[] = {
      {"Smith, Anna", {{"FullName", "Anna Berg"}}, "Smith, Anna"},
      {"", {{"FullName", "Anna Berg"}}, "Anna Berg"},
      {"", {}, ""},
      {"Old", {{"FileAs", "New"}, {"FullName", "Anna Berg"}}, "New"},
      {"Old", {{"FileAs", ""}}, "Old"},
  };
  for (const Row& row : rows) {
    std::unique_ptr<outlook::Item> item = Item();
    item->SetProperty("FileAs", std::string(row.itemFileAs));
    ApplyContactFields(*item, Contact(row.document));
    EXPECT_EQ(ValueText(Item()->GetProperty("FileAs")), row.expected) << row.itemFileAs;
  }
}

TEST_F(ContactFieldReaderTest, DatesConvertOrBecomeTheZeroDateAndTheRestIsApplied) {
  UseContacts(R"({"class": "IPM.Contact", "props": {"Anniversary": "2010-06-12 00:00:00"}})");
  ApplyContactFields(
      *Item(),
      Contact({{"Anniversary", "12/06/2010"}, {"Birthday", "1850-01-31"}, {"Department", "D"}}));
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                               "Error updating contact: ContactDocument, 13 - Type mismatch: the "
                               "Anniversary text \"12/06/2010\" is not a date"}));
  EXPECT_TRUE(AnyFailureTrapped());
  // No year range: that belongs to the export.
  EXPECT_EQ(Items("C")[0]["props"], Json::parse(R"({"Birthday": "1850-01-31 00:00:00",
      "Department": "D"})"));

  ApplyContactFields(*Item(), Contact({{"Anniversary", "2999-12-31 15:30"}}));
  EXPECT_EQ(Items("C")[0]["props"]["Anniversary"], "2999-12-31 15:30:00");
}

TEST_F(ContactFieldReaderTest, AContactWhoseFieldsCouldNotBeReadChangesNothing) {
  UseContacts(R"({"class": "IPM.Contact", "props": {"FirstName": "Anna"}, "faults": ["save"]})");
  const Json before = Items("C");
  DocumentContact contact = Contact({{"FirstName", "Berta"}});
  contact.collectFailure.emplace("ContactDocument", 91, "The element Department has no child node");
  ApplyContactFields(*Item(), contact);
  EXPECT_EQ(Items("C"), before);
  // Its own failure only: no save was tried.
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"Error updating contact: ContactDocument, 91 - The element "
                                      "Department has no child node"}));
}

TEST_F(ContactFieldReaderTest, EveryStepIsTrappedOnItsOwnInTheApplyOrder) {
  // The 79 names in the order they are applied, with the merges (whose
  // first read is of their first slot) where they run.
  const std::vector<std::string> order = {"write:Anniversary",
                                          "write:AssistantName",
                                          "write:AssistantTelephoneNumber",
                                          "write:BillingInformation",
                                          "write:Birthday",
                                          "write:BusinessAddress",
                                          "write:BusinessAddressStreet",
                                          "write:BusinessAddressCity",
                                          "write:BusinessAddressState",
                                          "write:BusinessAddressPostalCode",
                                          "write:BusinessAddressCountry",
                                          "write:BusinessAddressPostOfficeBox",
                                          "write:BusinessFaxNumber",
                                          "write:BusinessHomePage",
                                          "read:BusinessTelephoneNumber",
                                          "write:CallbackTelephoneNumber",
                                          "write:CarTelephoneNumber",
                                          "write:Children",
                                          "write:Companies",
                                          "write:CompanyMainTelephoneNumber",
                                          "write:CompanyName",
                                          "write:ComputerNetworkName",
                                          "write:CustomerID",
                                          "write:Department",
                                          "read:Email1Address",
                                          "write:FTPSite",
                                          "write:FullName",
                                          "write:FirstName",
                                          "write:LastName",
                                          "write:MiddleName",
                                          "write:FileAs",
                                          "write:GovernmentIDNumber",
                                          "write:Hobby",
                                          "read:HomeTelephoneNumber",
                                          "write:HomeAddress",
                                          "write:HomeAddressStreet",
                                          "write:HomeAddressCity",
                                          "write:HomeAddressState",
                                          "write:HomeAddressPostalCode",
                                          "write:HomeAddressCountry",
                                          "write:HomeAddressPostOfficeBox",
                                          "write:HomeFaxNumber",
                                          "write:IMAddress",
                                          "write:Initials",
                                          "write:InternetFreeBusyAddress",
                                          "write:ISDNNumber",
                                          "write:JobTitle",
                                          "write:Language",
                                          "write:MailingAddress",
                                          "write:ManagerName",
                                          "write:Mileage",
                                          "write:MobileTelephoneNumber",
                                          "write:NetMeetingAlias",
                                          "write:NetMeetingServer",
                                          "write:NickName",
                                          "write:OfficeLocation",
                                          "write:OrganizationalIDNumber",
                                          "write:OtherAddress",
                                          "write:OtherAddressStreet",
                                          "write:OtherAddressCity",
                                          "write:OtherAddressState",
                                          "write:OtherAddressPostalCode",
                                          "write:OtherAddressCountry",
                                          "write:OtherAddressPostOfficeBox",
                                          "write:OtherFaxNumber",
                                          "write:OtherTelephoneNumber",
                                          "write:PagerNumber",
                                          "write:PersonalHomePage",
                                          "write:PrimaryTelephoneNumber",
                                          "write:Profession",
                                          "write:RadioTelephoneNumber",
                                          "write:Spouse",
                                          "write:Subject",
                                          "write:Suffix",
                                          "write:TelexNumber",
                                          "write:Title",
                                          "write:TTYTDDTelephoneNumber",
                                          "read:User1",
                                          "write:UserCertificate",
                                          "write:WebPage",
                                          "write:YomiCompanyName",
                                          "write:YomiFirstName",
                                          "write:YomiLastName",
                                          "save"};
  std::string faults;
  for (const std::string& fault : order) faults += (faults.empty() ? "\"" : ", \"") + fault + "\"";
  UseContacts(R"({"class": "IPM.Contact", "entryId": ")" + EntryId("F1") +
              R"(", "props": {"FirstName": "Anna"}, "faults": [)" + faults + "]}");
  const Json before = Items("C");

  ApplyContactFields(*Item(), Contact({}));
  std::vector<std::string> expected;
  for (const std::string& fault : order) {
    expected.push_back("Error updating contact: ProfileStore, -2147467259 - Fault '" + fault +
                       "' on item " + EntryId("F1"));
  }
  EXPECT_EQ(LogMessages(), expected);
  EXPECT_EQ(Items("C"), before);
}

}  // namespace
}  // namespace tovask
