#include "outlook/property_schema.h"

#include <array>
#include <cstddef>
#include <cstdlib>

namespace tovask::outlook {

namespace {

using K = PropertyKind;
using A = PropertyAccess;

struct Row {
  const char* name;
  PropertyKind kind;
  PropertyAccess access;
  std::uint8_t scopes;
};

constexpr Row T(const char* name) { return {name, K::kText, A::kStored, kContactScope}; }
constexpr Row Computed(const char* name) {
  return {name, K::kText, A::kComputed, kContactScope};
}

// The contact document's field order, then what only the import writes,
// then what other items carry.
constexpr Row kRows[] = {
    {"Anniversary", K::kDate, A::kStored, kContactScope},
    T("AssistantName"),
    T("AssistantTelephoneNumber"),
    {"Birthday", K::kDate, A::kStored, kContactScope},
    T("Business2TelephoneNumber"),
    T("BusinessAddress"),
    T("BusinessAddressCity"),
    T("BusinessAddressCountry"),
    T("BusinessAddressPostOfficeBox"),
    T("BusinessAddressPostalCode"),
    T("BusinessAddressState"),
    T("BusinessAddressStreet"),
    T("BusinessFaxNumber"),
    T("BusinessHomePage"),
    T("BusinessTelephoneNumber"),
    T("CallbackTelephoneNumber"),
    T("CarTelephoneNumber"),
    T("Children"),
    Computed("CompanyAndFullName"),
    Computed("CompanyLastFirstNoSpace"),
    Computed("CompanyLastFirstSpaceOnly"),
    T("CompanyMainTelephoneNumber"),
    T("CompanyName"),
    T("ComputerNetworkName"),
    T("ContactAccount"),
    T("CustomerID"),
    T("Department"),
    T("Email1Address"),
    T("Email1AddressType"),
    T("Email1DisplayName"),
    T("Email1EntryID"),
    T("Email2Address"),
    T("Email2AddressType"),
    T("Email2DisplayName"),
    T("Email2EntryID"),
    T("Email3Address"),
    T("Email3AddressType"),
    T("Email3DisplayName"),
    T("Email3EntryID"),
    T("FTPSite"),
    T("FileAs"),
    T("FirstName"),
    T("FullName"),
    Computed("FullNameAndCompany"),
    {"Gender", K::kInteger, A::kStored, kContactScope},
    T("GovernmentIDNumber"),
    {"HasPicture", K::kBoolean, A::kStored, kContactScope},
    T("Hobby"),
    T("Home2TelephoneNumber"),
    T("HomeAddress"),
    T("HomeAddressCity"),
    T("HomeAddressCountry"),
    T("HomeAddressPostOfficeBox"),
    T("HomeAddressPostalCode"),
    T("HomeAddressState"),
    T("HomeAddressStreet"),
    T("HomeFaxNumber"),
    T("HomeTelephoneNumber"),
    T("IMAddress"),
    T("ISDNNumber"),
    T("Initials"),
    T("InternetFreeBusyAddress"),
    T("JobTitle"),
    {"Journal", K::kBoolean, A::kStored, kContactScope},
    T("Language"),
    Computed("LastFirstAndSuffix"),
    Computed("LastFirstNoSpace"),
    Computed("LastFirstNoSpaceAndSuffix"),
    Computed("LastFirstNoSpaceCompany"),
    Computed("LastFirstSpaceOnly"),
    Computed("LastFirstSpaceOnlyCompany"),
    T("LastName"),
    Computed("LastNameAndFirstName"),
    T("MailingAddress"),
    T("MailingAddressCity"),
    T("MailingAddressCountry"),
    T("MailingAddressPostOfficeBox"),
    T("MailingAddressPostalCode"),
    T("MailingAddressState"),
    T("MailingAddressStreet"),
    T("ManagerName"),
    T("MiddleName"),
    T("MobileTelephoneNumber"),
    T("NetMeetingAlias"),
    T("NetMeetingServer"),
    T("NickName"),
    T("OfficeLocation"),
    T("OrganizationalIDNumber"),
    T("OtherAddress"),
    T("OtherAddressCity"),
    T("OtherAddressCountry"),
    T("OtherAddressPostOfficeBox"),
    T("OtherAddressPostalCode"),
    T("OtherAddressState"),
    T("OtherAddressStreet"),
    T("OtherFaxNumber"),
    T("OtherTelephoneNumber"),
    T("PagerNumber"),
    T("PersonalHomePage"),
    T("PrimaryTelephoneNumber"),
    T("Profession"),
    T("RadioTelephoneNumber"),
    T("ReferredBy"),
    {"SelectedMailingAddress", K::kInteger, A::kStored, kContactScope},
    T("Spouse"),
    T("Suffix"),
    T("TTYTDDTelephoneNumber"),
    T("TelexNumber"),
    T("Title"),
    T("User1"),
    T("User2"),
    T("User3"),
    T("User4"),
    T("UserCertificate"),
    T("WebPage"),
    T("YomiCompanyName"),
    T("YomiFirstName"),
    T("YomiLastName"),
    {"Categories", K::kText, A::kStored, kAllScopes},
    T("Companies"),
    {"CreationTime", K::kDate, A::kStoreSet, kAllScopes},
    {"EntryID", K::kText, A::kStoreSet, kAllScopes},
    {"ExpiryTime", K::kDate, A::kStored, kContactScope},
    {"LastModificationTime", K::kDate, A::kStoreSet, kAllScopes},
    T("Mileage"),
    {"Subject", K::kText, A::kStored, kAllScopes},
    T("BillingInformation"),
    {"MessageClass", K::kText, A::kStoreSet, kAllScopes},
    {"Body", K::kText, A::kStored, kOtherScope},
};

constexpr int kCount = static_cast<int>(std::size(kRows));
static_assert(kCount < 256, "property ids are one byte");

constexpr char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

constexpr bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

constexpr std::uint32_t HashFolded(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(Fold(c));
    hash *= 16777619u;
  }
  return hash;
}

constexpr std::size_t kSlots = 512;  // a power of two, under half full

struct Table {
  std::array<PropertyInfo, kCount> infos{};
  // Open addressing by the folded name's hash; each slot holds id + 1.
  std::array<std::uint16_t, kSlots> slots{};
  PropertyId byName(std::string_view name) const;
};

constexpr Table MakeTable() {
  Table table;
  for (int i = 0; i < kCount; ++i) {
    table.infos[i] = {kRows[i].name, kRows[i].kind, kRows[i].access, kRows[i].scopes,
                      static_cast<PropertyId>(i)};
    std::size_t slot = HashFolded(kRows[i].name) & (kSlots - 1);
    while (table.slots[slot] != 0) slot = (slot + 1) & (kSlots - 1);
    table.slots[slot] = static_cast<std::uint16_t>(i + 1);
  }
  return table;
}

constexpr Table kTable = MakeTable();

constexpr int IdOf(std::string_view name) {
  for (int i = 0; i < kCount; ++i) {
    if (std::string_view(kRows[i].name) == name) return i;
  }
  return -1;
}

std::string Join(std::string_view a, std::string_view separator, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  std::string joined;
  joined.reserve(a.size() + separator.size() + b.size());
  joined.append(a).append(separator).append(b);
  return joined;
}

// "X (Y)", or the one that is not empty.
std::string WithParenthesis(std::string_view outer, std::string_view inner) {
  if (outer.empty()) return std::string(inner);
  if (inner.empty()) return std::string(outer);
  std::string joined;
  joined.reserve(outer.size() + inner.size() + 3);
  joined.append(outer).append(" (").append(inner).append(")");
  return joined;
}

}  // namespace

