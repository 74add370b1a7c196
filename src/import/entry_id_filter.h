// The filter by which an item is found by its entry identifier.
#pragma once

#include <string>
#include <string_view>

namespace tovask {

// "EntryID = '<entryId>'", every quote inside the identifier doubled, so
// that a value from an input file can never change what the filter asks.
inline std::string EntryIdFilter(std::string_view entryId) {
  std::string filter = "EntryID = '";
  for (char c : entryId) {
    if (c == '\'') filter += '\'';
    filter += c;
  }
  filter += '\'';
  return filter;
}

}  // namespace tovask
