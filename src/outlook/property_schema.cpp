#include "outlook/property_schema.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "main/case_fold.h"

namespace tovask::outlook {

namespace {

using K = PropertyKind;
using A = PropertyAccess;

struct Row {
  const char* name;
  PropertyKind kind;
  PropertyAccess access;
  std::uint8_t scopes;
  std::int64_t maximum = 0;  // whole numbers: 0 to this
};

constexpr Row T(const char* name) { return {name, K::kText, A::kStored, kContactScope}; }
constexpr Row Computed(const char* name) { return {name, K::kText, A::kComputed, kContactScope}; }

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
    {"Gender", K::kInteger, A::kStored, kContactScope, 2},
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
    {"SelectedMailingAddress", K::kInteger, A::kStored, kContactScope, 3},
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

constexpr std::size_t kSlots = 512;  // a power of two, under half full

constexpr std::size_t kNameWords = 4;  // names have at most 32 characters

// A name as whole words for comparing without regard to case: the name's
// bytes (zero-padded) and, per word, the bit 0x20 set where the name has a
// letter. A text matches when it differs from the name at most in those
// bits.
struct NameWords {
  std::array<std::uint64_t, kNameWords> bytes{};
  std::array<std::uint64_t, kNameWords> letters{};
};

constexpr NameWords MakeNameWords(std::string_view name) {
  NameWords words;
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    words.bytes[i / 8] |= static_cast<std::uint64_t>(c) << (8 * (i % 8));
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (letter) words.letters[i / 8] |= std::uint64_t{0x20} << (8 * (i % 8));
  }
  return words;
}

std::uint64_t Load8(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

// `text` has the name's length.
bool MatchesWords(const NameWords& words, std::string_view text) {
  std::size_t size = text.size();
  std::size_t word = 0;
  for (; (word + 1) * 8 <= size; ++word) {
    if (((Load8(text.data() + word * 8) ^ words.bytes[word]) & ~words.letters[word]) != 0)
      return false;
  }
  std::size_t rest = size - word * 8;
  if (rest == 0) return true;
  std::uint64_t chunk = 0;
  if (size >= 8) {
    // The last eight bytes, shifted so that only the rest remains.
    chunk = Load8(text.data() + size - 8) >> (8 * (8 - rest));
  } else {
    for (std::size_t i = 0; i < rest; ++i) {
      chunk |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << (8 * i);
    }
  }
  return ((chunk ^ words.bytes[word]) & ~words.letters[word]) == 0;
}

struct Table {
  std::array<PropertyInfo, kCount> infos{};
  std::array<NameWords, kCount> words{};
  // Open addressing by the folded name's hash; each slot holds id + 1.
  std::array<std::uint16_t, kSlots> slots{};
};

constexpr Table MakeTable() {
  Table table;
  for (int i = 0; i < kCount; ++i) {
    table.infos[i] = {kRows[i].name,
                      kRows[i].kind,
                      kRows[i].access,
                      kRows[i].scopes,
                      static_cast<PropertyId>(i),
                      0,
                      kRows[i].maximum};
    if (std::string_view(kRows[i].name).size() > 8 * kNameWords) throw "property name too long";
    table.words[i] = MakeNameWords(kRows[i].name);
    std::size_t slot = HashAsciiFolded(kRows[i].name) & (kSlots - 1);
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

// Appends the part after the separator, leaving out both when the part is
// empty and the separator when nothing precedes it.
void Append(std::string& out, std::string_view separator, std::string_view part) {
  if (part.empty()) return;
  if (!out.empty()) out.append(separator);
  out.append(part);
}

// Last and first name with the separator between, then the suffix.
std::string LastFirst(const NameParts& parts, std::string_view separator, bool suffix,
                      std::size_t room) {
  std::string out;
  out.reserve(parts.last.size() + parts.first.size() + parts.suffix.size() + room + 4);
  Append(out, "", parts.last);
  Append(out, separator, parts.first);
  if (suffix) Append(out, " ", parts.suffix);
  return out;
}

// "outer (inner)", or the one that is not empty.
std::string WithParenthesis(std::string outer, std::string_view inner) {
  if (outer.empty()) return std::string(inner);
  if (!inner.empty()) outer.append(" (").append(inner).append(")");
  return outer;
}

std::string Text(std::string_view text, std::size_t room) {
  std::string out;
  out.reserve(text.size() + room);
  out.append(text);
  return out;
}

}  // namespace

int PropertyCount() { return kCount; }

const PropertyInfo& PropertyAt(PropertyId id) { return kTable.infos[id]; }

const PropertyInfo* FindProperty(std::string_view name) {
  std::size_t slot = HashAsciiFolded(name) & (kSlots - 1);
  while (kTable.slots[slot] != 0) {
    int id = kTable.slots[slot] - 1;
    const PropertyInfo& info = kTable.infos[id];
    if (info.name.size() == name.size() && MatchesWords(kTable.words[id], name)) return &info;
    slot = (slot + 1) & (kSlots - 1);
  }
  return nullptr;
}

bool IsClassOf(std::string_view messageClass, std::string_view base) {
  if (messageClass.size() < base.size() ||
      !EqualAsciiFolded(messageClass.substr(0, base.size()), base)) {
    return false;
  }
  // The whole of the next part, so IPM.ContactX is not of IPM.Contact.
  return messageClass.size() == base.size() ||
         (messageClass[base.size()] == '.' && messageClass.size() > base.size() + 1);
}

PropertyScope ScopeOfClass(std::string_view messageClass) {
  return IsClassOf(messageClass, "IPM.Contact") ? kContactScope : kOtherScope;
}

#define TOVASK_PROPERTY_ID(function, name)            \
  PropertyId function() {                             \
    constexpr int kId = IdOf(name);                   \
    static_assert(kId >= 0, name " is in the table"); \
    return static_cast<PropertyId>(kId);              \
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
  // Each form is built in one string, reserved once.
  const std::size_t company = parts.company.size() + 3;
  switch (id) {
    case IdOf("LastNameAndFirstName"):
      return LastFirst(parts, ", ", false, 0);
    case IdOf("LastFirstAndSuffix"):
      return LastFirst(parts, ", ", true, 0);
    case IdOf("LastFirstNoSpace"):
      return LastFirst(parts, "", false, 0);
    case IdOf("LastFirstNoSpaceAndSuffix"):
      return LastFirst(parts, "", true, 0);
    case IdOf("LastFirstSpaceOnly"):
      return LastFirst(parts, " ", false, 0);
    case IdOf("LastFirstNoSpaceCompany"):
      return WithParenthesis(LastFirst(parts, "", false, company), parts.company);
    case IdOf("LastFirstSpaceOnlyCompany"):
      return WithParenthesis(LastFirst(parts, " ", false, company), parts.company);
    case IdOf("CompanyLastFirstNoSpace"):
      return WithParenthesis(Text(parts.company, parts.last.size() + parts.first.size() + 3),
                             LastFirst(parts, "", false, 0));
    case IdOf("CompanyLastFirstSpaceOnly"):
      return WithParenthesis(Text(parts.company, parts.last.size() + parts.first.size() + 4),
                             LastFirst(parts, " ", false, 0));
    case IdOf("CompanyAndFullName"):
      return WithParenthesis(Text(parts.company, parts.full.size() + 3), parts.full);
    case IdOf("FullNameAndCompany"):
      return WithParenthesis(Text(parts.full, company), parts.company);
    default:
      std::abort();  // every computed row has a form above
  }
}

std::string KindNameOfClass(std::string_view messageClass) {
  // Only the forms below these two, not the bare class.
  auto formOf = [&](std::string_view base) {
    return messageClass.size() > base.size() && IsClassOf(messageClass, base);
  };
  if (IsClassOf(messageClass, "IPM.Contact")) return "RDOContactItem";
  if (IsClassOf(messageClass, "IPM.DistList")) return "RDODistListItem";
  if (IsClassOf(messageClass, "IPM.Appointment")) return "RDOAppointmentItem";
  if (formOf("IPM.Schedule.Meeting")) return "RDOMeetingItem";
  if (IsClassOf(messageClass, "IPM.Task")) return "RDOTaskItem";
  if (IsClassOf(messageClass, "IPM.StickyNote")) return "RDONoteItem";
  if (formOf("REPORT")) return "RDOReportItem";
  return "RDOMail";  // IPM.Note, IPM.Note.* and every other class
}

DateTime NoDate() {
  static const DateTime kNoDate = *DateTime::FromParts(4501, 1, 1);
  return kNoDate;
}

Value UnsetValue(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::kText:
      return std::string();
    case PropertyKind::kDate:
      return NoDate();
    case PropertyKind::kInteger:
      return std::int64_t{0};
    case PropertyKind::kBoolean:
      return false;
  }
  return {};
}

}  // namespace tovask::outlook
