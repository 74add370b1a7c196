// Entry identifiers of items, and the one filter form that finds an item by
// its identifier.
//
// An identifier is 48 uppercase hexadecimal characters: the profile's random
// 16-byte prefix followed by an 8-byte counter that only ever grows, so an
// identifier is unique in the profile and never handed out twice, even after
// the item is deleted.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tovask::outlook {

using EntryIdPrefix = std::array<std::uint8_t, 16>;

// A fresh random prefix for a new profile.
EntryIdPrefix RandomEntryIdPrefix();
std::string EntryIdPrefixText(const EntryIdPrefix& prefix);  // 32 hex characters
// "0A1B...": two upper-case hexadecimal characters for each byte.
std::string HexText(std::string_view bytes);
// Reads 32 hexadecimal characters back; nothing for any other text.
std::optional<EntryIdPrefix> ParseEntryIdPrefix(std::string_view text);

std::string MakeEntryId(const EntryIdPrefix& prefix, std::uint64_t counter);

// True for 48 hexadecimal characters (either case).
bool IsEntryIdText(std::string_view text);
std::string UpperCaseHex(std::string_view text);

// The identifier asked for by the filter "EntryID = '<value>'": the keyword
// without regard to case, blanks around the '=' and the ends optional, a
// quote inside the value doubled. Nothing for any other filter text.
std::optional<std::string> ParseEntryIdFilter(std::string_view filter);

// The identifier Items::Find is asked for, in upper case; nothing when the
// value cannot be an identifier (so nothing matches). Raises (invalid
// argument) for any filter but "EntryID = '...'".
std::optional<std::string> FindFilterEntryId(std::string_view filter);

}  // namespace tovask::outlook
