#include "import/slot_merges.h"

#include <string>

#include "main/case_fold.h"
#include "main/value.h"

namespace tovask {

namespace {

// The address type that keeps an e-mail slot whatever the document says.
constexpr std::string_view kExchangeType = "EX";

std::string TextOf(Value value) {
  if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
  return ValueText(value);
}

// The values that stay in their slots, compared without regard to case.
class KeptValues {
 public:
  bool Contains(std::string_view value) const {
    const std::string folded = FoldCase(value);
    for (int i = 0; i < count_; ++i) {
      if (folded_[static_cast<std::size_t>(i)] == folded) return true;
    }
    return false;
  }
  void Add(std::string_view value) {
    folded_[static_cast<std::size_t>(count_++)] = FoldCase(value);
  }

 private:
  std::array<std::string, 4> folded_;
  int count_ = 0;
};

}  // namespace

bool IsIncomingValue(const FieldValues& fieldValues, const SlotFamily& family,
                     std::string_view value) {
  for (int i = 0; i < family.count; ++i) {
    const int place = FieldValues::PlaceOf(family.slots[static_cast<std::size_t>(i)]);
    if (fieldValues.Has(place) && fieldValues.At(place) == value) return true;
  }
  return false;
}

void MergeSlots(outlook::Item& item, const FieldValues& fieldValues, const SlotFamily& family) {
  const auto count = static_cast<std::size_t>(family.count);
  std::array<std::string, 4> values;
  std::array<bool, 4> free{};

  // Which slots are free to take an incoming value.
  for (std::size_t slot = 0; slot < count; ++slot) {
    values[slot] = TextOf(item.GetProperty(family.slots[slot]));
    if (values[slot].empty()) {
      free[slot] = true;
    } else {
      free[slot] = !IsIncomingValue(fieldValues, family, values[slot]) &&
                   !(family.isEmail() &&
                     TextOf(item.GetProperty(family.addressTypes[slot])) == kExchangeType);
    }
  }
  // A value the item holds twice stays only in its first slot.
  KeptValues kept;
  bool anyFree = false;
  for (std::size_t slot = 0; slot < count; ++slot) {
    if (!free[slot]) {
      if (kept.Contains(values[slot])) {
        free[slot] = true;
      } else {
        kept.Add(values[slot]);
      }
    }
    anyFree = anyFree || free[slot];
  }
  if (!anyFree) return;

  // Incoming values not kept already go into the lowest free slots; an
  // address brings the type and display name of its own position.
  for (std::size_t position = 0; position < count; ++position) {
    const int place = FieldValues::PlaceOf(family.slots[position]);
    if (!fieldValues.Has(place)) continue;
    const std::string& incoming = fieldValues.At(place);
    if (kept.Contains(incoming)) continue;
    std::size_t slot = 0;
    while (slot < count && !free[slot]) ++slot;
    if (slot == count) continue;
    item.SetProperty(family.slots[slot], incoming);
    if (family.isEmail()) {
      const int typePlace = FieldValues::PlaceOf(family.addressTypes[position]);
      const int namePlace = FieldValues::PlaceOf(family.displayNames[position]);
      item.SetProperty(family.addressTypes[slot],
                       fieldValues.Has(typePlace) ? fieldValues.At(typePlace) : "SMTP");
      item.SetProperty(family.displayNames[slot], fieldValues.At(namePlace));
    }
    free[slot] = false;
  }

  // What is left free is cleared; an e-mail slot keeps its display name.
  for (std::size_t slot = 0; slot < count; ++slot) {
    if (!free[slot]) continue;
    item.SetProperty(family.slots[slot], std::string());
    if (family.isEmail()) item.SetProperty(family.addressTypes[slot], std::string());
  }
}

}  // namespace tovask
