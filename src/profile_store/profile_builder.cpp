#include "profile_store/profile_builder.h"

#include <filesystem>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "main/case_fold.h"
#include "outlook/entry_id.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "profile_store/fault_list.h"
#include "profile_store/profile_schema.h"
#include "profile_store/property_record.h"
#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

namespace {

Failure BadInput(std::string description) {
  return StoreFailure(kInvalidArgument, std::move(description));
}

std::string CheckedFaults(const std::vector<std::string>& faults) {
  for (const auto& fault : faults) {
    std::string problem = FaultList::Check(fault);
    if (!problem.empty()) throw BadInput(problem);
  }
  return FaultList(faults).Stored();
}

void CheckItemType(int type) {
  if (type < kMailItem || type > kPostItem) {
    throw BadInput("Default item type " + std::to_string(type) + " is not one of 0 to 6");
  }
}

// Creates the folder the profile goes into, so that a new profile can be
// placed anywhere.
const std::string& WithDirectory(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (!parent.empty()) std::filesystem::create_directories(parent, error);
  if (error) throw ErrnoFailure("create the folder " + parent.string(), error.value());
  return path;
}

// The largest id of each table of the replaced profile; the new rows' ids
// continue above them.
struct IdFloor {
  std::int64_t store = 0, folder = 0, entry = 0, item = 0;
};

IdFloor ReadIdFloor(SqliteConnection& connection) {
  auto largest = [&](const char* table) {
    Statement select(connection.db(), std::string("SELECT coalesce(max(id), 0) FROM ") + table);
    return select.Step() ? select.Int(0) : 0;
  };
  return {largest("stores"), largest("folders"), largest("address_entries"), largest("items")};
}

}  // namespace

