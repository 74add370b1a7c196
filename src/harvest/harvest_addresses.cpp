#include "harvest/harvest_addresses.h"

#include <memory>
#include <string>
#include <string_view>

#include "main/changed_since.h"
#include "main/date_time.h"
#include "main/failure.h"
#include "main/folder_rules.h"
#include "main/log.h"

namespace tovask {

namespace {

// A plain mail message; reports, meeting requests and the like are not.
constexpr std::string_view kMailKind = "RDOMail";

void LogHarvestFailure(const Failure& failure) {
  Log([&] { return "Error harvesting - " + FailureTail(failure); });
}

}  // namespace

void ScanMailItems(std::int32_t since, outlook::Folder& folder, SeenSenders& seenOnce,
                   SeenSenders& seenRepeatedly) {
  Log([&] { return "Harvesting in folder: " + folder.FolderPath(); });
  std::unique_ptr<outlook::Items> items = folder.GetItems();
  const std::int32_t count = items->Count();
  for (std::int32_t index = 1; index <= count; ++index) {
    try {
      std::unique_ptr<outlook::Item> item = items->GetItem(index);
      if (!item || item->KindName() != kMailKind) continue;
      // The age test is on the last change, not on the time of receipt.
      if (IsChangedSince(since, item->LastModificationTime())) {
        CountSender(item->Sender(), seenOnce, seenRepeatedly);
      } else {
        Log([&] { return "Ignore old Outlook email: " + item->Subject(); });
      }
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      Log([&] { return "Error harvesting item - " + FailureTail(failure); });
    }
  }
}

void WalkMailFolder(std::int32_t since, outlook::Folder& folder, SeenSenders& seenOnce,
                    SeenSenders& seenRepeatedly, bool recursive) {
  if (IsSkippedFolder(folder.FolderPath())) return;
  if (recursive) {
    try {
      std::unique_ptr<outlook::Folders> subfolders = folder.GetFolders();
      const std::int32_t count = subfolders->Count();
      for (std::int32_t index = 1; index <= count; ++index) {
        try {
          std::unique_ptr<outlook::Folder> subfolder = subfolders->GetFolder(index);
          WalkMailFolder(since, *subfolder, seenOnce, seenRepeatedly, recursive);
        } catch (const Failure&) {
          // A subfolder that cannot be walked is passed over.
          NoteTrappedFailure();
        }
      }
    } catch (const Failure&) {
      // Subfolders that cannot be listed leave the folder's own mail to scan.
      NoteTrappedFailure();
    }
  }
  try {
    if (folder.DefaultItemType() == outlook::kMailItem) {
      ScanMailItems(since, folder, seenOnce, seenRepeatedly);
    }
  } catch (const Failure&) {
    // Ends this folder's scan only; what it counted stays counted.
    NoteTrappedFailure();
  }
}

void HarvestAddresses(std::int32_t since, const std::string& folderPath,
                      const std::string& outputFile, bool recursive) {
  try {
    XmlWriter document(outputFile);
    document.StartElement("olcontacts");
    // Taken before the profile is touched: a message changed while the
    // harvest runs is newer than the document and comes again next time.
    document.Attribute("timestamp", std::to_string(DateTime::Now().UnixSeconds()));
    Log([&] { return "Connecting to Outlook folder: " + folderPath; });

    // The session outlives the senders, whose address entries it handed out.
    std::unique_ptr<outlook::Session> session;
    SeenSenders seenOnce;
    SeenSenders seenRepeatedly;
    try {
      session = outlook::CreateSession(outlook::SessionMode::kSnapshot);
      session->Logon();
      std::unique_ptr<outlook::Folder> folder = session->GetFolderFromPath(folderPath);
      Log([&] { return "Connected to Outlook folder: " + folderPath; });
      WalkMailFolder(since, *folder, seenOnce, seenRepeatedly, recursive);
    } catch (const Failure& failure) {
      // Whatever was counted before the failure is still written.
      NoteTrappedFailure();
      LogHarvestFailure(failure);
    }

    try {
      WriteAddressRecords(document, seenOnce, 1);
      WriteAddressRecords(document, seenRepeatedly, 2);
      Log([&] { return "Saving to file: " + outputFile; });
      document.Save();
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      LogHarvestFailure(failure);
    }
  } catch (const Failure&) {
    // Whatever else escapes ends the harvest without a file.
    NoteTrappedFailure();
  }
}

}  // namespace tovask
