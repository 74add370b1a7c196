#include "outlook/profile_builder.h"

#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "main/case_fold.h"
#include "outlook/entry_id.h"
#include "outlook/fault_list.h"
#include "outlook/outlook.h"
#include "outlook/profile_schema.h"
#include "outlook/property_record.h"
#include "outlook/sqlite_connection.h"
#include "outlook/store_failure.h"

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

}  // namespace

// The open transaction and the statements it reuses for every row.
class ProfileWriter {
 public:
  explicit ProfileWriter(const std::string& path)
      : connection_(WithDirectory(path), /*create=*/true), transaction_(connection_) {
    Statement tables(connection_.db(), "SELECT count(*) FROM sqlite_master");
    bool empty = tables.Step() && tables.Int(0) == 0;
    if (empty) {
      CreateProfileSchema(connection_);
    } else {
      CheckProfileSchema(connection_);
    }
    connection_.Exec(
        "DELETE FROM items; DELETE FROM address_entries; DELETE FROM folders; "
        "DELETE FROM stores;");
    // A new prefix: identifiers of the replaced profile can never come back
    // as new ones, whatever the loaded document keeps.
    prefix_ = RandomEntryIdPrefix();
    WriteMeta(connection_, "prefix", EntryIdPrefixText(prefix_));
    insertStore_ =
        Statement(connection_.db(),
                  "INSERT INTO stores(name, folded, read_only, faults) VALUES (?1, ?2, ?3, ?4)");
    insertFolder_ =
        Statement(connection_.db(),
                  "INSERT INTO folders(store_id, parent_id, name, folded, item_type, faults) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    insertEntry_ = Statement(connection_.db(),
                             std::string("INSERT INTO address_entries(") + kAddressEntryColumns +
                                 ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    insertItem_ =
        Statement(connection_.db(),
                  "INSERT INTO items(folder_id, entry_id, class, created, modified, sender_id, "
                  "faults, props) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  }

  std::int64_t AddStore(const std::string& name, bool readOnly,
                        const std::vector<std::string>& storeFaults, int rootType,
                        const std::vector<std::string>& rootFaults) {
    if (name.empty()) throw BadInput("A store needs a name");
    CheckItemType(rootType);
    std::string folded = FoldCase(name);
    if (!storeNames_.insert(folded).second) {
      throw StoreFailure(kCollision, "A store named '" + name + "' exists already");
    }
    insertStore_.Bind(1, name).Bind(2, folded).Bind(3, readOnly ? 1 : 0);
    std::string faults = CheckedFaults(storeFaults);
    insertStore_.Bind(4, faults).Run();
    std::int64_t storeId = connection_.LastInsertId();
    return InsertFolder(storeId, 0, name, folded, rootType, rootFaults);
  }

  std::int64_t AddFolder(std::int64_t parentId, const std::string& name, int type,
                         const std::vector<std::string>& faults) {
    auto parent = folderStores_.find(parentId);
    if (parent == folderStores_.end()) {
      throw BadInput("There is no folder " + std::to_string(parentId) + " to add '" + name +
                     "' to");
    }
    if (name.empty()) throw BadInput("A folder needs a name");
    CheckItemType(type);
    std::string folded = FoldCase(name);
    if (!folderNames_.insert(std::to_string(parentId) + '\n' + folded).second) {
      throw StoreFailure(kCollision, "A folder named '" + name + "' exists already there");
    }
    return InsertFolder(parent->second, parentId, name, folded, type, faults);
  }

  std::int64_t AddAddressEntry(const AddressEntryData& entry) {
    int column = 1;
    for (const std::string* field : entry.Fields()) {
      insertEntry_.Bind(column++, *field);
    }
    std::string faults = CheckedFaults(entry.faults);
    insertEntry_.Bind(column, faults).Run();
    std::int64_t id = connection_.LastInsertId();
    entryIds_.insert(id);
    return id;
  }

  void AddItem(std::int64_t folderId, const ItemData& item, std::int64_t senderId) {
    if (folderStores_.find(folderId) == folderStores_.end()) {
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
    insertItem_.Bind(1, folderId)
        .Bind(2, entryId)
        .Bind(3, item.messageClass)
        .Bind(4, item.created.value_or(now).UnixSeconds())
        .Bind(5, item.modified.value_or(now).UnixSeconds())
        .Bind(6, senderId)
        .Bind(7, faults)
        .BindBlob(8, record);
    try {
      insertItem_.Run();
    } catch (const Failure& failure) {
      if (failure.source() == "SQLite" && failure.number() == SQLITE_CONSTRAINT) {
        throw StoreFailure(kCollision, "The entry identifier " + entryId + " is given twice");
      }
      throw;
    }
  }

  void Commit() {
    WriteMeta(connection_, "next_entry", std::to_string(nextCounter_));
    transaction_.Commit();
  }

 private:
  std::int64_t InsertFolder(std::int64_t storeId, std::int64_t parentId, const std::string& name,
                            const std::string& folded, int type,
                            const std::vector<std::string>& faults) {
    std::string stored = CheckedFaults(faults);
    insertFolder_.Bind(1, storeId).Bind(2, parentId).Bind(3, name).Bind(4, folded).Bind(5, type);
    insertFolder_.Bind(6, stored).Run();
    std::int64_t id = connection_.LastInsertId();
    folderStores_[id] = storeId;
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
      WriteEffect effect = EncodeValue(info->kind, value, bytes);
      if (effect == WriteEffect::kWrongKind) {
        throw BadInput("The value for " + std::string(info->name) + " is of the wrong kind");
      }
      if (effect == WriteEffect::kSet) entries.emplace_back(info->id, bytes);
    }
    return EncodeRecord(std::move(entries));
  }

  SqliteConnection connection_;
  WriteTransaction transaction_;
  EntryIdPrefix prefix_{};
  std::uint64_t nextCounter_ = 1;
  Statement insertStore_, insertFolder_, insertEntry_, insertItem_;
  std::unordered_map<std::int64_t, std::int64_t> folderStores_;  // folder id -> store id
  std::unordered_set<std::string> storeNames_, folderNames_;
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
