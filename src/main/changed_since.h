// The change test of export and harvest: was an Outlook item modified after
// the since-value the peer system handed over?
#pragma once

#include <cstdint>
#include <string_view>

#include "main/date_time.h"

namespace tovask {

// True when `date`, counted in whole seconds from 1970-01-01 00:00:00 on the
// same local clock, is strictly greater than `since`. A date exactly at the
// since-value is not changed.
bool IsChangedSince(std::int32_t since, const DateTime& date);

// The same for a date in text form (as DateTime::Parse reads it). Raises a
// Failure (source "DateTime", number 13, "Type mismatch: ..." naming the
// text) when the text is not a date.
bool IsChangedSince(std::int32_t since, std::string_view dateText);

}  // namespace tovask
