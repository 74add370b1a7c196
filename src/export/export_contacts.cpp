#include "export/export_contacts.h"

#include <memory>
#include <string>

#include "export/contact_element.h"
#include "main/changed_since.h"
#include "main/date_time.h"
#include "main/failure.h"
#include "main/folder_rules.h"
#include "main/log.h"
#include "main/value.h"

namespace tovask {

namespace {

constexpr std::string_view kContactKind = "RDOContactItem";

void LogExportFailure(const Failure& failure) {
  Log([&] { return "Error exporting contacts - " + FailureTail(failure); });
}

// The save step: its log line, then the save itself.
void SaveDocument(XmlWriter& document, const std::string& outputFile) {
  Log([&] { return "Saving contacts to file: " + outputFile; });
  document.Save();
}

}  // namespace

void ExportFolderContacts(std::int32_t since, outlook::Folder& folder, XmlWriter& document) {
  Log([&] { return "Process folder " + folder.Name(); });
  // Entries that fail before the folder's first contact reaches its fields
  // are logged; after that they are passed over silently.
  bool fieldPhase = false;
  auto logEntryFailure = [&](const Failure& failure) {
    NoteTrappedFailure();
    if (!fieldPhase) Log([&] { return "Error exporting contact - " + FailureTail(failure); });
  };

  std::unique_ptr<outlook::Items> items;
  std::int32_t count = 0;
  try {
    items = folder.GetItems();
    count = items->Count();
  } catch (const Failure& failure) {
    logEntryFailure(failure);
    return;
  }
  for (std::int32_t index = 1; index <= count; ++index) {
    try {
      std::unique_ptr<outlook::Item> item = items->GetItem(index);
      if (!item || item->KindName() != kContactKind) continue;
      if (!IsChangedSince(since, item->LastModificationTime())) {
        Log([&] {
          return "Ignore unchanged Outlook contact: " + ValueText(item->GetProperty("FileAs")) +
                 "," + ValueText(item->GetProperty("FullName"));
        });
        continue;
      }
      WriteContactElement(document, *item, fieldPhase);
    } catch (const Failure& failure) {
      logEntryFailure(failure);
    }
  }
}

void ExportFolder(std::int32_t since, outlook::Folder& folder, XmlWriter& document,
                  bool recursive) {
  if (IsSkippedFolder(folder.FolderPath())) return;
  if (recursive) {
    std::unique_ptr<outlook::Folders> subfolders = folder.GetFolders();
    std::int32_t count = subfolders->Count();
    for (std::int32_t index = 1; index <= count; ++index) {
      try {
        std::unique_ptr<outlook::Folder> subfolder = subfolders->GetFolder(index);
        ExportFolder(since, *subfolder, document, recursive);
      } catch (const Failure&) {
        // A subfolder that cannot be walked is passed over.
        NoteTrappedFailure();
      }
    }
  }
  if (folder.DefaultItemType() == outlook::kContactItem) {
    try {
      ExportFolderContacts(since, folder, document);
    } catch (const Failure&) {
      // Ends this folder's contacts only; the walk goes on.
      NoteTrappedFailure();
    }
  }
}

void ExportContacts(std::int32_t since, const std::string& folderPath,
                    const std::string& outputFile, bool recursive) {
  try {
    XmlWriter document(outputFile);
    document.StartElement("olcontacts");
    document.Attribute("timestamp", std::to_string(DateTime::Now().UnixSeconds()));
    Log([&] { return "Connecting to Outlook folder: " + folderPath; });

    bool trapFired = false;
    try {
      std::unique_ptr<outlook::Session> session =
          outlook::CreateSession(outlook::SessionMode::kSnapshot);
      session->Logon();
      std::unique_ptr<outlook::Folder> folder = session->GetFolderFromPath(folderPath);
      Log([&] { return "Connected to Outlook folder: " + folderPath; });
      ExportFolder(since, *folder, document, recursive);
    } catch (const Failure& failure) {
      trapFired = true;
      NoteTrappedFailure();
      LogExportFailure(failure);
    }

    try {
      SaveDocument(document, outputFile);
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      // A failed save is retried once, its log line included, unless the
      // trap has already handled a failure in this run.
      if (trapFired) return;
      LogExportFailure(failure);
      SaveDocument(document, outputFile);
    }
  } catch (const Failure&) {
    // The document could not be set up, or the retried save failed too: the
    // export ends without a file.
    NoteTrappedFailure();
  }
}

}  // namespace tovask
