#include "import/contact_field_reader.h"

#include <string>

#include "main/date_time.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/value.h"

namespace tovask {

namespace {

// Type mismatch: the error a failed text-to-date conversion raised in the
// peer system's own tooling.
constexpr std::int32_t kNotADate = 13;

void LogUpdateFailure(const Failure& failure) {
  NoteTrappedFailure();
  Log([&] { return "Error updating contact: " + FailureTail(failure); });
}

// Runs one guarded step of the apply phase.
template <class Step>
void Guarded(Step&& step) {
  try {
    step();
  } catch (const Failure& failure) {
    LogUpdateFailure(failure);
  }
}

bool IsEmptyValue(const Value& value) {
  if (std::holds_alternative<std::monostate>(value)) return true;
  if (const auto* text = std::get_if<std::string>(&value)) return text->empty();
  return false;
}

// The apply order's places in the field table, found once.
struct PlacedStep {
  const ApplyStep* step;
  int place;
};
const std::array<PlacedStep, kApplyOrder.size()>& PlacedSteps() {
  static const auto placed = [] {
    std::array<PlacedStep, kApplyOrder.size()> steps{};
    for (std::size_t i = 0; i < kApplyOrder.size(); ++i) {
      steps[i] = {&kApplyOrder[i], FieldValues::PlaceOf(kApplyOrder[i].name)};
    }
    return steps;
  }();
  return placed;
}

}  // namespace

void ApplyContactFields(outlook::Item& item, const DocumentContact& contact) {
  if (contact.collectFailure) {
    LogUpdateFailure(*contact.collectFailure);
    return;
  }
  const FieldValues& fields = contact.fields;
  // One text value reused for every write keeps the allocations down.
  Value text = std::string();
  for (const PlacedStep& placed : PlacedSteps()) {
    const ApplyStep& step = *placed.step;
    const bool present = fields.Has(placed.place);
    switch (step.kind) {
      case ApplyKind::kText:
        Guarded([&] {
          std::get<std::string>(text).assign(fields.At(placed.place));
          item.SetProperty(step.name, text);
        });
        break;
      case ApplyKind::kDate: {
        // The zero date stands unless the text converts.
        DateTime date = DateTime::Zero();
        if (present) {
          Guarded([&] {
            std::optional<DateTime> parsed = DateTime::Parse(fields.At(placed.place));
            if (!parsed) {
              throw Failure("ContactDocument", kNotADate,
                            "Type mismatch: the " + std::string(step.name) + " text \"" +
                                fields.At(placed.place) + "\" is not a date");
            }
            date = *parsed;
          });
        }
        Guarded([&] { item.SetProperty(step.name, date); });
        break;
      }
      case ApplyKind::kFileAs:
        Guarded([&] {
          if (present) {
            std::get<std::string>(text).assign(fields.At(placed.place));
            item.SetProperty(step.name, text);
          } else if (IsEmptyValue(item.GetProperty(step.name))) {
            item.SetProperty(step.name, item.GetProperty("FullName"));
          }
        });
        break;
      case ApplyKind::kMerge:
        Guarded([&] { MergeSlots(item, fields, *step.family); });
        break;
    }
  }
  Guarded([&] { item.Save(); });
}

}  // namespace tovask
