// The field texts of one contact element of an input document, by element
// name: what the import writes onto an Outlook contact.
//
// Names are compared without regard to case, as the keys of a
// KeyedCollection are (full Unicode case folding). Each name holds at most
// one text, never an empty one; the first text given for a name wins.
//
// Only the names the import ever reads have a place: the 79 names applied
// one by one and the 17 names of the slot families (Email1Address to
// Email3DisplayName, BusinessTelephoneNumber, Business2TelephoneNumber,
// HomeTelephoneNumber, Home2TelephoneNumber, User1 to User4). Every other
// element of a contact (the computed name combinations, EntryID, unknown
// names) would never be looked at, so it is not kept: a contact's memory
// stays bounded by this table whatever the document holds.
//
// The table is filled once per contact and reused: Clear() keeps the
// memory of the texts, so reading contact after contact allocates nothing.
#pragma once

#include <array>
#include <bitset>
#include <string>
#include <string_view>

namespace tovask {

class FieldValues {
 public:
  static constexpr int kNameCount = 96;
  // The place of an element name the import does not read.
  static constexpr int kNotRead = -1;

  // The place of `name` (matched without regard to case), or kNotRead.
  // Does not allocate for ASCII names.
  static int PlaceOf(std::string_view name);

  // Keeps `text` at the place unless the text is empty, the place holds a
  // text already or the place is kNotRead. True when the text was kept.
  bool Add(int place, std::string_view text);
  // The same by name.
  bool Add(std::string_view name, std::string_view text) { return Add(PlaceOf(name), text); }

  bool Has(int place) const { return place >= 0 && present_[static_cast<std::size_t>(place)]; }
  // The text at a place; empty when there is none.
  const std::string& At(int place) const;

  // How many names hold a text.
  int Count() const { return static_cast<int>(present_.count()); }

  // True when a text is kept under the name. Never fails.
  bool HasKey(std::string_view name) const noexcept;

  // Forgets every text (their memory is kept for the next contact).
  void Clear() { present_.reset(); }

 private:
  std::array<std::string, kNameCount> texts_;
  std::bitset<kNameCount> present_;
};

inline bool HasKey(const FieldValues& values, std::string_view name) noexcept {
  return values.HasKey(name);
}

}  // namespace tovask
