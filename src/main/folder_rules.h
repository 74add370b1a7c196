// Which Outlook folders and message stores the walks visit.
//
// The peer system relies on exactly which folders are listed or walked, so
// the rules are fixed texts. Folder paths look like \\Mailbox\Inbox: two
// backslashes, the store's name, then one backslash before each folder name.
#pragma once

#include <string_view>

namespace tovask {

// True when the folder and its whole subtree are never visited. All
// comparisons ignore case:
//   1. a path ending in \Inbox, \Sent Items or \Contacts is always visited;
//   2. otherwise a path ending in one of the system folders (\Calendar,
//      \Deleted Items, \Drafts, ...), in \\Search Root and the other names
//      that sit directly below a store, or in " (talvo backup)" is skipped;
//   3. so is a path containing \Search Folders anywhere,
//   4. or containing \Root - Mailbox\ (only folders below such a folder).
bool IsSkippedFolder(std::string_view folderPath);

// True when `text` ends with `ending`, compared without regard to case.
// Lengths are counted in characters: the last as many characters of `text`
// as `ending` has are compared with it. An empty ending always matches.
bool EndsWithText(std::string_view text, std::string_view ending);

// False for the stores "Public Folders" and "Archive Folders" (exact case and
// spacing); true for every other store name.
bool IsListedStore(std::string_view storeName);

}  // namespace tovask
