#include "profile_store/item_rows.h"

#include <algorithm>

#include "outlook/entry_id.h"
#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {

// Rows read at once while a folder is walked in order; small enough to keep
// memory flat, large enough that the query costs little per row.
constexpr std::int32_t kWalkBatch = 256;
// Rows read around a position that is not next to the previous one.
constexpr std::int32_t kJumpBatch = 16;

constexpr char kRowColumns[] =
    "SELECT id, folder_id, entry_id, class, created, modified, sender_id, faults, props FROM "
    "items ";

ItemRow RowFrom(const Statement& select) {
  ItemRow row;
  row.id = select.Int(0);
  row.folderId = select.Int(1);
  row.entryId = select.Text(2);
  row.messageClass = select.Text(3);
  row.created = select.Int(4);
  row.modified = select.Int(5);
  row.senderId = select.Int(6);
  row.faults = select.Text(7);
  row.props = select.Text(8);
  return row;
}

// Runs the statement that reads the folder's version; raises when the
// folder no longer exists.
std::int64_t FolderVersion(Statement& select, std::int64_t folderId) {
  bool exists = select.Bind(1, folderId).Step();
  std::int64_t version = exists ? select.Int(0) : -1;
  select.Reset();
  if (!exists) {
    throw StoreFailure(kNotFound, "The folder " + std::to_string(folderId) + " no longer exists");
  }
  return version;
}

}  // namespace

ItemRows::ItemRows(SqliteConnection& connection)
    : connection_(connection),
      folderVersion_(connection.db(), "SELECT version FROM folders WHERE id = ?1"),
      folderItems_(connection.db(), "SELECT id FROM items WHERE folder_id = ?1 ORDER BY id"),
      rowRange_(connection.db(), std::string(kRowColumns) +
                                     "WHERE folder_id = ?1 AND id BETWEEN ?2 AND ?3 ORDER BY id"),
      rowSpan_(connection.db(), std::string(kRowColumns) +
                                    "WHERE id BETWEEN ?2 AND ?3 AND +folder_id = ?1 ORDER BY id"),
      rowById_(connection.db(), std::string(kRowColumns) + "WHERE id = ?1"),
      rowByEntryId_(connection.db(), std::string(kRowColumns) + "WHERE entry_id = ?1"),
      // Plain UPDATEs with a SELECT after them inside the write transaction,
      // not UPDATE ... RETURNING: SQLite runs RETURNING through a temporary
      // table opened and closed on every run, which costs more than the
      // write itself.
      raiseCounter_(connection.db(),
                    "UPDATE meta SET value = CAST(value AS INTEGER) + 1 WHERE key = 'next_entry'"),
      nextCounter_(connection.db(),
                   "SELECT CAST(value AS INTEGER) - 1 FROM meta WHERE key = 'next_entry'"),
      prefix_(connection.db(), "SELECT value FROM meta WHERE key = 'prefix'"),
      insert_(connection.db(),
              "INSERT INTO items(folder_id, entry_id, class, created, modified, sender_id, faults, "
              "props) "
              "VALUES (?1, ?2, ?3, ?4, ?4, ?5, '', ?6)"),
      update_(connection.db(), "UPDATE items SET props = ?2, modified = ?3 WHERE id = ?1"),
      copy_(connection.db(),
            "INSERT INTO items(folder_id, entry_id, class, created, modified, sender_id, faults, "
            "props) "
            "SELECT ?1, ?2, class, ?3, ?3, sender_id, '', props FROM items WHERE id = ?4"),
      remove_(connection.db(), "DELETE FROM items WHERE id = ?1"),
      bump_(connection.db(), "UPDATE folders SET version = version + 1 WHERE id = ?1") {}

void ItemRows::Forget() {
  for (auto& [id, list] : lists_) list->checked = false;
  ahead_.clear();
  taken_.clear();
  aheadFolder_ = 0;
}

void ItemRows::Discard() {
  Forget();
  lists_.clear();
}

