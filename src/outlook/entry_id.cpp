#include "outlook/entry_id.h"

#include <random>

#include "main/case_fold.h"
#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

EntryIdPrefix RandomEntryIdPrefix() {
  std::random_device device;
  EntryIdPrefix prefix{};
  for (auto& byte : prefix) byte = static_cast<std::uint8_t>(device() & 0xFF);
  return prefix;
}

std::string HexText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xF]);
  }
  return text;
}

std::string EntryIdPrefixText(const EntryIdPrefix& prefix) {
  return HexText(std::string_view(reinterpret_cast<const char*>(prefix.data()), prefix.size()));
}

std::optional<EntryIdPrefix> ParseEntryIdPrefix(std::string_view text) {
  if (text.size() != 32) return std::nullopt;
  EntryIdPrefix prefix{};
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    int high = HexDigit(text[2 * i]);
    int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    prefix[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return prefix;
}

std::string MakeEntryId(const EntryIdPrefix& prefix, std::uint64_t counter) {
  std::string id = EntryIdPrefixText(prefix);
  for (int shift = 60; shift >= 0; shift -= 4) id.push_back(kHex[(counter >> shift) & 0xF]);
  return id;
}

bool IsEntryIdText(std::string_view text) {
  if (text.size() != 48) return false;
  for (char c : text) {
    if (HexDigit(c) < 0) return false;
  }
  return true;
}

std::string UpperCaseHex(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
  }
  return upper;
}

std::optional<std::string> ParseEntryIdFilter(std::string_view filter) {
  std::size_t at = 0;
  auto skipBlanks = [&] {
    while (at < filter.size() && IsBlank(filter[at])) ++at;
  };
  skipBlanks();
  constexpr std::string_view kKeyword = "entryid";
  if (!EqualAsciiFolded(filter.substr(at, kKeyword.size()), kKeyword)) return std::nullopt;
  at += kKeyword.size();
  skipBlanks();
  if (at >= filter.size() || filter[at] != '=') return std::nullopt;
  ++at;
  skipBlanks();
  if (at >= filter.size() || filter[at] != '\'') return std::nullopt;
  ++at;
  std::string value;
  while (true) {
    // Copies up to the next quote at once: identifiers hold none.
    std::size_t quote = filter.find('\'', at);
    if (quote == std::string_view::npos) return std::nullopt;  // no closing quote
    value.append(filter.substr(at, quote - at));
    at = quote + 1;
    if (at < filter.size() && filter[at] == '\'') {
      value.push_back('\'');
      ++at;
      continue;
    }
    break;
  }
  skipBlanks();
  if (at != filter.size()) return std::nullopt;
  return value;
}

std::optional<std::string> FindFilterEntryId(std::string_view filter) {
  std::optional<std::string> entryId = ParseEntryIdFilter(filter);
  if (!entryId) {
    throw StoreFailure(kInvalidArgument,
                       "Only the filter EntryID = '...' can be used, not: " + std::string(filter));
  }
  if (!IsEntryIdText(*entryId)) return std::nullopt;
  return UpperCaseHex(*entryId);
}

}  // namespace tovask::outlook
