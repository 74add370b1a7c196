// The stale contacts of an import: the folder's contacts that no input
// contact matched, which an import with stale deletion removes.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "import/delete_confirmation.h"
#include "main/keyed_collection.h"
#include "outlook/outlook.h"

namespace tovask {

// Entry identifiers as keys, in the folder's item order. Entries hold
// nothing else, so 100,000 of them stay small; what the confirmation shows
// is loaded from the profile only when it is asked for.
using StaleContacts = KeyedCollection<std::monostate>;

// Adds every contact item of `items` (not the other items, not those of
// subfolders) under its entry identifier, in item order. Raises what the
// items raise.
void CollectStaleContacts(outlook::Items& items, StaleContacts& staleContacts);

// Lets the user choose which stale contacts may go. Does nothing when the
// set is empty. Otherwise builds one display text per entry, in order (the
// contact's FileAs, else its FullName, else "Unnamed", looked up in `items`
// by entry identifier), asks, and applies the decision: cancelled empties
// the set; otherwise every entry not left selected is removed.
//
// When nobody could be asked, logs "Stale contacts not deleted: cannot ask
// for confirmation - " + the reason, and nothing is deleted. A failure while
// building the display texts counts the same (noted as trapped, the reason
// being its failure tail), and so does an empty `ask`. Never raises
// otherwise.
void ConfirmStaleContacts(StaleContacts& staleContacts, outlook::Items& items,
                          const AskDeleteConfirmation& ask);

// The deletion pass: visits the folder's items from the last position to
// the first, fetching the item collection afresh for each, and removes
// every contact whose entry identifier is in the set, logging
// "Deleting contact: " + FileAs + " - " + FullName. Returns the entry
// identifiers of the contacts removed, in the order of removal, for their
// "deleted" feedback elements, which the caller writes once the removals
// are stored. Contacts created since the set was filled are never in it;
// other items are never removed.
//
// Never raises: a failure on one item is noted as trapped, logged as
// "Error deleting contact: " + the failure tail, and the pass goes on with
// the next lower position.
std::vector<std::string> DeleteStaleContacts(outlook::Folder& folder,
                                             const StaleContacts& staleContacts);

}  // namespace tovask
