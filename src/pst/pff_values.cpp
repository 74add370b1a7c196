#include "pst/pff_values.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <cstring>
#include <ctime>

#include "outlook/entry_id.h"
#include "outlook/property_schema.h"

namespace tovask::pst {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// UTF-16 in UTF-8 through ICU; a surrogate without its pair becomes U+FFFD.
std::string WideToUtf8(std::u16string_view wide) {
  std::string out;
  if (wide.empty()) return out;
  const auto length = static_cast<int32_t>(wide.size());
  int32_t needed = 0;
  UErrorCode measured = U_ZERO_ERROR;
  u_strToUTF8WithSub(nullptr, 0, &needed, wide.data(), length, kReplacement, nullptr, &measured);
  if (measured != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(measured)) return out;
  out.resize(static_cast<std::size_t>(needed));
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), needed, &needed, wide.data(), length, kReplacement, nullptr,
                     &status);
  if (U_FAILURE(status)) out.clear();
  return out;
}

// The width of one value of a fixed-size type; 0 for the others.
std::size_t FixedWidth(std::uint32_t baseType) {
  switch (baseType) {
    case kTypeBoolean:
      return 1;
    case kTypeInt16:
      return 2;
    case kTypeInt32:
      return 4;
    case kTypeInt64:
    case kTypeFileTime:
    case kTypeDouble:
    case kTypeAppTime:
      return 8;
    default:
      return 0;
  }
}

std::optional<std::int64_t> WholeNumber(std::uint32_t baseType, std::string_view bytes) {
  std::size_t width = FixedWidth(baseType);
  if (width == 0 || bytes.size() < width) return std::nullopt;
  std::uint64_t raw = LittleEndian(bytes.substr(0, width));
  switch (baseType) {
    case kTypeBoolean:
      return raw != 0 ? 1 : 0;
    case kTypeInt16:
      return static_cast<std::int16_t>(raw);
    case kTypeInt32:
      return static_cast<std::int32_t>(raw);
    case kTypeInt64:
      return static_cast<std::int64_t>(raw);
    default:
      return std::nullopt;
  }
}

double Double(std::string_view bytes) {
  std::uint64_t raw = LittleEndian(bytes.substr(0, 8));
  double value = 0;
  std::memcpy(&value, &raw, sizeof value);
  return value;
}

std::optional<DateTime> Date(std::uint32_t baseType, std::string_view bytes) {
  if (bytes.size() < 8) return std::nullopt;
  if (baseType == kTypeFileTime) return FileTimeToLocal(LittleEndian(bytes.substr(0, 8)));
  if (baseType == kTypeAppTime) {
    double days = Double(bytes);
    // Serial days beyond the years a date can hold are no date.
    if (!(days > -657434.0 && days < 2958466.0)) return std::nullopt;
    DateTime date = DateTime::FromSerial(days);
    if (date == DateTime::Zero() || date >= outlook::NoDate()) return std::nullopt;
    return date;
  }
  return std::nullopt;
}

// One value as text, for a text property.
std::string SingleText(std::uint32_t baseType, std::string_view bytes, const CodePageText& ansi) {
  switch (baseType) {
    case kTypeUnicode:
      return Utf16ToUtf8(bytes);
    case kTypeString8:
      return ansi.ToUtf8(bytes);
    case kTypeBoolean:
      if (bytes.empty()) return std::string();
      return bytes[0] != 0 ? "True" : "False";
    case kTypeFileTime:
    case kTypeAppTime: {
      std::optional<DateTime> date = Date(baseType, bytes);
      return date ? date->ToGeneralText() : std::string();
    }
    default:
      if (std::optional<std::int64_t> number = WholeNumber(baseType, bytes))
        return std::to_string(*number);
      return outlook::HexText(bytes);
  }
}

std::string MultipleText(std::uint32_t baseType, std::string_view bytes, const CodePageText& ansi) {
  std::vector<std::string_view> values;
  if (std::size_t width = FixedWidth(baseType); width != 0) {
    for (std::size_t at = 0; at + width <= bytes.size(); at += width) {
      values.push_back(bytes.substr(at, width));
    }
  } else if (auto split = SplitMultiValue(bytes)) {
    values = std::move(*split);
  }
  std::string joined;
  for (std::string_view value : values) {
    std::string text = SingleText(baseType, value, ansi);
    if (text.empty()) continue;
    if (!joined.empty()) joined.append(outlook::kMultiValueSeparator);
    joined.append(text);
  }
  return joined;
}

}  // namespace

std::string Utf16ToUtf8(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit == 0) return WideToUtf8(wide);
    wide.push_back(unit);
  }
  std::string out = WideToUtf8(wide);
  if (bytes.size() % 2 != 0) out += "\xEF\xBF\xBD";  // the odd last byte, U+FFFD
  return out;
}

