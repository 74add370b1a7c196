// Where each property of the access interface lives in an Outlook data file:
// a standard property tag, or a named property given by its property set and
// its number or name. Named properties are always matched by set and number
// (or name): the number a file maps them to differs from file to file, and a
// damaged file's map can point a number at another set.
#pragma once

#include <cstdint>
#include <string_view>

#include "outlook/property_schema.h"

namespace tovask::pst {

// The property sets named properties of contacts belong to.
enum class PropertySet : std::uint8_t {
  kNone,           // a standard property (no set)
  kAddress,        // PSETID_Address {00062004-0000-0000-C000-000000000046}
  kCommon,         // PSETID_Common {00062008-0000-0000-C000-000000000046}
  kPublicStrings,  // PS_PUBLIC_STRINGS {00020329-0000-0000-C000-000000000046}
  kOther,
};

// The set of a GUID as the file stores it (little-endian first three fields).
PropertySet SetOfGuid(const std::uint8_t (&guid)[16]);

struct PropertySource {
  PropertySet set = PropertySet::kNone;
  std::uint32_t id = 0;   // the tag's property id, or the named property's number
  std::string_view name;  // a named property known by name ("Keywords"); else empty
};

// The source of a stored property of the interface (FirstName, Email1Address,
// Subject, ...); nullptr for the ones an item answers itself (EntryID,
// MessageClass) and the computed name forms.
const PropertySource* SourceOf(outlook::PropertyId id);

// Standard tags the backend reads for its own needs.
enum StandardTag : std::uint32_t {
  kTagSubject = 0x0037,
  kTagMessageClass = 0x001A,
  kTagSentRepresentingName = 0x0042,
  kTagSentRepresentingAddressType = 0x0064,
  kTagSentRepresentingAddress = 0x0065,
  kTagSenderName = 0x0C1A,
  kTagSenderAddressType = 0x0C1E,
  kTagSenderAddress = 0x0C1F,
  kTagSenderSmtpAddress = 0x5D01,
  kTagSentRepresentingSmtpAddress = 0x5D02,
  kTagRecordKey = 0x0FF9,
  kTagAttributeHidden = 0x10F4,
  kTagDisplayName = 0x3001,
  kTagLastModificationTime = 0x3008,
  kTagIpmSubtreeEntryId = 0x35E0,
  kTagContainerClass = 0x3613,
  kTagRowId = 0x67F2,
};

}  // namespace tovask::pst