int PropertyCount() { return kCount; }

const PropertyInfo& PropertyAt(PropertyId id) { return kTable.infos[id]; }

const PropertyInfo* FindProperty(std::string_view name) {
  std::size_t slot = HashFolded(name) & (kSlots - 1);
  while (kTable.slots[slot] != 0) {
    const PropertyInfo& info = kTable.infos[kTable.slots[slot] - 1];
    if (EqualFolded(info.name, name)) return &info;
    slot = (slot + 1) & (kSlots - 1);
  }
  return nullptr;
}

PropertyScope ScopeOfClass(std::string_view messageClass) {
  return EqualFolded(messageClass, "IPM.Contact") ? kContactScope : kOtherScope;
}

#define TOVASK_PROPERTY_ID(function, name)                \
  PropertyId function() {                                 \
    static_assert(IdOf(name) >= 0, name " is in the table"); \
    return static_cast<PropertyId>(IdOf(name));           \
  }
TOVASK_PROPERTY_ID(EntryIdProperty, "EntryID")
TOVASK_PROPERTY_ID(CreationTimeProperty, "CreationTime")
TOVASK_PROPERTY_ID(LastModificationTimeProperty, "LastModificationTime")
TOVASK_PROPERTY_ID(MessageClassProperty, "MessageClass")
TOVASK_PROPERTY_ID(SubjectProperty, "Subject")
TOVASK_PROPERTY_ID(FirstNameProperty, "FirstName")
TOVASK_PROPERTY_ID(LastNameProperty, "LastName")
TOVASK_PROPERTY_ID(SuffixProperty, "Suffix")
TOVASK_PROPERTY_ID(CompanyNameProperty, "CompanyName")
TOVASK_PROPERTY_ID(FullNameProperty, "FullName")
#undef TOVASK_PROPERTY_ID

