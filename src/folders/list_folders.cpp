#include "folders/list_folders.h"

#include <memory>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/folder_rules.h"
#include "main/log.h"
#include "main/xml_elements.h"

namespace tovask {

void AddFolderEntries(XmlWriter& document, outlook::Folder& folder) {
  std::string path = folder.FolderPath();
  if (IsSkippedFolder(path)) {
    Log([&] { return "Skip folder and subfolders: " + path; });
    return;
  }
  switch (folder.DefaultItemType()) {
    case outlook::kContactItem:
      AddCDataElement(document, "ContactFolder", Value(path));
      break;
    case outlook::kMailItem:
      // The top of an Exchange mailbox is no folder to synchronise with,
      // but the mailbox's Inbox and Contacts below it are.
      if (!EndsWithText(path, "\\Root - Mailbox"))
        AddCDataElement(document, "EmailFolder", Value(path));
      break;
    default:
      // Calendars, tasks, notes and the like: nothing in their subtree is
      // offered, not even mail folders.
      return;
  }
  std::unique_ptr<outlook::Folders> subfolders = folder.GetFolders();
  std::int32_t count = subfolders->Count();
  for (std::int32_t index = 1; index <= count; ++index) {
    try {
      std::unique_ptr<outlook::Folder> subfolder = subfolders->GetFolder(index);
      AddFolderEntries(document, *subfolder);
    } catch (const Failure&) {
      // One bad folder does not end the listing.
      NoteTrappedFailure();
    }
  }
}

void ListFolders(const std::string& outputFile) {
  try {
    XmlWriter document(outputFile);
    document.StartElement("folders");
    try {
      std::unique_ptr<outlook::Session> session =
          outlook::CreateSession(outlook::SessionMode::kSnapshot);
      session->Logon();
      Log([] { return std::string("Connected to Outlook"); });
      std::vector<std::unique_ptr<outlook::Store>> stores = session->Stores();
      for (std::unique_ptr<outlook::Store>& store : stores) {
        try {
          if (!IsListedStore(store->Name())) continue;
          std::unique_ptr<outlook::Folder> root = store->RootFolder();
          AddFolderEntries(document, *root);
        } catch (const Failure&) {
          // One bad store does not end the listing.
          NoteTrappedFailure();
        }
      }
    } catch (const Failure&) {
      // A profile that cannot be opened gives an empty list; nothing is
      // logged for it.
      NoteTrappedFailure();
    }
    Log([&] { return "Saving to file: " + outputFile; });
    document.Save();
  } catch (const Failure&) {
    // The file could not be saved: the run ends without it.
    NoteTrappedFailure();
  }
}

}  // namespace tovask