// The open transaction and the statements it reuses for every row.
class ProfileWriter {
 public:
  explicit ProfileWriter(const std::string& path) : connection_(WithDirectory(path), true) {
    // Only read until the file is known to be a profile or a new one, so a
    // file of another kind is left exactly as it was.
    if (!IsEmptyDatabase(connection_)) CheckProfileSchema(connection_);
    connection_.UseProfileSettings();
    transaction_.emplace(connection_);
    IdFloor floor;
    if (!IsEmptyDatabase(connection_)) {
      CheckProfileSchema(connection_);
      floor = ReadIdFloor(connection_);
    }
    // The tables are made anew, so a profile of an older layout gets the
    // current one. Ids continue above the replaced profile's: a session
    // still working on it finds nothing by an old id, never a new row.
    DropProfileTables(connection_);
    CreateProfileSchema(connection_);
    nextStore_ = floor.store + 1;
    nextFolder_ = floor.folder + 1;
    nextEntry_ = floor.entry + 1;
    nextItem_ = floor.item + 1;
    // A new prefix: identifiers of the replaced profile can never come back
    // as new ones, whatever the loaded document keeps, and sessions of the
    // replaced profile notice the change.
    prefix_ = RandomEntryIdPrefix();
    WriteMeta(connection_, "prefix", EntryIdPrefixText(prefix_));
    insertStore_ = Statement(
        connection_.db(),
        "INSERT INTO stores(id, name, folded, read_only, faults) VALUES (?1, ?2, ?3, ?4, ?5)");
    insertFolder_ =
        Statement(connection_.db(),
                  "INSERT INTO folders(id, store_id, parent_id, name, folded, item_type, faults) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insertEntry_ = Statement(
        connection_.db(), std::string("INSERT INTO address_entries(id, ") + kAddressEntryColumns +
                              ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    insertDataFile_ = Statement(
        connection_.db(), "INSERT INTO data_files(store_id, path, record_key) VALUES (?1, ?2, ?3)");
    insertItem_ =
        Statement(connection_.db(),
                  "INSERT INTO items(id, folder_id, entry_id, class, created, modified, sender_id, "
                  "faults, props) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
  }

  std::int64_t AddStore(const std::string& name, bool readOnly,
                        const std::vector<std::string>& storeFaults, int rootType,
                        const std::vector<std::string>& rootFaults) {
    if (name.empty()) throw BadInput("A store needs a name");
    CheckItemType(rootType);
    std::string folded = FoldCase(name);
    std::string faults = CheckedFaults(storeFaults);
    std::int64_t storeId = nextStore_;
    insertStore_.Bind(1, storeId).Bind(2, name).Bind(3, folded).Bind(4, readOnly ? 1 : 0);
    insertStore_.Bind(5, faults).Run();
    ++nextStore_;
    return InsertFolder(storeId, 0, 0, name, folded, rootType, rootFaults);
  }

  void AddDataFileStore(const std::string& name, const std::string& path,
                        const std::string& recordKey) {
    if (name.empty()) throw BadInput("A store needs a name");
    if (path.empty()) throw BadInput("A data file needs a path");
    if (!recordKey.empty() && !recordKeys_.insert(recordKey).second) {
      throw StoreFailure(kCollision, "The data file " + path + " is attached already (record key " +
                                         recordKey + ")");
    }
    std::int64_t storeId = nextStore_;
    std::string folded = FoldCase(name);
    insertStore_.Bind(1, storeId).Bind(2, name).Bind(3, folded).Bind(4, 1);
    insertStore_.Bind(5, "").Run();
    insertDataFile_.Bind(1, storeId).Bind(2, path).Bind(3, recordKey).Run();
    ++nextStore_;
  }

  std::int64_t AddFolder(std::int64_t parentId, const std::string& name, int type,
                         const std::vector<std::string>& faults) {
    auto parent = folders_.find(parentId);
    if (parent == folders_.end()) {
      throw BadInput("There is no folder " + std::to_string(parentId) + " to add '" + name +
                     "' to");
    }
    if (name.empty()) throw BadInput("A folder needs a name");
    CheckItemType(type);
    const PlacedFolder placed = parent->second;
    if (placed.depth >= kMaxFolderDepth) {
      throw BadInput("Folders nest at most " + std::to_string(kMaxFolderDepth) + " levels deep");
    }
    return InsertFolder(placed.storeId, parentId, placed.depth + 1, name, FoldCase(name), type,
                        faults);
  }

  std::int64_t AddAddressEntry(const AddressEntryData& entry) {
    std::int64_t id = nextEntry_;
    insertEntry_.Bind(1, id);
    int column = 2;
    for (const std::string* field : entry.Fields()) {
      insertEntry_.Bind(column++, *field);
    }
    std::string faults = CheckedFaults(entry.faults);
    insertEntry_.Bind(column, faults).Run();
    ++nextEntry_;
    entryIds_.insert(id);
    return id;
  }

  void AddItem(std::int64_t folderId, const ItemData& item, std::int64_t senderId) {
    if (folders_.find(folderId) == folders_.end()) {
      throw BadInput("There is no folder " + std::to_string(folderId) + " to add an item to");
    }
    if (item.messageClass.empty()) throw BadInput("An item needs a message class");
    if (senderId != 0 && entryIds_.count(senderId) == 0) {
      throw BadInput("There is no address entry " + std::to_string(senderId));
    }
    std::string record = Record(item);
    std::string entryId;
    if (item.entryId.empty()) {
      entryId = MakeEntryId(prefix_, nextCounter_++);
    } else if (IsEntryIdText(item.entryId)) {
      entryId = UpperCaseHex(item.entryId);
    } else {
      throw BadInput("'" + item.entryId +
                     "' is not an entry identifier (48 hexadecimal characters)");
    }
    std::string faults = CheckedFaults(item.faults);
    DateTime now = DateTime::Now();
    insertItem_.Bind(1, nextItem_)
        .Bind(2, folderId)
        .Bind(3, entryId)
        .Bind(4, item.messageClass)
        .Bind(5, item.created.value_or(now).UnixSeconds())
        .Bind(6, item.modified.value_or(now).UnixSeconds())
        .Bind(7, senderId)
        .Bind(8, faults)
        .BindBlob(9, record);
    try {
      insertItem_.Run();
    } catch (const Failure& failure) {
      if (failure.source() == "SQLite" && failure.number() == SQLITE_CONSTRAINT) {
        throw StoreFailure(kCollision, "The entry identifier " + entryId + " is given twice");
      }
      throw;
    }
    ++nextItem_;
  }

  void Commit() {
    WriteMeta(connection_, "next_entry", std::to_string(nextCounter_));
    transaction_->Commit();
  }

 private:
  struct PlacedFolder {
    std::int64_t storeId;
    int depth;  // below the store's root folder
  };

  std::int64_t InsertFolder(std::int64_t storeId, std::int64_t parentId, int depth,
                            const std::string& name, const std::string& folded, int type,
                            const std::vector<std::string>& faults) {
    std::string stored = CheckedFaults(faults);
    std::int64_t id = nextFolder_;
    insertFolder_.Bind(1, id).Bind(2, storeId).Bind(3, parentId).Bind(4, name).Bind(5, folded);
    insertFolder_.Bind(6, type).Bind(7, stored).Run();
    ++nextFolder_;
    folders_[id] = {storeId, depth};
    return id;
  }

  static std::string Record(const ItemData& item) {
    PropertyScope scope = ScopeOfClass(item.messageClass);
    std::vector<std::pair<PropertyId, std::string>> entries;
    std::vector<bool> seen(PropertyCount());
    std::string bytes;
    for (const auto& [name, value] : item.props) {
      const PropertyInfo* info = FindProperty(name);
      if (info == nullptr || (info->scopes & scope) == 0) {
        throw StoreFailure(kNotFound,
                           "An item of class " + item.messageClass + " has no property " + name);
      }
      if (info->access != PropertyAccess::kStored) {
        throw StoreFailure(kNoAccess, "The property " + std::string(info->name) + " is read-only");
      }
      if (seen[info->id])
        throw BadInput("The property " + std::string(info->name) + " is given twice");
      seen[info->id] = true;
      WriteEffect effect = EncodeValue(*info, value, bytes);
      if (effect == WriteEffect::kWrongKind) {
        throw BadInput("The value for " + std::string(info->name) + " is of the wrong kind");
      }
      if (effect == WriteEffect::kOutOfRange) {
        throw BadInput("The value for " + std::string(info->name) + " is out of its range");
      }
      if (effect == WriteEffect::kSet) entries.emplace_back(info->id, bytes);
    }
    return EncodeRecord(std::move(entries));
  }

  SqliteConnection connection_;
  std::optional<WriteTransaction> transaction_;
  EntryIdPrefix prefix_{};
  std::uint64_t nextCounter_ = 1;
  std::int64_t nextStore_ = 1, nextFolder_ = 1, nextEntry_ = 1, nextItem_ = 1;
  Statement insertStore_, insertFolder_, insertEntry_, insertItem_, insertDataFile_;
  std::unordered_map<std::int64_t, PlacedFolder> folders_;
  std::unordered_set<std::string> recordKeys_;
  std::unordered_set<std::int64_t> entryIds_;
};

ProfileBuilder::ProfileBuilder(const std::string& profilePath)
    : writer_(std::make_unique<ProfileWriter>(profilePath)) {}

ProfileBuilder::~ProfileBuilder() = default;

std::int64_t ProfileBuilder::AddStore(const std::string& name, bool readOnly,
                                      const std::vector<std::string>& storeFaults,
                                      int rootDefaultItemType,
                                      const std::vector<std::string>& rootFaults) {
  return Writer().AddStore(name, readOnly, storeFaults, rootDefaultItemType, rootFaults);
}

void ProfileBuilder::AddDataFileStore(const std::string& name, const std::string& path,
                                      const std::string& recordKey) {
  Writer().AddDataFileStore(name, path, recordKey);
}

std::int64_t ProfileBuilder::AddFolder(std::int64_t parentFolderId, const std::string& name,
                                       int defaultItemType,
                                       const std::vector<std::string>& faults) {
  return Writer().AddFolder(parentFolderId, name, defaultItemType, faults);
}

std::int64_t ProfileBuilder::AddAddressEntry(const AddressEntryData& entry) {
  return Writer().AddAddressEntry(entry);
}

void ProfileBuilder::AddItem(std::int64_t folderId, const ItemData& item, std::int64_t senderId) {
  Writer().AddItem(folderId, item, senderId);
}

void ProfileBuilder::Commit() {
  Writer().Commit();
  writer_.reset();
}

ProfileWriter& ProfileBuilder::Writer() {
  if (!writer_) throw StoreFailure(kCallFailed, "The profile was committed already");
  return *writer_;
}

}  // namespace tovask::outlook
