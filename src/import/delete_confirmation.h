// How an import asks the user which of its stale contacts it may delete.
//
// The import hands over one display text per stale contact (FileAs, else
// FullName, else "Unnamed"), in the order of its stale set, and gets back
// the user's decision. Whoever asks never deletes anything itself and never
// sees the profile: the import applies the decision to its stale set.
//
// A person who was asked and could not answer must never lose contacts, so
// everything short of "Delete" pressed reads as cancelled: "Cancel", Escape,
// the window's close control, a failure while filling or showing the
// dialog, and a run where no window can be shown at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tovask {

struct DeleteDecision {
  // True: delete none of the stale contacts.
  bool cancelled = true;
  // When not cancelled: one flag per display text, in order; true where the
  // entry was left selected, that is, where the contact may be deleted.
  std::vector<bool> selected;
  // Set when nobody could be asked (no display, a build without the dialog,
  // the dialog failed): the reason, for one log line. Empty when a person
  // answered.
  std::string notAskedBecause;
};

// Asks about `displayTexts` (never empty) and returns only once the question
// is settled. Never raises.
using AskDeleteConfirmation =
    std::function<DeleteDecision(const std::vector<std::string>& displayTexts)>;

// The decision when no window can be shown: cancelled, with the reason.
DeleteDecision WindowlessDecision(std::string reason);

// The way this build asks: the confirmation dialog when it is built in and
// a display can be opened, else WindowlessDecision.
AskDeleteConfirmation DefaultDeleteConfirmation();

}  // namespace tovask
