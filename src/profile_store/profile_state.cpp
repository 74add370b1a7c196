#include "profile_store/profile_state.h"

#include <algorithm>

#include "main/case_fold.h"
#include "outlook/folder_path.h"
#include "outlook/store_failure.h"
#include "profile_store/profile_schema.h"

namespace tovask::outlook {

namespace {

// Address entries kept at most; a profile's senders normally fit many times.
constexpr std::size_t kEntryCacheLimit = 200000;

// Nothing is written to the file (not even the switch to WAL) before it is
// known to be a profile.
SqliteConnection& CheckedProfile(SqliteConnection& connection, SessionMode mode) {
  CheckProfileSchema(connection);
  connection.UseProfileSettings();
  if (mode == SessionMode::kSnapshot) connection.HoldSnapshot();
  return connection;
}

}  // namespace

ProfileState::ProfileState(const std::string& path, SessionMode mode)
    : connection_(path, /*create=*/false),
      items_(CheckedProfile(connection_, mode)),
      dataVersion_(connection_.db(), "PRAGMA data_version"),
      entryById_(connection_.db(), std::string("SELECT ") + kAddressEntryColumns +
                                       " FROM address_entries WHERE id = ?1"),
      identity_(connection_.db(), "SELECT value FROM meta WHERE key = 'prefix'") {
  Refresh();
  connection_.SetWriteGuard([this] { CheckIdentity(); });
}

void ProfileState::Refresh() {
  // A snapshot never changes once read.
  if (connection_.holdsSnapshot() && seenDataVersion_ >= 0) return;
  std::int64_t version = dataVersion_.Step() ? dataVersion_.Int(0) : 0;
  dataVersion_.Reset();
  if (version == seenDataVersion_) return;
  ReadTransaction snapshot(connection_);
  CheckIdentity();
  LoadTree();
  entries_.clear();
  items_.Forget();
  seenDataVersion_ = version;
}

void ProfileState::CheckIdentity() {
  std::string identity = identity_.Step() ? std::string(identity_.Text(0)) : std::string();
  identity_.Reset();
  if (loggedOnIdentity_.empty()) {
    loggedOnIdentity_ = identity;
  } else if (identity != loggedOnIdentity_) {
    throw StoreFailure(kSessionEnded, "The profile " + connection_.path() +
                                          " was replaced while this session used it");
  }
}

void ProfileState::LoadTree() {
  std::vector<StoreRow> stores;
  Statement selectStores(
      connection_.db(),
      HasDataFileTable(connection_)
          ? "SELECT s.id, s.name, s.folded, s.read_only, s.faults, coalesce(d.path, ''), "
            "coalesce(d.record_key, '') FROM stores s LEFT JOIN data_files d ON d.store_id = s.id "
            "ORDER BY s.id"
          : "SELECT id, name, folded, read_only, faults, '', '' FROM stores ORDER BY id");
  while (selectStores.Step()) {
    const Statement& row = selectStores;
    stores.push_back({.id = row.Int(0),
                      .name = std::string(row.Text(1)),
                      .folded = std::string(row.Text(2)),
                      .readOnly = row.Int(3) != 0,
                      .faults = FaultList(row.Text(4)),
                      .rootId = 0,  // found among the folders below
                      .dataFile = std::string(row.Text(5)),
                      .recordKey = std::string(row.Text(6))});
  }
  std::unordered_map<std::int64_t, FolderRow> folders;
  // Ids grow with every insert, so the id order is the order of creation.
  std::vector<std::int64_t> ids;
  Statement selectFolders(
      connection_.db(),
      "SELECT id, store_id, parent_id, name, folded, item_type, faults FROM folders "
      "ORDER BY id");
  while (selectFolders.Step()) {
    const Statement& row = selectFolders;
    ids.push_back(row.Int(0));
    folders.emplace(ids.back(), FolderRow{.id = row.Int(0),
                                          .storeId = row.Int(1),
                                          .parentId = row.Int(2),
                                          .name = std::string(row.Text(3)),
                                          .folded = std::string(row.Text(4)),
                                          .itemType = static_cast<int>(row.Int(5)),
                                          .faults = FaultList(row.Text(6)),
                                          .children = {}});
  }
  std::vector<std::int64_t> roots;
  for (std::int64_t id : ids) {
    const FolderRow& folder = folders[id];
    if (folder.parentId == 0) {
      for (auto& store : stores) {
        if (store.id == folder.storeId && store.rootId == 0) {
          store.rootId = id;
          roots.push_back(id);
        }
      }
    } else if (auto parent = folders.find(folder.parentId); parent != folders.end()) {
      parent->second.children.push_back(id);
    }
  }
  // Depths from the roots down, level by level; below the deepest allowed
  // level the tree ends. Only folders reached this way are ever handed out.
  std::vector<std::int64_t> level = std::move(roots), next;
  for (int depth = 0; !level.empty(); ++depth) {
    next.clear();
    for (std::int64_t id : level) {
      FolderRow& folder = folders[id];
      folder.depth = depth;
      if (depth == kMaxFolderDepth) {
        folder.children.clear();
      } else {
        next.insert(next.end(), folder.children.begin(), folder.children.end());
      }
    }
    std::swap(level, next);
  }
  stores_ = std::move(stores);
  folders_ = std::move(folders);
}

const StoreRow& ProfileState::StoreOf(const FolderRow& folder) const {
  if (const StoreRow* store = FindStoreById(folder.storeId)) return *store;
  throw StoreFailure(kNotFound, "The store of the folder " + folder.name + " no longer exists");
}

const StoreRow* ProfileState::FindStore(std::string_view name) const {
  std::string folded = FoldCase(name);
  for (const auto& store : stores_) {
    if (store.folded == folded) return &store;
  }
  return nullptr;
}

const StoreRow* ProfileState::FindStoreById(std::int64_t id) const {
  for (const auto& store : stores_) {
    if (store.id == id) return &store;
  }
  return nullptr;
}

const FolderRow* ProfileState::FindFolder(std::int64_t id) const {
  auto found = folders_.find(id);
  return found == folders_.end() ? nullptr : &found->second;
}

const FolderRow* ProfileState::FindChild(const FolderRow& parent, std::string_view name) const {
  std::string folded = FoldCase(name);
  for (std::int64_t id : parent.children) {
    const FolderRow* child = FindFolder(id);
    if (child != nullptr && child->folded == folded) return child;
  }
  return nullptr;
}

const FolderRow& ProfileState::Folder(std::int64_t id) const {
  const FolderRow* folder = FindFolder(id);
  if (folder == nullptr) {
    throw StoreFailure(kNotFound, "The folder " + std::to_string(id) + " no longer exists");
  }
  return *folder;
}

std::string ProfileState::FolderPath(const FolderRow& folder) const {
  std::vector<const FolderRow*> chain;
  for (const FolderRow* at = &folder; at != nullptr && at->parentId != 0;
       at = FindFolder(at->parentId)) {
    chain.push_back(at);
  }
  // The root folder carries the store's name, so the path starts from it.
  std::string path = "\\\\" + EscapeFolderName(StoreOf(folder).name);
  for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
    path += '\\';
    path += EscapeFolderName((*at)->name);
  }
  return path;
}

