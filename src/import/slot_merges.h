// The merges of an Outlook contact's numbered slots with a document
// contact's values: three e-mail addresses (with address type and display
// name), two business and two home telephone numbers, four user fields.
//
// A value found on both sides stays in the slot it holds on the item;
// values only the document holds go into the slots that are empty or hold
// values the document no longer carries; the slots left over are cleared.
// An e-mail address of type "EX" stays whatever the document says, unless
// an earlier slot holds the same address.
//
// Two comparisons of different strength: a slot's value matches an
// incoming value only when exactly equal (IsIncomingValue), while the set
// of values that stay in their slots is compared without regard to case.
//
// The merges trap nothing: a refused read or write of the item ends the
// merge at that point, with the slots as far as it got, and reaches the
// caller.
#pragma once

#include <array>
#include <string_view>

#include "import/field_values.h"
#include "outlook/outlook.h"

namespace tovask {

struct SlotFamily {
  int count;
  // The slot properties of the item, slot 1 first; the incoming element
  // names are the same names in the same order.
  std::array<std::string_view, 4> slots;
  // E-mail only (empty for the other families): each slot's address type
  // and display name, which travel with an incoming address.
  std::array<std::string_view, 4> addressTypes = {};
  std::array<std::string_view, 4> displayNames = {};

  // E-mail slots of address type "EX" are protected.
  constexpr bool isEmail() const { return !addressTypes[0].empty(); }
};

inline constexpr SlotFamily kEmailSlots = {
    3,
    {"Email1Address", "Email2Address", "Email3Address"},
    {"Email1AddressType", "Email2AddressType", "Email3AddressType"},
    {"Email1DisplayName", "Email2DisplayName", "Email3DisplayName"}};
inline constexpr SlotFamily kBusinessPhoneSlots = {
    2, {"BusinessTelephoneNumber", "Business2TelephoneNumber"}};
inline constexpr SlotFamily kHomePhoneSlots = {2, {"HomeTelephoneNumber", "Home2TelephoneNumber"}};
inline constexpr SlotFamily kUserFieldSlots = {4, {"User1", "User2", "User3", "User4"}};

// True when `value` equals (exactly, case included) the text of one of the
// family's incoming names held by `fieldValues`.
bool IsIncomingValue(const FieldValues& fieldValues, const SlotFamily& family,
                     std::string_view value);

// Merges one family into the item's slots (the item is not saved).
void MergeSlots(outlook::Item& item, const FieldValues& fieldValues, const SlotFamily& family);

inline void MergeEmailAddresses(outlook::Item& item, const FieldValues& fieldValues) {
  MergeSlots(item, fieldValues, kEmailSlots);
}
inline void MergeBusinessPhones(outlook::Item& item, const FieldValues& fieldValues) {
  MergeSlots(item, fieldValues, kBusinessPhoneSlots);
}
inline void MergeHomePhones(outlook::Item& item, const FieldValues& fieldValues) {
  MergeSlots(item, fieldValues, kHomePhoneSlots);
}
inline void MergeUserFields(outlook::Item& item, const FieldValues& fieldValues) {
  MergeSlots(item, fieldValues, kUserFieldSlots);
}

}  // namespace tovask
