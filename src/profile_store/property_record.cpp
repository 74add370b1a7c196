#include "profile_store/property_record.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {

void PutFixed64(std::string& out, std::int64_t value) {
  auto bits = static_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

std::int64_t GetFixed64(std::string_view bytes) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 8 && i < bytes.size(); ++i) {
    bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return static_cast<std::int64_t>(bits);
}

// The most bytes an entry's id and length take.
constexpr std::size_t kMaxHeaderBytes = 1 + 10;

// Writes an entry's id and the value's length (LEB128) to `out`; returns
// how many bytes that took.
std::size_t PutHeader(char* out, PropertyId id, std::size_t length) {
  std::size_t at = 0;
  out[at++] = static_cast<char>(id);
  while (length >= 0x80) {
    out[at++] = static_cast<char>((length & 0x7F) | 0x80);
    length >>= 7;
  }
  out[at++] = static_cast<char>(length);
  return at;
}

// How many bytes the LEB128 form of `length` takes.
std::size_t LengthSize(std::size_t length) {
  std::size_t size = 1;
  for (; length >= 0x80; length >>= 7) ++size;
  return size;
}

// One entry of a record: the id, the value's length, the value.
void PutEntry(std::string& out, PropertyId id, std::string_view value) {
  char header[kMaxHeaderBytes];
  out.append(header, PutHeader(header, id, value.size()));
  out.append(value);
}

Failure Damaged() { return StoreFailure(kCallFailed, "The item's property record is damaged"); }

// Reads the LEB128 length at `at` and moves `at` past it.
bool ReadLength(std::string_view bytes, std::size_t& at, std::size_t& length) {
  length = 0;
  for (int shift = 0; shift <= 28; shift += 7) {
    if (at >= bytes.size()) return false;
    auto byte = static_cast<unsigned char>(bytes[at++]);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return length <= bytes.size() - at;
  }
  return false;
}

}  // namespace

void PropertyRecord::Decode() const {
  auto spans = std::make_unique<Span[]>(PropertyCount());  // zeroed
  setIds_ = {};
  std::size_t at = 0;
  bool ordered = true;
  int last = -1;
  while (at < bytes_.size()) {
    auto id = static_cast<unsigned char>(bytes_[at++]);
    std::size_t length = 0;
    if (id >= PropertyCount() || !ReadLength(bytes_, at, length)) throw Damaged();
    spans[id] = {static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(length)};
    setIds_[id / 64] |= std::uint64_t{1} << (id % 64);
    at += length;
    ordered = ordered && id > last;
    last = id;
  }
  spans_ = std::move(spans);
  ordered_ = ordered;
}

bool PropertyRecord::Find(PropertyId id, std::string_view& bytes) const {
  if (!spans_) Decode();
  const Span& span = spans_[id];
  if (span.offset == 0) return false;
  bytes = std::string_view(bytes_.data() + span.offset, span.size);
  return true;
}

void PropertyRecord::Set(PropertyId id, std::string_view bytes) { Replace(id, &bytes); }

void PropertyRecord::Clear(PropertyId id) { Replace(id, nullptr); }

int PropertyRecord::NextSetId(int first) const {
  for (int word = first / 64; word < static_cast<int>(setIds_.size()); ++word) {
    std::uint64_t bits = setIds_[static_cast<std::size_t>(word)];
    if (word == first / 64) bits &= ~std::uint64_t{0} << (first % 64);
    if (bits != 0) return word * 64 + std::countr_zero(bits);
  }
  return -1;
}

