// A property value as the Outlook access layer hands it over, and its text
// form as documents carry it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "main/date_time.h"

namespace tovask {

// std::monostate is the null (missing) value.
using Value = std::variant<std::monostate, std::string, std::int64_t, bool, DateTime>;

// Text unchanged, whole numbers in decimal, booleans as "True"/"False",
// date-times in the general text form, null as the empty text.
std::string ValueText(const Value& value);

}  // namespace tovask
