#include "import/field_values.h"

#include <cstdint>

#include "import/contact_field_reader.h"
#include "import/slot_merges.h"
#include "main/case_fold.h"

namespace tovask {

namespace {

// Every name the import reads: the applied names in their order, then the
// slot families with their companions.
constexpr std::array<std::string_view, FieldValues::kNameCount> ReadNames() {
  std::array<std::string_view, FieldValues::kNameCount> names{};
  std::size_t count = 0;
  for (const ApplyStep& step : kApplyOrder) {
    if (step.kind != ApplyKind::kMerge) names[count++] = step.name;
  }
  for (const SlotFamily* family :
       {&kEmailSlots, &kBusinessPhoneSlots, &kHomePhoneSlots, &kUserFieldSlots}) {
    for (int slot = 0; slot < family->count; ++slot) {
      const auto index = static_cast<std::size_t>(slot);
      names[count++] = family->slots[index];
      if (family->isEmail()) {
        names[count++] = family->addressTypes[index];
        names[count++] = family->displayNames[index];
      }
    }
  }
  // Evaluated at compile time: a count that does not fit stops the build.
  if (count != names.size()) throw "kNameCount does not match the names read";
  return names;
}

constexpr std::array<std::string_view, FieldValues::kNameCount> kNames = ReadNames();

// The longest name is 28 characters; folding shrinks a character
// to no less than a third of its bytes (the Kelvin sign folds to "k"), so
// a longer name can never match.
constexpr std::size_t kLongestName = 28;
constexpr std::size_t kLongestFoldable = 3 * kLongestName;

// Every element of every contact is looked up here, so the look-up neither
// folds into a new string nor allocates: an open-addressing table hashed by
// HashAsciiFolded, compared without regard to ASCII case. Only a name with
// other characters goes through full folding first.
constexpr std::size_t kSlots = 256;  // a power of two, under half full

// Each slot holds place + 1; 0 is empty.
constexpr std::array<std::uint8_t, kSlots> MakeSlots() {
  std::array<std::uint8_t, kSlots> slots{};
  for (std::size_t place = 0; place < kNames.size(); ++place) {
    if (kNames[place].size() > kLongestName) throw "a name is longer than kLongestName";
    std::size_t slot = HashAsciiFolded(kNames[place]) & (kSlots - 1);
    while (slots[slot] != 0) slot = (slot + 1) & (kSlots - 1);
    slots[slot] = static_cast<std::uint8_t>(place + 1);
  }
  return slots;
}

constexpr std::array<std::uint8_t, kSlots> kSlotTable = MakeSlots();

// The place of an ASCII name, or kNotRead.
int FindAscii(std::string_view name) {
  std::size_t slot = HashAsciiFolded(name) & (kSlots - 1);
  while (kSlotTable[slot] != 0) {
    const int place = kSlotTable[slot] - 1;
    const std::string_view candidate = kNames[static_cast<std::size_t>(place)];
    // Documents mostly spell names as the table does: a plain comparison
    // settles those at once.
    if (candidate.size() == name.size() && (candidate == name || EqualAsciiFolded(candidate, name)))
      return place;
    slot = (slot + 1) & (kSlots - 1);
  }
  return FieldValues::kNotRead;
}

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

int FieldValues::PlaceOf(std::string_view name) {
  if (name.empty() || name.size() > kLongestFoldable) return kNotRead;
  if (IsAscii(name)) return name.size() > kLongestName ? kNotRead : FindAscii(name);
  // The folded form of every name read is ASCII: a folded text that is not
  // can match none.
  const std::string folded = FoldCase(name);
  return IsAscii(folded) && folded.size() <= kLongestName ? FindAscii(folded) : kNotRead;
}

bool FieldValues::Add(int place, std::string_view text) {
  if (text.empty() || place == kNotRead || Has(place)) return false;
  const auto index = static_cast<std::size_t>(place);
  texts_[index].assign(text);
  present_[index] = true;
  return true;
}

const std::string& FieldValues::At(int place) const {
  return Has(place) ? texts_[static_cast<std::size_t>(place)] : EmptyText();
}

bool FieldValues::HasKey(std::string_view name) const noexcept {
  try {
    return Has(PlaceOf(name));
  } catch (...) {
    // Only running out of memory while folding a name can land here.
    return false;
  }
}

}  // namespace tovask
