// Which properties an item of a message class has, their kinds, and the
// kind names of item objects.
//
// Contacts (message class IPM.Contact, or IPM.Contact.<form> for a custom
// form) have the 126 fields of the contact document, BillingInformation and
// MessageClass. Every other item (mail, appointments, tasks, notes, reports,
// distribution lists, ...) has Subject, Body, Categories, EntryID,
// CreationTime, LastModificationTime and MessageClass.
//
// Message classes compare without regard to case, on whole dot-separated
// parts: IPM.Contact.Lead is a contact, IPM.Contacts is not.
//
// Multi-valued properties (Categories, Children, Companies) are one text:
// the values joined by kMultiValueSeparator.
//
// Kinds: Anniversary, Birthday and ExpiryTime are dates; Gender (0
// unspecified, 1 female, 2 male) and SelectedMailingAddress (0 none, 1
// home, 2 business, 3 other) whole numbers of that range (unset: 0);
// HasPicture and Journal booleans (unset: false); the rest text (unset:
// empty). CreationTime and LastModificationTime are dates.
//
// Who sets a property:
// - stored: written by SetProperty, kept in the item's property record;
// - store-set: EntryID (at the first save), CreationTime (first save),
//   LastModificationTime (every save), MessageClass (at creation); read-only;
// - computed from the name fields on every read; read-only. With F =
//   FirstName, L = LastName, S = Suffix, C = CompanyName, N = FullName, and
//   every empty part dropped together with its separator:
//     LastNameAndFirstName      "L, F"
//     LastFirstAndSuffix        "L, F S"
//     LastFirstNoSpace          "LF"
//     LastFirstNoSpaceAndSuffix "LF S"
//     LastFirstSpaceOnly        "L F"
//     LastFirstNoSpaceCompany   "LF (C)"     ("LF" alone without C, "C" alone without L and F)
//     LastFirstSpaceOnlyCompany "L F (C)"
//     CompanyLastFirstNoSpace   "C (LF)"     ("C" alone without L and F, "LF" alone without C)
//     CompanyLastFirstSpaceOnly "C (L F)"
//     CompanyAndFullName        "C (N)"
//     FullNameAndCompany        "N (C)"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "main/date_time.h"
#include "main/value.h"

namespace tovask::outlook {

inline constexpr std::string_view kMultiValueSeparator = "; ";

enum class PropertyKind : std::uint8_t { kText, kDate, kInteger, kBoolean };
enum class PropertyAccess : std::uint8_t { kStored, kStoreSet, kComputed };

// Which message classes carry a property (a bit set).
enum PropertyScope : std::uint8_t { kContactScope = 1, kOtherScope = 2, kAllScopes = 3 };

using PropertyId = std::uint8_t;

struct PropertyInfo {
  std::string_view name;  // the canonical spelling
  PropertyKind kind;
  PropertyAccess access;
  std::uint8_t scopes;
  PropertyId id;  // the index in the table
  // Whole numbers: the values the property takes, both ends included.
  std::int64_t minimum = 0, maximum = 0;
};

// The whole table, in the contact document's field order first.
int PropertyCount();
const PropertyInfo& PropertyAt(PropertyId id);

// The property of that name, without regard to case; nullptr when no item
// has one. Does not allocate.
const PropertyInfo* FindProperty(std::string_view name);

// True when the message class is `base` or a custom form of it
// (base + "." + form), without regard to case.
bool IsClassOf(std::string_view messageClass, std::string_view base);

// The scope an item of the message class belongs to.
PropertyScope ScopeOfClass(std::string_view messageClass);

// Store-set properties by id, for the item code.
PropertyId EntryIdProperty();
PropertyId CreationTimeProperty();
PropertyId LastModificationTimeProperty();
PropertyId MessageClassProperty();
PropertyId SubjectProperty();

// The stored name fields a computed property is made of.
struct NameParts {
  std::string_view first, last, suffix, company, full;
};
PropertyId FirstNameProperty();
PropertyId LastNameProperty();
PropertyId SuffixProperty();
PropertyId CompanyNameProperty();
PropertyId FullNameProperty();

// Evaluates a computed property (forms above).
std::string ComputeNameProperty(PropertyId id, const NameParts& parts);

// "RDOContactItem", "RDOMail", ... for a message class (IsClassOf):
// IPM.Contact, IPM.DistList, IPM.Appointment, IPM.Task and IPM.StickyNote,
// each with its custom forms; IPM.Schedule.Meeting.* and REPORT.*; any
// other class (IPM.Note and IPM.Note.* among them) is "RDOMail".
std::string KindNameOfClass(std::string_view messageClass);

// 4501-01-01 00:00:00, how Outlook marks a date as "none".
DateTime NoDate();

// The value of an unset property of the kind: empty text, NoDate(), 0, false.
Value UnsetValue(PropertyKind kind);

}  // namespace tovask::outlook
