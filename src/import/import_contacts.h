// The import: merges a contact document from the peer system into one
// Outlook contacts folder and writes a feedback document.
#pragma once

#include <string>

#include "import/delete_confirmation.h"

namespace tovask {

// Reads `inputFile` (see contact_document.h) and brings the contacts folder
// at `targetPath` into line with it:
// - every `contact` element, in document order, updates the folder's
//   contact whose entry identifier its EntryID attribute names, or else
//   creates a new contact (ApplyContactFields: a full replacement), and
//   gets an "updated" or "created" feedback element;
// - `backup`: first, once ever, a copy of the folder's contacts goes into a
//   backup folder beside it (BackupContacts);
// - `deleteStale`: afterwards the folder's contacts that no element matched
//   are deleted, each with a "deleted" feedback element; with
//   `confirmDeletion` only those `askDeleteConfirmation` lets go.
// The feedback document (feedback_document.h) replaces `feedbackFile` at
// the end, with the elements gathered even when the merge failed part way.
//
// All or nothing: backup, merge and deletions are one change group of the
// session, committed right before the feedback document is saved. A run
// that ends before (killed, or a failure no trap takes) leaves the profile
// exactly as it was (no backup folder either) and no feedback file; a run
// that gets there stores all of its changes, then saves the feedback. With
// `confirmDeletion` the group is committed before the question and the
// deletions are a second group, so no other writer of the profile waits
// while a person decides; their "deleted" elements are written once they
// are stored. While a group is open, other writers of the profile wait.
//
// The input file is checked whole before anything else: when it cannot be
// read or is not a well-formed document without a document type
// declaration, "line N: text" is logged (N 0 and the system's reason when it
// cannot be read) and nothing else happens: no session, no feedback file.
//
// Failures are trapped where they happen, noted for the exit status and
// logged:
// - the log-on: "Error: " + tail, the run ends without a feedback file;
// - the change group cannot begin (another writer held the profile too
//   long): "Error: " + tail, the feedback document is saved with no
//   contact element;
// - the changes cannot be stored (a full disk): "Error: " + tail, none of
//   them is, and the run ends without a feedback file or "Import done.";
//   for the confirmed deletions: "Error deleting contact: " + tail, none
//   of them is, and the feedback document gets no "deleted" element;
// - the folder (it is not found, or its contacts cannot be listed for stale
//   deletion): "Error: Folder does not exist: " + targetPath, then the
//   feedback document is saved with no contact element;
// - the backup: "Error backuping contacts - " + tail, the import goes on;
// - an input contact without an `id` attribute, or any failure of the merge
//   outside ApplyContactFields (which logs its own): "Error: " + tail; the
//   remaining contacts and the deletions are left out, the feedback
//   document is saved;
// - one deletion: "Error deleting contact: " + tail, the next goes on;
// - the save: "Error: " + tail, without "Import done.".
// A new contact that could not be saved gets no feedback element.
//
// Entry identifiers go into the folder's find-by-filter with their quotes
// doubled, so an EntryID attribute can only ever name an item.
void ImportContacts(const std::string& targetPath, const std::string& inputFile,
                    const std::string& feedbackFile, bool backup, bool deleteStale,
                    bool confirmDeletion, const AskDeleteConfirmation& askDeleteConfirmation);

// The same, asking through DefaultDeleteConfirmation().
void ImportContacts(const std::string& targetPath, const std::string& inputFile,
                    const std::string& feedbackFile, bool backup, bool deleteStale,
                    bool confirmDeletion);

}  // namespace tovask
