#include "import/stale_contacts.h"

#include <memory>
#include <string>
#include <vector>

#include "import/entry_id_filter.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/value.h"

namespace tovask {

namespace {

constexpr std::string_view kContactKind = "RDOContactItem";

std::string DisplayText(outlook::Items& items, std::string_view entryId) {
  std::unique_ptr<outlook::Item> item = items.Find(EntryIdFilter(entryId));
  if (item) {
    std::string text = ValueText(item->GetProperty("FileAs"));
    if (text.empty()) text = ValueText(item->GetProperty("FullName"));
    if (!text.empty()) return text;
  }
  return "Unnamed";
}

void LogDeleteFailure(const Failure& failure) {
  NoteTrappedFailure();
  Log([&] { return "Error deleting contact: " + FailureTail(failure); });
}

}  // namespace

void CollectStaleContacts(outlook::Items& items, StaleContacts& staleContacts) {
  const std::int32_t count = items.Count();
  for (std::int32_t index = 1; index <= count; ++index) {
    std::unique_ptr<outlook::Item> item = items.GetItem(index);
    if (!item || item->KindName() != kContactKind) continue;
    staleContacts.Add(item->EntryID(), {});
  }
}

void ConfirmStaleContacts(StaleContacts& staleContacts, outlook::Items& items,
                          const AskDeleteConfirmation& ask) {
  const std::int32_t count = staleContacts.Count();
  if (count == 0) return;
  DeleteDecision decision;
  try {
    if (!ask) throw Failure("Import", 5, "Nobody to ask for the confirmation");
    std::vector<std::string> displayTexts;
    displayTexts.reserve(static_cast<std::size_t>(count));
    for (std::int32_t position = 1; position <= count; ++position) {
      displayTexts.push_back(DisplayText(items, staleContacts.KeyAt(position)));
    }
    decision = ask(displayTexts);
  } catch (const Failure& failure) {
    // Nobody was asked: nothing may be deleted.
    NoteTrappedFailure();
    decision = WindowlessDecision(FailureTail(failure));
  }
  if (!decision.notAskedBecause.empty()) {
    Log([&] {
      return "Stale contacts not deleted: cannot ask for confirmation - " +
             decision.notAskedBecause;
    });
  }
  if (decision.cancelled) {
    staleContacts = StaleContacts();
    return;
  }
  // From the last position to the first, so the positions still to visit
  // stay valid; an answer without a flag for an entry keeps that contact.
  for (std::int32_t position = count; position >= 1; --position) {
    const auto flag = static_cast<std::size_t>(position - 1);
    if (flag >= decision.selected.size() || !decision.selected[flag]) {
      staleContacts.RemoveAt(position);
    }
  }
}

std::vector<std::string> DeleteStaleContacts(outlook::Folder& folder,
                                             const StaleContacts& staleContacts) {
  std::vector<std::string> deleted;
  std::int32_t count = 0;
  try {
    count = folder.GetItems()->Count();
  } catch (const Failure& failure) {
    LogDeleteFailure(failure);
    return deleted;
  }
  for (std::int32_t index = count; index >= 1; --index) {
    try {
      // Fetched again for every position: it shows what others changed.
      std::unique_ptr<outlook::Items> items = folder.GetItems();
      std::unique_ptr<outlook::Item> item = items->GetItem(index);
      if (!item || item->KindName() != kContactKind) continue;
      const std::string entryId = item->EntryID();
      if (!HasKey(staleContacts, entryId)) continue;
      Log([&] {
        return "Deleting contact: " + ValueText(item->GetProperty("FileAs")) + " - " +
               ValueText(item->GetProperty("FullName"));
      });
      items->Remove(index);
      deleted.push_back(entryId);
    } catch (const Failure& failure) {
      LogDeleteFailure(failure);
    }
  }
  return deleted;
}

}  // namespace tovask