CodePageText::CodePageText(int codePage) {
  for (const std::string& name :
       {"cp" + std::to_string(codePage), "windows-" + std::to_string(codePage),
        std::string("windows-1252")}) {
    UErrorCode status = U_ZERO_ERROR;
    converter_ = ucnv_open(name.c_str(), &status);
    if (U_SUCCESS(status) && converter_ != nullptr) return;
    if (converter_ != nullptr) ucnv_close(converter_);
    converter_ = nullptr;
  }
}

CodePageText::~CodePageText() {
  if (converter_ != nullptr) ucnv_close(converter_);
}

std::string CodePageText::ToUtf8(std::string_view bytes) const {
  bytes = bytes.substr(0, bytes.find('\0'));
  if (converter_ == nullptr) {
    // Without any converter, Latin-1 is the least wrong reading.
    std::u16string latin;
    for (char c : bytes) latin.push_back(static_cast<unsigned char>(c));
    return WideToUtf8(latin);
  }
  // A byte gives at most two UTF-16 units in every Windows code page.
  std::u16string wide(bytes.size() * 2 + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(converter_);
  int32_t length = ucnv_toUChars(converter_, wide.data(), static_cast<int32_t>(wide.size()),
                                 bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return {};
  return WideToUtf8(std::u16string_view(wide.data(), static_cast<std::size_t>(length)));
}

std::optional<std::vector<std::string_view>> SplitMultiValue(std::string_view bytes) {
  if (bytes.size() < 4) return std::nullopt;
  std::uint64_t count = LittleEndian(bytes.substr(0, 4));
  // Each value needs its offset, so the count is bounded by the size.
  if (count > (bytes.size() - 4) / 4) return std::nullopt;
  std::size_t dataStart = 4 + 4 * count;
  std::vector<std::string_view> values;
  values.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint64_t begin = LittleEndian(bytes.substr(4 + 4 * i, 4));
    std::uint64_t end = i + 1 < count ? LittleEndian(bytes.substr(8 + 4 * i, 4)) : bytes.size();
    if (begin < dataStart || begin > end || end > bytes.size()) return std::nullopt;
    values.push_back(bytes.substr(begin, end - begin));
  }
  return values;
}

std::string SubjectText(std::string stored) {
  if (stored.size() >= 2 && stored[0] == '\x01') stored.erase(0, 2);
  return stored;
}

std::optional<DateTime> FileTimeToLocal(std::uint64_t fileTime) {
  if (fileTime == 0) return std::nullopt;
  constexpr std::int64_t kTicksPerSecond = 10'000'000;
  constexpr std::int64_t kEpochDifference = 11'644'473'600;  // 1601 to 1970, in seconds
  // 4501-01-01 00:00:00 UTC; a day either side for the zones.
  constexpr std::int64_t kNoDateSeconds = 79'870'665'600;
  std::int64_t seconds = static_cast<std::int64_t>(fileTime / kTicksPerSecond) - kEpochDifference;
  if (seconds > kNoDateSeconds + 86'400) return std::nullopt;
  std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return std::nullopt;
  std::optional<DateTime> date =
      DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
  if (!date || *date >= outlook::NoDate()) return std::nullopt;
  return date;
}

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  std::size_t count = bytes.size() < 8 ? bytes.size() : 8;
  for (std::size_t i = 0; i < count; ++i) {
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return value;
}

Value DecodeStoredValue(outlook::PropertyKind kind, std::uint32_t valueType, std::string_view bytes,
                        const CodePageText& ansi) {
  std::uint32_t baseType = valueType & ~static_cast<std::uint32_t>(kTypeMultiple);
  bool multiple = (valueType & kTypeMultiple) != 0;
  switch (kind) {
    case outlook::PropertyKind::kText:
      return multiple ? MultipleText(baseType, bytes, ansi) : SingleText(baseType, bytes, ansi);
    case outlook::PropertyKind::kDate:
      if (!multiple) {
        if (std::optional<DateTime> date = Date(baseType, bytes)) return *date;
      }
      return outlook::NoDate();
    case outlook::PropertyKind::kInteger:
      if (!multiple) {
        if (std::optional<std::int64_t> number = WholeNumber(baseType, bytes)) return *number;
      }
      return std::int64_t{0};
    case outlook::PropertyKind::kBoolean:
      if (!multiple) {
        if (std::optional<std::int64_t> number = WholeNumber(baseType, bytes)) return *number != 0;
      }
      return false;
  }
  return std::monostate();
}

}  // namespace tovask::pst
