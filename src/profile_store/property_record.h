// The stored properties of one item, as the compact byte record the profile
// keeps in the item's row.
//
// Layout: one entry per set property, in ascending property id: the id (one
// byte), the value's length (LEB128), the value's bytes. Texts are their
// UTF-8 bytes; dates the 8-byte little-endian count of seconds since
// 1970-01-01 00:00:00 local time; whole numbers 8-byte little-endian;
// booleans one byte. Unset properties have no entry, so a contact with 40
// filled fields costs about as much as those 40 texts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "main/value.h"
#include "outlook/property_schema.h"

namespace tovask::outlook {

class PropertyRecord {
 public:
  PropertyRecord() = default;
  explicit PropertyRecord(std::string bytes) : bytes_(std::move(bytes)) {}
  PropertyRecord(const PropertyRecord& other) : bytes_(other.bytes_) {}
  PropertyRecord& operator=(const PropertyRecord& other) {
    bytes_ = other.bytes_;
    spans_.reset();
    return *this;
  }
  PropertyRecord(PropertyRecord&&) noexcept = default;
  PropertyRecord& operator=(PropertyRecord&&) noexcept = default;

  // The stored bytes of the property; false when it is unset. Raises when
  // the record is damaged.
  bool Find(PropertyId id, std::string_view& bytes) const;
  void Set(PropertyId id, std::string_view bytes);
  void Clear(PropertyId id);

  const std::string& bytes() const { return bytes_; }

  // Calls visit(id, bytes) for every set property, in id order.
  template <typename Visit>
  void ForEach(Visit&& visit) const {
    std::string_view value;
    for (int id = 0; id < PropertyCount(); ++id) {
      if (Find(static_cast<PropertyId>(id), value)) visit(static_cast<PropertyId>(id), value);
    }
  }

 private:
  void Decode() const;
  void Replace(PropertyId id, const std::string_view* bytes);
  // The lowest set id from `first` on, or -1.
  int NextSetId(int first) const;

  std::string bytes_;
  // Built on the first look-up: where each property's value starts in
  // bytes_ (0: unset; no value can start at 0 because every entry begins
  // with its id) and how long it is. Items stay small until they are read.
  struct Span {
    std::uint32_t offset;
    std::uint32_t size;
  };
  mutable std::unique_ptr<Span[]> spans_;
  // The ids set, beside spans_: the entry that follows an id and the spans
  // that move behind a write are found a word at a time, not by a walk
  // over every id of the schema for each write.
  mutable std::array<std::uint64_t, 4> setIds_{};
  // Whether the entries lie in ascending id order, as in every record this
  // code writes; one written otherwise is read and written right all the
  // same, only more slowly.
  mutable bool ordered_ = true;
};

// A record holding exactly the entries (any order; each id once).
std::string EncodeRecord(std::vector<std::pair<PropertyId, std::string>> entries);

// What a written value does to a property.
enum class WriteEffect { kSet, kClear, kWrongKind, kOutOfRange };

// Turns a value written by a caller into the stored bytes. The null value,
// the empty text, the zero date, any date from 4501-01-01 on, the number 0
// and false clear the property (unset reads give the same value back). A
// whole number outside the property's range is refused (kOutOfRange).
WriteEffect EncodeValue(const PropertyInfo& info, const Value& value, std::string& bytes);

// The value of stored bytes (UnsetValue() for an unset property).
Value DecodeValue(PropertyKind kind, std::string_view bytes);

}  // namespace tovask::outlook
