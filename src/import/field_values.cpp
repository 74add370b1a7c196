#include "import/field_values.h"

#include <unordered_map>

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
constexpr std::size_t kLongestFoldable = 3 * 28;

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    return std::hash<std::string_view>()(text);
  }
};
using PlaceIndex = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;

const PlaceIndex& Places() {
  static const PlaceIndex places = [] {
    PlaceIndex index;
    for (int place = 0; place < FieldValues::kNameCount; ++place) {
      index.emplace(FoldCase(kNames[static_cast<std::size_t>(place)]), place);
    }
    return index;
  }();
  return places;
}

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

int FieldValues::PlaceOf(std::string_view name) {
  if (name.empty() || name.size() > kLongestFoldable) return kNotRead;
  const PlaceIndex& places = Places();
  PlaceIndex::const_iterator found;
  if (IsAscii(name)) {
    char lower[kLongestFoldable];
    for (std::size_t i = 0; i < name.size(); ++i) lower[i] = AsciiLower(name[i]);
    found = places.find(std::string_view(lower, name.size()));
  } else {
    found = places.find(FoldCase(name));
  }
  return found == places.end() ? kNotRead : found->second;
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
