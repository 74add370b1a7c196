// The one-time backup of an import's target folder.
#pragma once

#include <string_view>

#include "outlook/outlook.h"

namespace tovask {

// Backup folders are named after their folder with this suffix.
inline constexpr std::string_view kBackupFolderSuffix = " (talvo backup)";

// When no folder exists at the folder's own path + kBackupFolderSuffix,
// creates it beside the folder (a contacts folder in the folder's parent,
// named after the folder + kBackupFolderSuffix) and copies the folder's own
// contact items into it (subfolders and other items are left out), logging
// "Backuping contact: " + FileAs for each. When the backup folder exists
// already, nothing happens: it is never refreshed.
//
// A contact that cannot be copied is noted as trapped, logged as
// "Error backuping contacts - " + the failure tail, and the copy goes on
// with the next item. Raises when the backup folder cannot be created (a
// store's root folder has no parent to hold it) or the folder's items
// cannot be read.
void BackupContacts(outlook::Session& session, outlook::Folder& folder);

}  // namespace tovask