const FolderRow& ProfileState::AddFolder(const FolderRow& parent, std::string_view name,
                                         int itemType) {
  if (parent.depth >= kMaxFolderDepth) {
    throw StoreFailure(kInvalidArgument, "Folders nest at most " + std::to_string(kMaxFolderDepth) +
                                             " levels deep; " + FolderPath(parent) +
                                             " is that deep already");
  }
  std::string folded = FoldCase(name);
  std::int64_t parentId = parent.id;
  std::int64_t storeId = parent.storeId;
  int depth = parent.depth + 1;
  auto collision = [&] {
    return StoreFailure(kCollision, "A folder named '" + std::string(name) +
                                        "' exists already in " + FolderPath(parent));
  };
  std::int64_t id = 0;
  {
    WriteTransaction transaction(connection_);
    // Asked inside the transaction, so another process cannot add the name
    // in between. Loaded profiles may hold equal sibling names; a new
    // folder never adds one.
    Statement taken(connection_.db(),
                    "SELECT 1 FROM folders WHERE parent_id = ?1 AND folded = ?2 LIMIT 1");
    if (taken.Bind(1, parentId).Bind(2, folded).Step()) throw collision();
    Statement insert(connection_.db(),
                     "INSERT INTO folders(store_id, parent_id, name, folded, item_type, faults) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, '')");
    insert.Bind(1, storeId).Bind(2, parentId).Bind(3, name).Bind(4, folded).Bind(5, itemType);
    try {
      insert.Run();
    } catch (const Failure& failure) {
      // Profiles made before equal names were allowed keep a unique index.
      if (failure.source() == "SQLite" && failure.number() == SQLITE_CONSTRAINT) throw collision();
      throw;
    }
    id = connection_.LastInsertId();
    transaction.Commit();
  }
  FolderRow row;
  row.id = id;
  row.storeId = storeId;
  row.parentId = parentId;
  row.name = std::string(name);
  row.folded = std::move(folded);
  row.itemType = itemType;
  row.depth = depth;
  FolderRow& added = folders_[id] = std::move(row);
  folders_[parentId].children.push_back(id);
  return added;
}

std::shared_ptr<const AddressEntryRow> ProfileState::AddressEntry(std::int64_t id) {
  auto found = entries_.find(id);
  if (found != entries_.end()) return found->second;
  entryById_.Bind(1, id);
  std::shared_ptr<AddressEntryRow> entry;
  if (entryById_.Step()) {
    entry = std::make_shared<AddressEntryRow>();
    entry->id = id;
    for (int field = 0; field < kEntryFieldCount; ++field) {
      entry->fields[field] = entryById_.Text(field);
    }
    entry->faults = FaultList(entryById_.Text(kEntryFieldCount));
  }
  entryById_.Reset();
  if (entries_.size() >= kEntryCacheLimit) entries_.clear();
  entries_.emplace(id, entry);
  return entry;
}

void ProfileState::BeginChanges() {
  connection_.BeginHeld();
  openGroup_ = ++groupsBegun_;
}

void ProfileState::CommitChanges() {
  try {
    connection_.CommitHeld();
  } catch (...) {
    RollbackChanges();
    throw;
  }
  openGroup_ = 0;
}

void ProfileState::RollbackChanges() noexcept {
  if (openGroup_ == 0) return;
  connection_.RollbackHeld();
  rolledBack_.push_back(openGroup_);
  openGroup_ = 0;
  // The tree, the item lists and the read-ahead rows may hold the group's
  // writes: they are read afresh.
  seenDataVersion_ = -1;
  items_.Discard();
  try {
    Refresh();
  } catch (const Failure&) {
    // The tree stays marked stale: the next look-up reads it again and
    // raises this itself.
  }
}

bool ProfileState::RolledBack(std::uint64_t group) const {
  return std::find(rolledBack_.begin(), rolledBack_.end(), group) != rolledBack_.end();
}

}  // namespace tovask::outlook
