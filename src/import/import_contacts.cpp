#include "import/import_contacts.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/backup_contacts.h"
#include "import/contact_document.h"
#include "import/contact_field_reader.h"
#include "import/entry_id_filter.h"
#include "import/feedback_document.h"
#include "import/stale_contacts.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/value.h"
#include "main/xml_writer.h"
#include "outlook/outlook.h"

namespace tovask {

namespace {

// Invalid use of Null: what reading the missing attribute raised.
constexpr std::int32_t kNoId = 94;

void LogFailure(std::string_view prefix, const Failure& failure) {
  NoteTrappedFailure();
  Log([&] { return std::string(prefix) + FailureTail(failure); });
}

// What the steps of one import share once the folder is open.
struct ImportRun {
  outlook::Session& session;
  outlook::Folder& folder;
  XmlWriter& feedback;
  const std::string& targetPath;
  const std::string& inputFile;
  bool backup;
  bool deleteStale;
  bool confirmDeletion;
  const AskDeleteConfirmation& ask;
};

void LogMissingFolder(const std::string& targetPath) {
  NoteTrappedFailure();
  Log([&] { return "Error: Folder does not exist: " + targetPath; });
}

// One input contact: the update of the contact it names, or a new contact.
void MergeContact(const ImportRun& run, outlook::Items& items, StaleContacts& staleContacts,
                  const DocumentContact& contact) {
  // Checked before anything changes: a contact the peer would never hear
  // about would come back as a duplicate with its next document.
  if (!contact.id) throw Failure("ContactDocument", kNoId, "A contact element has no id attribute");
  const std::string& id = *contact.id;

  if (contact.entryId && !contact.entryId->empty()) {
    if (std::unique_ptr<outlook::Item> found = items.Find(EntryIdFilter(*contact.entryId))) {
      if (run.deleteStale) {
        // The key is the contact's own identifier, not the attribute's text.
        const std::string key = found->EntryID();
        if (HasKey(staleContacts, key)) staleContacts.Remove(key);
      }
      Log([&] {
        return "Updating Outlook contact: " + ValueText(found->GetProperty("FileAs")) + " - " +
               ValueText(found->GetProperty("FullName")) + " from Talvo contact (" + id + ")";
      });
      ApplyContactFields(*found, contact);
      AddFeedbackElement(run.feedback, id, found->EntryID(), "updated");
      return;
    }
  }
  Log([&] { return "Creating an Outlook contact from Talvo contact (" + id + ")"; });
  std::unique_ptr<outlook::Item> created = items.Add("IPM.Contact");
  ApplyContactFields(*created, contact);
  // A contact that could not be saved does not exist: the peer is not told
  // it does (ApplyContactFields has logged why).
  const std::string entryId = created->EntryID();
  if (!entryId.empty()) AddFeedbackElement(run.feedback, id, entryId, "created");
}

// Backup, stale set and merge. Returns whether the stale contacts are to
// be deleted: not when the folder could not be listed or the merge failed.
bool BackupAndMerge(const ImportRun& run, StaleContacts& staleContacts) {
  if (run.backup) {
    try {
      BackupContacts(run.session, run.folder);
    } catch (const Failure& failure) {
      LogFailure("Error backuping contacts - ", failure);
    }
  }

  if (run.deleteStale) {
    try {
      CollectStaleContacts(*run.folder.GetItems(), staleContacts);
    } catch (const Failure&) {
      LogMissingFolder(run.targetPath);
      return false;
    }
  }

  try {
    std::unique_ptr<outlook::Items> items = run.folder.GetItems();
    ReadContacts(run.inputFile, [&](const DocumentContact& contact) {
      MergeContact(run, *items, staleContacts, contact);
    });
    if (!run.deleteStale) return false;
    Log([] { return std::string("Deleting stale Outlook contacts..."); });
    return true;
  } catch (const Failure& failure) {
    // The remaining contacts and the deletions are left out.
    LogFailure("Error: ", failure);
    return false;
  }
}

// The deletion pass in a change group of its own, after the confirmation:
// its "deleted" elements are written once the deletions are stored. When
// they cannot be, none of them happened.
void DeleteConfirmedContacts(const ImportRun& run, StaleContacts& staleContacts) {
  try {
    ConfirmStaleContacts(staleContacts, *run.folder.GetItems(), run.ask);
  } catch (const Failure& failure) {
    LogFailure("Error: ", failure);
    return;
  }
  if (staleContacts.Count() == 0) return;
  std::vector<std::string> deleted;
  try {
    outlook::ChangeGroup deletions(run.session);
    deleted = DeleteStaleContacts(run.folder, staleContacts);
    deletions.Commit();
  } catch (const Failure& failure) {
    LogFailure("Error deleting contact: ", failure);
    return;
  }
  for (const std::string& entryId : deleted)
    AddFeedbackElement(run.feedback, "-1", entryId, "deleted");
}

// Every change the import makes to the profile, in one change group that
// is committed at the end, so that a run that ends before leaves the folder
// as it was. With a confirmation the group ends before the question, so no
// other writer waits for a person; the deletions get a group of their own.
// Returns false when the changes could not be stored: then none of them
// was, and the run must not report them.
bool MergeIntoFolder(const ImportRun& run) {
  std::optional<outlook::ChangeGroup> changes;
  try {
    changes.emplace(run.session);
  } catch (const Failure& failure) {
    // Nothing could be changed: the merge failed before its first contact.
    LogFailure("Error: ", failure);
    return true;
  }
  StaleContacts staleContacts;
  const bool deleting = BackupAndMerge(run, staleContacts);
  std::vector<std::string> deleted;
  if (deleting && !run.confirmDeletion) deleted = DeleteStaleContacts(run.folder, staleContacts);
  try {
    changes->Commit();
  } catch (const Failure& failure) {
    LogFailure("Error: ", failure);
    return false;
  }
  for (const std::string& entryId : deleted)
    AddFeedbackElement(run.feedback, "-1", entryId, "deleted");
  if (deleting && run.confirmDeletion) DeleteConfirmedContacts(run, staleContacts);
  return true;
}

}  // namespace

void ImportContacts(const std::string& targetPath, const std::string& inputFile,
                    const std::string& feedbackFile, bool backup, bool deleteStale,
                    bool confirmDeletion, const AskDeleteConfirmation& askDeleteConfirmation) {
  try {
    Log([&] { return "Loading input file: " + inputFile; });
    if (std::optional<DocumentError> error = CheckContactDocument(inputFile)) {
      NoteTrappedFailure();
      Log([&] { return "line " + std::to_string(error->line) + ": " + error->text; });
      return;
    }
    Log([&] { return "Loaded input file: " + inputFile; });

    XmlWriter feedback(feedbackFile);
    StartFeedbackDocument(feedback);
    Log([&] { return "Connecting to Outlook folder: " + targetPath; });
    std::unique_ptr<outlook::Session> session = outlook::CreateSession();
    try {
      session->Logon();
    } catch (const Failure& failure) {
      // Without a profile there is nothing to report back.
      LogFailure("Error: ", failure);
      return;
    }

    std::unique_ptr<outlook::Folder> folder;
    try {
      folder = session->GetFolderFromPath(targetPath);
      Log([&] { return "Connected to Outlook folder: " + targetPath; });
    } catch (const Failure&) {
      folder.reset();
    }
    if (!folder) {
      LogMissingFolder(targetPath);
    } else if (!MergeIntoFolder(ImportRun{*session, *folder, feedback, targetPath, inputFile,
                                          backup, deleteStale, confirmDeletion,
                                          askDeleteConfirmation})) {
      // As if the run had ended before the commit: the folder as it was and
      // no feedback document.
      return;
    }

    Log([] { return std::string("Saving feedback to Talvo"); });
    try {
      feedback.Save();
    } catch (const Failure& failure) {
      LogFailure("Error: ", failure);
      return;
    }
    Log([] { return std::string("Import done."); });
  } catch (const Failure&) {
    // Only a failed write to the log itself comes this far.
    NoteTrappedFailure();
  }
}

void ImportContacts(const std::string& targetPath, const std::string& inputFile,
                    const std::string& feedbackFile, bool backup, bool deleteStale,
                    bool confirmDeletion) {
  ImportContacts(targetPath, inputFile, feedbackFile, backup, deleteStale, confirmDeletion,
                 DefaultDeleteConfirmation());
}

}  // namespace tovask
