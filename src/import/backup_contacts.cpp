#include "import/backup_contacts.h"

#include <memory>
#include <string>

#include "main/failure.h"
#include "main/log.h"
#include "main/value.h"

namespace tovask {

namespace {

constexpr std::string_view kContactKind = "RDOContactItem";

// Invalid procedure call: what adding a folder beside a root folder raised.
constexpr std::int32_t kNoParent = 5;

}  // namespace

void BackupContacts(outlook::Session& session, outlook::Folder& folder) {
  const std::string backupPath = folder.FolderPath() + std::string(kBackupFolderSuffix);
  try {
    session.GetFolderFromPath(backupPath);
    return;  // backed up already
  } catch (const Failure&) {
    // No backup yet: it is made now.
  }
  std::unique_ptr<outlook::Folder> parent = folder.Parent();
  if (!parent) {
    throw Failure("Import", kNoParent,
                  "The folder " + folder.FolderPath() + " has no parent to hold its backup folder");
  }
  std::unique_ptr<outlook::Folder> backup = parent->GetFolders()->Add(
      folder.Name() + std::string(kBackupFolderSuffix), outlook::kFolderContacts);

  std::unique_ptr<outlook::Items> items = folder.GetItems();
  const std::int32_t count = items->Count();
  for (std::int32_t index = 1; index <= count; ++index) {
    try {
      std::unique_ptr<outlook::Item> item = items->GetItem(index);
      if (!item || item->KindName() != kContactKind) continue;
      Log([&] { return "Backuping contact: " + ValueText(item->GetProperty("FileAs")); });
      item->CopyTo(*backup);
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      Log([&] { return "Error backuping contacts - " + FailureTail(failure); });
    }
  }
}

}  // namespace tovask