std::string ComputeNameProperty(PropertyId id, const NameParts& parts) {
  std::string_view name = kRows[id].name;
  if (name == "LastNameAndFirstName") return Join(parts.last, ", ", parts.first);
  if (name == "LastFirstAndSuffix") {
    return Join(Join(parts.last, ", ", parts.first), " ", parts.suffix);
  }
  if (name == "LastFirstNoSpace") return Join(parts.last, "", parts.first);
  if (name == "LastFirstNoSpaceAndSuffix") {
    return Join(Join(parts.last, "", parts.first), " ", parts.suffix);
  }
  if (name == "LastFirstSpaceOnly") return Join(parts.last, " ", parts.first);
  if (name == "LastFirstNoSpaceCompany") {
    return WithParenthesis(Join(parts.last, "", parts.first), parts.company);
  }
  if (name == "LastFirstSpaceOnlyCompany") {
    return WithParenthesis(Join(parts.last, " ", parts.first), parts.company);
  }
  if (name == "CompanyLastFirstNoSpace") {
    return WithParenthesis(parts.company, Join(parts.last, "", parts.first));
  }
  if (name == "CompanyLastFirstSpaceOnly") {
    return WithParenthesis(parts.company, Join(parts.last, " ", parts.first));
  }
  if (name == "CompanyAndFullName") return WithParenthesis(parts.company, parts.full);
  if (name == "FullNameAndCompany") return WithParenthesis(parts.full, parts.company);
  std::abort();  // every computed row has a form above
}

std::string KindNameOfClass(std::string_view messageClass) {
  auto startsWith = [&](std::string_view prefix) {
    return messageClass.size() > prefix.size() &&
           EqualFolded(messageClass.substr(0, prefix.size()), prefix);
  };
  if (EqualFolded(messageClass, "IPM.Contact")) return "RDOContactItem";
  if (EqualFolded(messageClass, "IPM.DistList")) return "RDODistListItem";
  if (EqualFolded(messageClass, "IPM.Note") || startsWith("IPM.Note.")) return "RDOMail";
  if (EqualFolded(messageClass, "IPM.Appointment")) return "RDOAppointmentItem";
  if (startsWith("IPM.Schedule.Meeting.")) return "RDOMeetingItem";
  if (EqualFolded(messageClass, "IPM.Task")) return "RDOTaskItem";
  if (EqualFolded(messageClass, "IPM.StickyNote")) return "RDONoteItem";
  if (startsWith("REPORT.")) return "RDOReportItem";
  return "RDOMail";
}

}  // namespace tovask::outlook
