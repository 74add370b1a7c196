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
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "outlook/fault_list.h"
#include "outlook/item_rows.h"
#include "outlook/sqlite_connection.h"

namespace tovask::outlook {

struct StoreRow {
  std::int64_t id = 0;
  std::string name;
  std::string folded;
  bool readOnly = false;
  FaultList faults;
  std::int64_t rootId = 0;
};

struct FolderRow {
  std::int64_t id = 0;
  std::int64_t storeId = 0;
  std::int64_t parentId = 0;  // 0 for a store's root folder
  std::string name;
  std::string folded;
  int itemType = 0;
  FaultList faults;
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
  // not a profile.
  explicit ProfileState(const std::string& path);

  SqliteConnection& connection() { return connection_; }
  ItemRows& items() { return items_; }

  void Refresh();

  const std::vector<StoreRow>& Stores() const { return stores_; }
  const StoreRow& StoreOf(const FolderRow& folder) const;
  // nullptr when there is no such store or folder (any more).
  const StoreRow* FindStore(std::string_view name) const;
  const StoreRow* FindStoreById(std::int64_t id) const;
  const FolderRow* FindFolder(std::int64_t id) const;
  const FolderRow* FindChild(const FolderRow& parent, std::string_view name) const;
  // Raises (not found) when the folder went.
  const FolderRow& Folder(std::int64_t id) const;
  std::string FolderPath(const FolderRow& folder) const;

  // Adds a subfolder in one transaction; raises when the name is taken.
  const FolderRow& AddFolder(const FolderRow& parent, std::string_view name, int itemType);

  // The address entry; nullptr when there is none of that id.
  std::shared_ptr<const AddressEntryRow> AddressEntry(std::int64_t id);

 private:
  void LoadTree();

  SqliteConnection connection_;
  ItemRows items_;
  Statement dataVersion_, entryById_;
  std::int64_t seenDataVersion_ = -1;
  std::vector<StoreRow> stores_;
  std::unordered_map<std::int64_t, FolderRow> folders_;
  std::unordered_map<std::int64_t, std::shared_ptr<const AddressEntryRow>> entries_;
};

}  // namespace tovask::outlook
