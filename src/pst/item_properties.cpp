#include "pst/item_properties.h"

namespace tovask::pst {

namespace {

// Values larger than this are not read whole into memory: no contact field
// comes near it, and a damaged size field must not allocate gigabytes.
constexpr std::size_t kLargestValue = 64 * 1024 * 1024;

// Fills in the set and number (or name) of a named property from the file's
// name-to-id map; leaves it unmatched (kOther) when the map has no entry.
void ResolveName(libpff_record_entry_t* handle, PropertySet& set, std::uint32_t& id,
                 std::string& name) {
  set = PropertySet::kOther;
  libpff_error_t* error = nullptr;
  libpff_name_to_id_map_entry_t* named = nullptr;
  if (libpff_record_entry_get_name_to_id_map_entry(handle, &named, &error) != 1 ||
      named == nullptr) {
    DropPffError(error);
    return;
  }
  std::uint8_t guid[16] = {};
  std::uint8_t type = 0;
  if (libpff_name_to_id_map_entry_get_guid(named, guid, sizeof guid, &error) != 1 ||
      libpff_name_to_id_map_entry_get_type(named, &type, &error) != 1) {
    DropPffError(error);
    return;
  }
  if (type == LIBPFF_NAME_TO_ID_MAP_ENTRY_TYPE_NUMERIC) {
    std::uint32_t number = 0;
    if (libpff_name_to_id_map_entry_get_number(named, &number, &error) != 1) {
      DropPffError(error);
      return;
    }
    id = number;
  } else if (type == LIBPFF_NAME_TO_ID_MAP_ENTRY_TYPE_STRING) {
    std::size_t size = 0;
    if (libpff_name_to_id_map_entry_get_utf8_string_size(named, &size, &error) != 1 || size == 0 ||
        size > 4096) {
      DropPffError(error);
      return;
    }
    std::string text(size, '\0');
    if (libpff_name_to_id_map_entry_get_utf8_string(
            named, reinterpret_cast<std::uint8_t*>(text.data()), size, &error) != 1) {
      DropPffError(error);
      return;
    }
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    name = std::move(text);
    id = 0;
  } else {
    return;
  }
  set = SetOfGuid(guid);
}

}  // namespace

ItemProperties ItemProperties::Read(libpff_item_t* item, int set) {
  PffRecordSet record = RecordSetAt(item, set);
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_record_set_get_number_of_entries(record.get(), &count, &error) != 1)
    throw PffFailure("cannot read the item's properties", error);
  ItemProperties properties;
  properties.entries_.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    libpff_record_entry_t* raw = nullptr;
    if (libpff_record_set_get_entry_by_index(record.get(), i, &raw, &error) != 1)
      throw PffFailure("cannot read the item's properties", error);
    Entry entry;
    entry.handle.reset(raw);
    std::uint32_t tag = 0;
    if (libpff_record_entry_get_entry_type(raw, &tag, &error) != 1 ||
        libpff_record_entry_get_value_type(raw, &entry.valueType, &error) != 1) {
      DropPffError(error);
      continue;  // an entry without type is no property
    }
    entry.id = tag & 0xFFFF;
    if (entry.id >= 0x8000) ResolveName(raw, entry.set, entry.id, entry.name);
    properties.entries_.push_back(std::move(entry));
  }
  return properties;
}

const ItemProperties::Entry* ItemProperties::Find(const PropertySource& source) const {
  for (const Entry& entry : entries_) {
    if (entry.set != source.set) continue;
    if (source.name.empty() ? (entry.name.empty() && entry.id == source.id)
                            : entry.name == source.name) {
      return &entry;
    }
  }
  return nullptr;
}

std::string ItemProperties::Data(const Entry& entry) {
  libpff_error_t* error = nullptr;
  std::size_t size = 0;
  if (libpff_record_entry_get_data_size(entry.handle.get(), &size, &error) != 1)
    throw PffFailure("cannot read a property's value", error);
  if (size == 0) return std::string();
  if (size > kLargestValue) {
    throw Failure(kPffSource, kPffFailed,
                  "a property's value of " + std::to_string(size) + " bytes is too large");
  }
  std::string bytes(size, '\0');
  if (libpff_record_entry_get_data(
          entry.handle.get(), reinterpret_cast<std::uint8_t*>(bytes.data()), size, &error) != 1) {
    throw PffFailure("cannot read a property's value", error);
  }
  return bytes;
}

Value ItemProperties::Get(const PropertySource& source, outlook::PropertyKind kind,
                          const CodePageText& ansi) const {
  const Entry* entry = Find(source);
  if (entry == nullptr) return DecodeStoredValue(kind, 0, std::string_view(), ansi);
  return DecodeStoredValue(kind, entry->valueType, Data(*entry), ansi);
}

std::string ItemProperties::Text(std::uint32_t tag, const CodePageText& ansi) const {
  Value value = Get({PropertySet::kNone, tag, {}}, outlook::PropertyKind::kText, ansi);
  return std::move(std::get<std::string>(value));
}

std::optional<std::string> ItemProperties::Bytes(std::uint32_t tag) const {
  const Entry* entry = Find({PropertySet::kNone, tag, {}});
  if (entry == nullptr) return std::nullopt;
  return Data(*entry);
}

}  // namespace tovask::pst
