#include "main/changed_since.h"

#include <optional>
#include <string>

#include "main/failure.h"

namespace tovask {

bool IsChangedSince(std::int32_t since, const DateTime& date) { return date.UnixSeconds() > since; }

bool IsChangedSince(std::int32_t since, std::string_view dateText) {
  std::optional<DateTime> date = DateTime::Parse(dateText);
  if (!date) {
    throw Failure("DateTime", 13, "Type mismatch: \"" + std::string(dateText) + "\" is not a date");
  }
  return IsChangedSince(since, *date);
}

}  // namespace tovask
