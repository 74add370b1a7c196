// The transfer of one contact element of an input document onto an Outlook
// contact item: a full replacement, not a patch.
#pragma once

#include <array>
#include <string_view>

#include "import/contact_document.h"
#include "import/slot_merges.h"
#include "outlook/outlook.h"

namespace tovask {

// How one step of the apply order is applied.
enum class ApplyKind {
  kText,    // the text, or the empty string
  kDate,    // the date of the text, or the zero date
  kFileAs,  // the text, or the item's FullName when its FileAs is empty
  kMerge,   // the merge of a slot family
};

struct ApplyStep {
  std::string_view name;  // element and property name; empty for a merge
  ApplyKind kind;
  const SlotFamily* family = nullptr;  // the merged family
};

// The apply order: 79 names and the four merges. Each composite address is
// written before its parts, FullName before FirstName, LastName and
// MiddleName, and FileAs after all four, as its fallback reads the FullName
// written just before.
inline constexpr std::array<ApplyStep, 83> kApplyOrder = {{
    {"Anniversary", ApplyKind::kDate},
    {"AssistantName", ApplyKind::kText},
    {"AssistantTelephoneNumber", ApplyKind::kText},
    {"BillingInformation", ApplyKind::kText},
    {"Birthday", ApplyKind::kDate},
    {"BusinessAddress", ApplyKind::kText},
    {"BusinessAddressStreet", ApplyKind::kText},
    {"BusinessAddressCity", ApplyKind::kText},
    {"BusinessAddressState", ApplyKind::kText},
    {"BusinessAddressPostalCode", ApplyKind::kText},
    {"BusinessAddressCountry", ApplyKind::kText},
    {"BusinessAddressPostOfficeBox", ApplyKind::kText},
    {"BusinessFaxNumber", ApplyKind::kText},
    {"BusinessHomePage", ApplyKind::kText},
    {"", ApplyKind::kMerge, &kBusinessPhoneSlots},
    {"CallbackTelephoneNumber", ApplyKind::kText},
    {"CarTelephoneNumber", ApplyKind::kText},
    {"Children", ApplyKind::kText},
    {"Companies", ApplyKind::kText},
    {"CompanyMainTelephoneNumber", ApplyKind::kText},
    {"CompanyName", ApplyKind::kText},
    {"ComputerNetworkName", ApplyKind::kText},
    {"CustomerID", ApplyKind::kText},
    {"Department", ApplyKind::kText},
    {"", ApplyKind::kMerge, &kEmailSlots},
    {"FTPSite", ApplyKind::kText},
    {"FullName", ApplyKind::kText},
    {"FirstName", ApplyKind::kText},
    {"LastName", ApplyKind::kText},
    {"MiddleName", ApplyKind::kText},
    {"FileAs", ApplyKind::kFileAs},
    {"GovernmentIDNumber", ApplyKind::kText},
    {"Hobby", ApplyKind::kText},
    {"", ApplyKind::kMerge, &kHomePhoneSlots},
    {"HomeAddress", ApplyKind::kText},
    {"HomeAddressStreet", ApplyKind::kText},
    {"HomeAddressCity", ApplyKind::kText},
    {"HomeAddressState", ApplyKind::kText},
    {"HomeAddressPostalCode", ApplyKind::kText},
    {"HomeAddressCountry", ApplyKind::kText},
    {"HomeAddressPostOfficeBox", ApplyKind::kText},
    {"HomeFaxNumber", ApplyKind::kText},
    {"IMAddress", ApplyKind::kText},
    {"Initials", ApplyKind::kText},
    {"InternetFreeBusyAddress", ApplyKind::kText},
    {"ISDNNumber", ApplyKind::kText},
    {"JobTitle", ApplyKind::kText},
    {"Language", ApplyKind::kText},
    {"MailingAddress", ApplyKind::kText},
    {"ManagerName", ApplyKind::kText},
    {"Mileage", ApplyKind::kText},
    {"MobileTelephoneNumber", ApplyKind::kText},
    {"NetMeetingAlias", ApplyKind::kText},
    {"NetMeetingServer", ApplyKind::kText},
    {"NickName", ApplyKind::kText},
    {"OfficeLocation", ApplyKind::kText},
    {"OrganizationalIDNumber", ApplyKind::kText},
    {"OtherAddress", ApplyKind::kText},
    {"OtherAddressStreet", ApplyKind::kText},
    {"OtherAddressCity", ApplyKind::kText},
    {"OtherAddressState", ApplyKind::kText},
    {"OtherAddressPostalCode", ApplyKind::kText},
    {"OtherAddressCountry", ApplyKind::kText},
    {"OtherAddressPostOfficeBox", ApplyKind::kText},
    {"OtherFaxNumber", ApplyKind::kText},
    {"OtherTelephoneNumber", ApplyKind::kText},
    {"PagerNumber", ApplyKind::kText},
    {"PersonalHomePage", ApplyKind::kText},
    {"PrimaryTelephoneNumber", ApplyKind::kText},
    {"Profession", ApplyKind::kText},
    {"RadioTelephoneNumber", ApplyKind::kText},
    {"Spouse", ApplyKind::kText},
    {"Subject", ApplyKind::kText},
    {"Suffix", ApplyKind::kText},
    {"TelexNumber", ApplyKind::kText},
    {"Title", ApplyKind::kText},
    {"TTYTDDTelephoneNumber", ApplyKind::kText},
    {"", ApplyKind::kMerge, &kUserFieldSlots},
    {"UserCertificate", ApplyKind::kText},
    {"WebPage", ApplyKind::kText},
    {"YomiCompanyName", ApplyKind::kText},
    {"YomiFirstName", ApplyKind::kText},
    {"YomiLastName", ApplyKind::kText},
}};

// Applies the contact's fields to the item and saves it.
//
// When the contact's fields could not be read (contact.collectFailure),
// that failure is logged and nothing else happens: no field is written, the
// item is not saved.
//
// Otherwise 79 single-valued names are applied in a fixed order, with the
// four slot merges at fixed places of it:
// - a text name sets the property of the same name to the document's text,
//   or to the empty string when the document has none;
// - Anniversary and Birthday take the date of the text ("yyyy-mm-dd", or
//   with a time "yyyy-mm-dd hh:mm[:ss]"), or the zero date when the
//   document has none or its text is no date (which is logged);
// - FileAs is set when the document has one; otherwise, only when the
//   item's FileAs is empty, it becomes the item's FullName (already written
//   from the document just before).
// Then the item is saved once.
//
// Never raises. Each step (one property, one merge, the save) is trapped on
// its own: a failing step is noted as trapped, logged as
// "Error updating contact: " + the failure tail, and the next step runs; a
// refused write leaves that property as it was.
void ApplyContactFields(outlook::Item& item, const DocumentContact& contact);

}  // namespace tovask