ItemList& ItemRows::List(std::int64_t folderId) {
  auto& slot = lists_[folderId];
  if (!slot) {
    slot = std::make_unique<ItemList>();
    slot->folderId = folderId;
  }
  ItemList& list = *slot;
  if (list.loaded && list.checked) return list;
  if (list.loaded && FolderVersion(folderVersion_, folderId) == list.version) {
    list.checked = true;
    return list;
  }
  Load(list);
  return list;
}

void ItemRows::Load(ItemList& list) {
  ReadTransaction snapshot(connection_);
  std::int64_t version = FolderVersion(folderVersion_, list.folderId);
  std::vector<std::int64_t> ids;
  folderItems_.Bind(1, list.folderId);
  try {
    while (folderItems_.Step()) ids.push_back(folderItems_.Int(0));
  } catch (...) {
    folderItems_.Reset();
    throw;
  }
  folderItems_.Reset();
  list.ids = std::move(ids);
  list.version = version;
  list.loaded = true;
  list.checked = true;
  if (aheadFolder_ == list.folderId) {
    ahead_.clear();
    taken_.clear();
  }
}

ItemRow ItemRows::Read(ItemList& list, std::int32_t position) {
  if (position < 1 || position > list.Count()) {
    throw StoreFailure(kNotFound, "There is no item at position " + std::to_string(position) +
                                      " of " + std::to_string(list.Count()));
  }
  std::int64_t id = list.ids[position - 1];
  auto lookUp = [&]() -> ItemRow* {
    if (aheadFolder_ != list.folderId) return nullptr;
    auto found =
        std::lower_bound(ahead_.begin(), ahead_.end(), id,
                         [](const ItemRow& row, std::int64_t wanted) { return row.id < wanted; });
    if (found == ahead_.end() || found->id != id) return nullptr;
    return &*found;
  };
  ItemRow* row = lookUp();
  if (row == nullptr) {
    ReadAhead(list, position);
    row = lookUp();
  }
  lastFolder_ = list.folderId;
  lastPosition_ = position;
  if (row != nullptr) {
    std::size_t index = static_cast<std::size_t>(row - ahead_.data());
    if (!taken_[index]) {
      taken_[index] = true;
      ItemRow moved = std::move(*row);
      row->id = moved.id;  // keeps the read-ahead rows sorted
      return moved;
    }
    rowById_.Bind(1, id);
    bool found = rowById_.Step();
    ItemRow single = found ? RowFrom(rowById_) : ItemRow();
    rowById_.Reset();
    if (found) return single;
  }
  list.checked = false;
  throw StoreFailure(kNotFound,
                     "The item at position " + std::to_string(position) + " no longer exists");
}

void ItemRows::ReadAhead(ItemList& list, std::int32_t position) {
  bool walking = lastFolder_ == list.folderId &&
                 (position == lastPosition_ + 1 || position == lastPosition_ - 1);
  bool downwards = walking && position == lastPosition_ - 1;
  std::int32_t batch = walking ? kWalkBatch : kJumpBatch;
  std::int32_t first = downwards ? std::max(1, position - batch + 1) : position;
  std::int32_t last = downwards ? position : std::min(list.Count(), position + batch - 1);
  ahead_.clear();
  taken_.clear();
  aheadFolder_ = list.folderId;
  std::int64_t low = list.ids[first - 1];
  std::int64_t high = list.ids[last - 1];
  // A folder's items mostly sit side by side in the table: then reading the
  // table's id range straight is cheaper than going through the folder index
  // row by row. When other folders' items lie in between, the index is.
  bool dense = high - low < 2 * static_cast<std::int64_t>(last - first + 1);
  Statement& select = dense ? rowSpan_ : rowRange_;
  select.Bind(1, list.folderId).Bind(2, low).Bind(3, high);
  try {
    while (select.Step()) ahead_.push_back(RowFrom(select));
  } catch (...) {
    select.Reset();
    ahead_.clear();
    throw;
  }
  select.Reset();
  taken_.assign(ahead_.size(), false);
}

std::optional<ItemRow> ItemRows::FindByEntryId(std::string_view entryId) {
  rowByEntryId_.Bind(1, entryId);
  std::optional<ItemRow> row;
  if (rowByEntryId_.Step()) row = RowFrom(rowByEntryId_);
  rowByEntryId_.Reset();
  return row;
}

