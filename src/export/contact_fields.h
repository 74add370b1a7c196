// The fields of a contact document, in the order every writer puts them.
#pragma once

#include <array>
#include <string_view>

namespace tovask {

enum class FieldKind {
  kText,  // the value's text form, left out when empty
  kDate,  // "yyyy-mm-dd", only for years 1901 to 2999
};

struct ContactField {
  std::string_view name;  // element name and Outlook contact property name
  FieldKind kind;
};

inline constexpr int kContactFieldCount = 126;

// The 126 field elements of a contact element, in document order.
extern const std::array<ContactField, kContactFieldCount> kContactFields;

}  // namespace tovask