void PropertyRecord::Replace(PropertyId id, const std::string_view* bytes) {
  // Writing what is there already (an import clears many properties that
  // are unset and rewrites many that did not change) leaves the record as
  // it is.
  std::string_view current;
  const bool set = Find(id, current);
  if (bytes == nullptr ? !set : (set && current == *bytes)) return;
  // The entry is spliced in where it is or belongs (before the next
  // property's entry), and the spans behind it move: a new item gets its
  // hundred fields without a hundred rebuilds of its record.
  auto entryStart = [&](const Span& span) { return span.offset - 1 - LengthSize(span.size); };
  std::size_t start = bytes_.size(), end = bytes_.size();
  if (set) {
    start = entryStart(spans_[id]);
    end = spans_[id].offset + spans_[id].size;
  } else if (const int next = NextSetId(id + 1); next >= 0) {
    start = end = entryStart(spans_[next]);
  }
  std::string_view value = bytes != nullptr ? *bytes : std::string_view();
  std::string copy;  // a value taken from the record itself moves with the splice
  if (!value.empty() && std::greater_equal<const char*>()(value.data(), bytes_.data()) &&
      std::less<const char*>()(value.data(), bytes_.data() + bytes_.size())) {
    value = copy.assign(value);
  }
  char header[kMaxHeaderBytes];
  const std::size_t headerSize = bytes != nullptr ? PutHeader(header, id, value.size()) : 0;
  const std::size_t entrySize = headerSize + value.size();
  // Written in place: no entry is built on its own first.
  bytes_.replace(start, end - start, entrySize, '\0');
  if (headerSize != 0) std::memcpy(bytes_.data() + start, header, headerSize);
  if (!value.empty()) std::memcpy(bytes_.data() + start + headerSize, value.data(), value.size());
  const auto grown = static_cast<std::int64_t>(entrySize) - static_cast<std::int64_t>(end - start);
  // In a record in id order only the entries of higher ids lie behind.
  for (int other = NextSetId(ordered_ ? id + 1 : 0); other >= 0; other = NextSetId(other + 1)) {
    Span& span = spans_[other];
    if (span.offset > start) span.offset = static_cast<std::uint32_t>(span.offset + grown);
  }
  std::uint64_t& word = setIds_[id / 64];
  const std::uint64_t bit = std::uint64_t{1} << (id % 64);
  if (bytes == nullptr) {
    spans_[id] = Span{0, 0};
    word &= ~bit;
  } else {
    spans_[id] = Span{static_cast<std::uint32_t>(start + headerSize),
                      static_cast<std::uint32_t>(value.size())};
    word |= bit;
  }
}

std::string EncodeRecord(std::vector<std::pair<PropertyId, std::string>> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string bytes;
  for (const auto& [id, value] : entries) PutEntry(bytes, id, value);
  return bytes;
}

WriteEffect EncodeValue(const PropertyInfo& info, const Value& value, std::string& bytes) {
  bytes.clear();
  if (std::holds_alternative<std::monostate>(value)) return WriteEffect::kClear;
  switch (info.kind) {
    case PropertyKind::kText: {
      const auto* text = std::get_if<std::string>(&value);
      if (text == nullptr) return WriteEffect::kWrongKind;
      if (text->empty()) return WriteEffect::kClear;
      bytes = *text;
      return WriteEffect::kSet;
    }
    case PropertyKind::kDate: {
      const auto* date = std::get_if<DateTime>(&value);
      if (date == nullptr) return WriteEffect::kWrongKind;
      if (*date == DateTime::Zero() || *date >= NoDate()) return WriteEffect::kClear;
      PutFixed64(bytes, date->UnixSeconds());
      return WriteEffect::kSet;
    }
    case PropertyKind::kInteger: {
      const auto* number = std::get_if<std::int64_t>(&value);
      if (number == nullptr) return WriteEffect::kWrongKind;
      if (*number < info.minimum || *number > info.maximum) return WriteEffect::kOutOfRange;
      if (*number == 0) return WriteEffect::kClear;
      PutFixed64(bytes, *number);
      return WriteEffect::kSet;
    }
    case PropertyKind::kBoolean: {
      const auto* flag = std::get_if<bool>(&value);
      if (flag == nullptr) return WriteEffect::kWrongKind;
      if (!*flag) return WriteEffect::kClear;
      bytes.push_back('\1');
      return WriteEffect::kSet;
    }
  }
  return WriteEffect::kWrongKind;
}

Value DecodeValue(PropertyKind kind, std::string_view bytes) {
  switch (kind) {
    case PropertyKind::kText:
      return std::string(bytes);
    case PropertyKind::kDate:
      return DateTime::FromUnixSeconds(GetFixed64(bytes));
    case PropertyKind::kInteger:
      return GetFixed64(bytes);
    case PropertyKind::kBoolean:
      return !bytes.empty() && bytes[0] != 0;
  }
  return {};
}

}  // namespace tovask::outlook
