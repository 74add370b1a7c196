// The properties of one item of a data file (or of one row of a folder's
// contents table): each one's tag, or named-property set and number or name,
// with its value type. Values are read from the file when asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/value.h"
#include "pst/pff_handles.h"
#include "pst/pff_values.h"
#include "pst/property_sources.h"

namespace tovask::pst {

class ItemProperties {
 public:
  ItemProperties() = default;  // no properties at all

  // The properties of record set `set` of the item (its only one; for a
  // table, the row). Raises when they cannot be read. The item must outlive
  // the result.
  static ItemProperties Read(libpff_item_t* item, int set);

  bool empty() const { return entries_.empty(); }

  // The value of the property from its source, as a value of `kind` (see
  // DecodeStoredValue); the unset value of the kind when the item lacks it.
  // Raises when the file cannot give its bytes.
  Value Get(const PropertySource& source, outlook::PropertyKind kind,
            const CodePageText& ansi) const;
  // A standard property as text; empty when missing.
  std::string Text(std::uint32_t tag, const CodePageText& ansi) const;
  // A standard property's raw bytes; nothing when missing.
  std::optional<std::string> Bytes(std::uint32_t tag) const;
  bool Has(std::uint32_t tag) const { return Find({PropertySet::kNone, tag, {}}) != nullptr; }

 private:
  struct Entry {
    PropertySet set = PropertySet::kNone;
    std::uint32_t id = 0;
    std::string name;  // a named property known by name
    std::uint32_t valueType = 0;
    PffRecordEntry handle;
  };

  const Entry* Find(const PropertySource& source) const;
  static std::string Data(const Entry& entry);

  std::vector<Entry> entries_;
};

}  // namespace tovask::pst