std::string ItemRows::NextEntryId() {
  std::int64_t counter = 0;
  raiseCounter_.Run();
  if (nextCounter_.Step()) counter = nextCounter_.Int(0);
  nextCounter_.Reset();
  std::optional<EntryIdPrefix> prefix;
  if (prefix_.Step()) prefix = ParseEntryIdPrefix(prefix_.Text(0));
  prefix_.Reset();
  if (counter <= 0 || !prefix) {
    throw StoreFailure(kCallFailed,
                       "The profile " + connection_.path() + " has no identifier counter");
  }
  return MakeEntryId(*prefix, static_cast<std::uint64_t>(counter));
}

std::int64_t ItemRows::Bump(std::int64_t folderId) {
  bump_.Bind(1, folderId).Run();
  return FolderVersion(folderVersion_, folderId);
}

void ItemRows::DropAhead(std::int64_t id) {
  for (std::size_t i = 0; i < ahead_.size(); ++i) {
    if (ahead_[i].id == id) taken_[i] = true;
  }
}

void ItemRows::Apply(std::int64_t folderId, std::int64_t version, std::int64_t addedId,
                     std::int64_t removedId) {
  // A removed row's id comes back for the next insert when it was the
  // highest; a read-ahead copy of either must never be handed out.
  DropAhead(addedId);
  DropAhead(removedId);
  auto found = lists_.find(folderId);
  if (found == lists_.end()) return;
  ItemList& list = *found->second;
  if (!list.loaded || list.version != version - 1) {
    // Someone else changed the folder too: read it afresh when next used.
    list.checked = false;
    list.loaded = false;
    return;
  }
  list.version = version;
  if (addedId != 0) list.ids.push_back(addedId);
  if (removedId != 0) {
    auto at = std::lower_bound(list.ids.begin(), list.ids.end(), removedId);
    if (at != list.ids.end() && *at == removedId) list.ids.erase(at);
  }
}

void ItemRows::Insert(ItemRow& row, std::string_view props, std::int64_t now) {
  WriteTransaction transaction(connection_);
  std::string entryId = NextEntryId();
  insert_.Bind(1, row.folderId)
      .Bind(2, entryId)
      .Bind(3, row.messageClass)
      .Bind(4, now)
      .Bind(5, row.senderId)
      .BindBlob(6, props)
      .Run();
  std::int64_t id = connection_.LastInsertId();
  std::int64_t version = Bump(row.folderId);
  transaction.Commit();
  Apply(row.folderId, version, id, 0);
  row.id = id;
  row.entryId = std::move(entryId);
  row.created = now;
  row.modified = now;
}

void ItemRows::Update(ItemRow& row, std::string_view props, std::int64_t now) {
  WriteTransaction transaction(connection_);
  update_.Bind(1, row.id).BindBlob(2, props).Bind(3, now).Run();
  if (connection_.Changes() == 0) {
    throw StoreFailure(kNotFound, "The item " + row.entryId + " no longer exists");
  }
  transaction.Commit();
  row.modified = now;
  DropAhead(row.id);  // its read-ahead copy is stale now
}

void ItemRows::Copy(std::int64_t sourceId, std::int64_t folderId, std::int64_t now) {
  WriteTransaction transaction(connection_);
  std::string entryId = NextEntryId();
  copy_.Bind(1, folderId).Bind(2, entryId).Bind(3, now).Bind(4, sourceId).Run();
  if (connection_.Changes() == 0) {
    throw StoreFailure(kNotFound, "The item to copy no longer exists");
  }
  std::int64_t id = connection_.LastInsertId();
  std::int64_t version = Bump(folderId);
  transaction.Commit();
  Apply(folderId, version, id, 0);
}

void ItemRows::Remove(std::int64_t folderId, std::int64_t itemId) {
  WriteTransaction transaction(connection_);
  remove_.Bind(1, itemId).Run();
  if (connection_.Changes() == 0) {
    throw StoreFailure(kNotFound, "The item to remove no longer exists");
  }
  std::int64_t version = Bump(folderId);
  transaction.Commit();
  Apply(folderId, version, 0, itemId);
}

}  // namespace tovask::outlook
