// The items of a profile as rows: each folder's order of items, reading an
// item by position with read-ahead, finding one by entry identifier, and the
// writes (each one committed transaction, or a savepoint of a change group).
//
// A folder's order is kept in memory as the list of its item ids, together
// with the folder's version (which every insert and removal raises). The
// list is reused while the version stands, so fetching a folder's items
// again, counting them and reading one by position cost no query. Rows are
// read ahead in batches in the direction the positions are walked, so
// walking a folder costs one query per batch and memory stays flat.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

struct ItemRow {
  std::int64_t id = 0;
  std::int64_t folderId = 0;
  std::string entryId;
  std::string messageClass;
  std::int64_t created = 0;  // seconds since 1970-01-01 local time
  std::int64_t modified = 0;
  std::int64_t senderId = 0;  // 0: none
  std::string faults;         // FaultList's stored form
  std::string props;          // PropertyRecord bytes
};

// One folder's items in order.
struct ItemList {
  std::int64_t folderId = 0;
  std::int64_t version = -1;
  bool loaded = false;
  bool checked = false;  // version confirmed since the file last changed
  std::vector<std::int64_t> ids;
  std::int32_t Count() const { return static_cast<std::int32_t>(ids.size()); }
};

class ItemRows {
 public:
  explicit ItemRows(SqliteConnection& connection);

  // Another process changed the file: lists are checked again on their next
  // use and read-ahead rows are dropped.
  void Forget();
  // This session's own writes were undone (a rolled-back change group):
  // every list is read afresh on its next use, read-ahead rows are dropped.
  void Discard();

  // The folder's current list; raises when the folder no longer exists.
  ItemList& List(std::int64_t folderId);

  // The row at 1-based `position` of the list; raises when there is no such
  // position or the item went meanwhile.
  ItemRow Read(ItemList& list, std::int32_t position);

  // The item with that entry identifier anywhere in the profile.
  std::optional<ItemRow> FindByEntryId(std::string_view entryId);

  // Writes. Each is one committed transaction (a savepoint inside a change
  // group) and keeps the lists right.
  // Insert and Update store `props` (PropertyRecord bytes; row.props is not
  // read). Insert adds a row of the row's folder, class and sender and fills
  // in id, entry identifier, created and modified (both `now`).
  void Insert(ItemRow& row, std::string_view props, std::int64_t now);
  // For the saved item `row`; sets modified to `now`. Raises when the item no
  // longer exists.
  void Update(ItemRow& row, std::string_view props, std::int64_t now);
  // A copy of the stored item `sourceId` at the end of `folderId`, with a new
  // entry identifier; raises when the source does not exist.
  void Copy(std::int64_t sourceId, std::int64_t folderId, std::int64_t now);
  // Deletes the item; raises when it no longer exists.
  void Remove(std::int64_t folderId, std::int64_t itemId);

 private:
  void Load(ItemList& list);
  // Raises the folder's version inside the open transaction.
  std::int64_t Bump(std::int64_t folderId);
  // After the commit: keeps the list in step when it was current (adds
  // `addedId`, drops `removedId`), else has it read afresh.
  void Apply(std::int64_t folderId, std::int64_t version, std::int64_t addedId,
             std::int64_t removedId);
  // Marks the read-ahead copy of the row taken, so it is read afresh.
  void DropAhead(std::int64_t id);
  std::string NextEntryId();
  void ReadAhead(ItemList& list, std::int32_t position);

  SqliteConnection& connection_;
  Statement folderVersion_, folderItems_, rowRange_, rowSpan_, rowById_, rowByEntryId_;
  Statement raiseCounter_, nextCounter_, prefix_, insert_, update_, copy_, remove_, bump_;
  std::unordered_map<std::int64_t, std::unique_ptr<ItemList>> lists_;

  // Read-ahead rows of one folder, in id order. A row is handed out by
  // moving it, so it is marked taken; asked for again, it is read alone.
  std::int64_t aheadFolder_ = 0;
  std::vector<ItemRow> ahead_;
  std::vector<bool> taken_;
  std::int64_t lastFolder_ = 0;
  std::int32_t lastPosition_ = 0;
};

}  // namespace tovask::outlook
