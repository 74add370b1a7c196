// Property values of Outlook data files, from the bytes a file stores to the
// values the access interface hands over. Pure functions over bytes, so a
// damaged file gives odd values or none, never a read out of bounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/date_time.h"
#include "main/value.h"
#include "outlook/property_schema.h"

struct UConverter;

namespace tovask::pst {

// MAPI value types as the files store them.
enum ValueType : std::uint32_t {
  kTypeInt16 = 0x0002,
  kTypeInt32 = 0x0003,
  kTypeDouble = 0x0005,
  kTypeAppTime = 0x0007,
  kTypeBoolean = 0x000B,
  kTypeInt64 = 0x0014,
  kTypeString8 = 0x001E,  // 8-bit text in the file's code page
  kTypeUnicode = 0x001F,  // UTF-16LE
  kTypeFileTime = 0x0040,
  kTypeBinary = 0x0102,
  kTypeMultiple = 0x1000,  // flag: several values of the base type
};

// UTF-16LE text as UTF-8, up to the first NUL character. An unpaired
// surrogate and an odd last byte each become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes);

// 8-bit texts of one Windows code page (1252, 1251, 932, ...) as UTF-8. A
// code page the converter does not know is read as 1252. Up to the first NUL;
// bytes the code page lacks become U+FFFD. Not for use by two threads.
class CodePageText {
 public:
  explicit CodePageText(int codePage);
  ~CodePageText();
  CodePageText(const CodePageText&) = delete;
  CodePageText& operator=(const CodePageText&) = delete;

  std::string ToUtf8(std::string_view bytes) const;

 private:
  UConverter* converter_ = nullptr;
};

// The values of a multi-valued property of variable-size values (texts,
// binaries): a 32-bit count, that many 32-bit offsets from the start, then
// the values. Nothing when the layout does not hold together.
std::optional<std::vector<std::string_view>> SplitMultiValue(std::string_view bytes);

// A subject as Outlook shows it: files may start it with U+0001 and one
// character that gives the length of its prefix ("RE: "); both go.
std::string SubjectText(std::string stored);

// A FILETIME (100-nanosecond ticks since 1601-01-01 UTC) as local time.
// Nothing for zero and for any moment from 4501-01-01 on, which Outlook
// uses for "none".
std::optional<DateTime> FileTimeToLocal(std::uint64_t fileTime);

// Little-endian whole numbers of 1 to 8 bytes; 0 for an empty span.
std::uint64_t LittleEndian(std::string_view bytes);

// The value of a stored property as the access interface hands it over for
// a property of that kind:
// - text: texts as they are, several values joined by kMultiValueSeparator,
//   binaries as uppercase hex, numbers in decimal, dates in the general
//   form, booleans "True"/"False";
// - date: a FILETIME (or an application time) as local time, unset when zero;
// - whole number: any integer or boolean type;
// - boolean: a boolean or an integer not zero.
// A value of a type the kind cannot take reads as unset.
Value DecodeStoredValue(outlook::PropertyKind kind, std::uint32_t valueType, std::string_view bytes,
                        const CodePageText& ansi);

}  // namespace tovask::pst
