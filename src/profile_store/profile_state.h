// What one logged-on session knows of its profile: the open connection, the
// stores and the folder tree, the address entries read so far, and the item
// rows. Shared by every object the session hands out, so objects stay usable
// as long as any of them lives.
//
// Other processes may change the profile at any time. Refresh() notices a
// change by SQLite's data version (which only other connections' commits
// move) and then reads the tree again, drops the cached address entries and
// has the item lists checked again; while nothing changed it costs one tiny
// query. The session's own writes keep the caches right as they commit.
//
// A profile replaced whole (a load) gets a new entry identifier prefix, and
// its rows never reuse the ids of the profile it replaced. A session notes
// the prefix it logged on to: Refresh() and every write transaction raise
// once it changed, and a read by an old id finds nothing, so a session never
// takes the new profile's rows for the old one's.
//
// A snapshot session holds one read transaction from its start: the tree is
// read once, Refresh() does nothing, and every write raises.
//
// A change group holds one write transaction instead, in which every write
// is a savepoint (see SqliteConnection). When it ends without a commit the
// caches are dropped, since they hold the group's writes, and the group is
// noted as rolled back, so that objects handed out during it refuse to
// write (their rows may have been undone, and ids and entry identifiers
// of undone rows are handed out again).
//
// The tree holds the folders down to kMaxFolderDepth levels below each
// store's root; deeper ones (only a file written by other means can have
// them) are left out, so every walk down it stays bounded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "outlook/outlook.h"
#include "profile_store/fault_list.h"
#include "profile_store/item_rows.h"
#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

struct StoreRow {
  std::int64_t id = 0;
  std::string name;
  std::string folded;
  bool readOnly = false;
  FaultList faults;
  std::int64_t rootId = 0;  // 0 for an attached data file
  std::string dataFile;     // an attached data file's path; empty for the others
  std::string recordKey;    // an attached data file's record key
};

struct FolderRow {
  std::int64_t id = 0;
  std::int64_t storeId = 0;
  std::int64_t parentId = 0;  // 0 for a store's root folder
  std::string name;
  std::string folded;
  int itemType = 0;
  FaultList faults;
  int depth = 0;                       // levels below the store's root folder
  std::vector<std::int64_t> children;  // in the store's order
};

// The eleven texts of an address entry, in AddressEntryField order.
enum AddressEntryField {
  kEntryName,
  kEntryAddress,
  kEntryType,
  kEntrySmtpAddress,
  kEntryFirstName,
  kEntryLastName,
  kEntryJobTitle,
  kEntryAssistantName,
  kEntryBusinessTelephoneNumber,
  kEntryMobileTelephoneNumber,
  kEntryStreetAddress,
  kEntryFieldCount
};

struct AddressEntryRow {
  std::int64_t id = 0;
  std::array<std::string, kEntryFieldCount> fields;
  FaultList faults;
};

class ProfileState {
 public:
  // Opens an existing profile; raises naming the path when it is missing or
  // not a profile (writing nothing to a file that is not one).
  ProfileState(const std::string& path, SessionMode mode);

  SqliteConnection& connection() { return connection_; }
  ItemRows& items() { return items_; }

  void Refresh();

  const std::vector<StoreRow>& Stores() const { return stores_; }
  const StoreRow& StoreOf(const FolderRow& folder) const;
  // nullptr when there is no such store or folder (any more). By name: the
  // first in the profile's order, without regard to case.
  const StoreRow* FindStore(std::string_view name) const;
  const StoreRow* FindStoreById(std::int64_t id) const;
  const FolderRow* FindFolder(std::int64_t id) const;
  const FolderRow* FindChild(const FolderRow& parent, std::string_view name) const;
  // Raises (not found) when the folder went.
  const FolderRow& Folder(std::int64_t id) const;
  std::string FolderPath(const FolderRow& folder) const;

  // Adds a subfolder in one transaction; raises when the name is taken or
  // the folder would lie deeper than kMaxFolderDepth.
  const FolderRow& AddFolder(const FolderRow& parent, std::string_view name, int itemType);

  // The address entry; nullptr when there is none of that id.
  std::shared_ptr<const AddressEntryRow> AddressEntry(std::int64_t id);

  // The session's change group, as Session::BeginChanges and friends.
  void BeginChanges();
  void CommitChanges();
  void RollbackChanges() noexcept;
  // The number of the open group (counted from 1 per session); 0 outside.
  std::uint64_t openGroup() const { return openGroup_; }
  // Whether group `group` (not 0) ended without its changes.
  bool RolledBack(std::uint64_t group) const;

 private:
  void LoadTree();
  // Raises when the profile is no longer the one this session logged on to.
  void CheckIdentity();

  SqliteConnection connection_;
  ItemRows items_;
  Statement dataVersion_, entryById_, identity_;
  std::string loggedOnIdentity_;
  std::int64_t seenDataVersion_ = -1;
  std::vector<StoreRow> stores_;
  std::unordered_map<std::int64_t, FolderRow> folders_;
  std::unordered_map<std::int64_t, std::shared_ptr<const AddressEntryRow>> entries_;
  std::uint64_t groupsBegun_ = 0, openGroup_ = 0;
  std::vector<std::uint64_t> rolledBack_;
};

}  // namespace tovask::outlook
