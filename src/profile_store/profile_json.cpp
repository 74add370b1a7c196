#include "profile_store/profile_json.h"

#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "main/case_fold.h"
#include "main/failure.h"
#include "outlook/entry_id.h"
#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "profile_store/attached_files.h"
#include "profile_store/fault_list.h"
#include "profile_store/profile_builder.h"
#include "profile_store/property_record.h"

namespace tovask::outlook {

namespace {

using Json = nlohmann::json;

Failure Problem(const std::string& path, const std::string& problem) {
  return Failure("tovask-store", 1, path + ": " + problem);
}

std::string Key(const std::string& path, const std::string& key) { return path + "." + key; }
std::string Index(const std::string& path, std::size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

// The store's own rules (names unique among siblings, entry identifiers
// unique) are the builder's; a rule it enforces comes back as a problem at the
// path of the part being added. The builder writes nothing unless the whole
// document got through.
template <class Add>
auto Adding(const std::string& path, Add&& add) {
  try {
    return add();
  } catch (const Failure& failure) {
    std::string problem = failure.description();
    if (!problem.empty()) problem[0] = AsciiLower(problem[0]);
    throw Problem(path, problem);
  }
}

// Parses the text into a document, following the JSON path of what it is
// reading so that a problem the parser finds is told at its place: a key
// given twice in one object (the parser would let the last one win), a
// number it cannot hold, a syntax error.
class PathTrackingParse {
 public:
  Json Parse(std::string_view text) {
    auto callback = [this](int, Json::parse_event_t event, Json& parsed) {
      return Event(event, parsed);
    };
    try {
      return Json::parse(text, callback);
    } catch (const Json::exception& error) {
      // The parser stopped before the value it could not read began.
      throw Problem(Path(/*pending=*/true),
                    "not a JSON document (" + std::string(error.what()) + ")");
    }
  }

 private:
  struct Level {
    bool array = false;
    std::size_t count = 0;                 // arrays: the elements begun so far
    std::string key;                       // objects: the key read last
    std::unordered_set<std::string> keys;  // objects: every key read
  };

  bool Event(Json::parse_event_t event, const Json& parsed) {
    using Event = Json::parse_event_t;
    switch (event) {
      case Event::object_start:
      case Event::array_start:
        Begin();
        levels_.emplace_back();
        levels_.back().array = event == Event::array_start;
        break;
      case Event::object_end:
      case Event::array_end:
        levels_.pop_back();
        break;
      case Event::key: {
        Level& level = levels_.back();
        level.key = parsed.get<std::string>();
        // Raised from inside the parser, which hands it on as it is.
        if (!level.keys.insert(level.key).second) throw Problem(Path(), "the key is given twice");
        break;
      }
      case Event::value:
        Begin();
        break;
    }
    return true;
  }

  // A value begins: in an array it is the next element.
  void Begin() {
    if (!levels_.empty() && levels_.back().array) ++levels_.back().count;
  }

  // The path of the value being read now; `pending`: the innermost array's
  // next element, which has not begun yet.
  std::string Path(bool pending = false) const {
    std::string path = "$";
    for (std::size_t i = 0; i < levels_.size(); ++i) {
      const Level& level = levels_[i];
      if (!level.array) {
        if (!level.keys.empty()) path = Key(path, level.key);
      } else {
        bool next = pending && i + 1 == levels_.size();
        path = Index(path, next || level.count == 0 ? level.count : level.count - 1);
      }
    }
    return path;
  }

  std::vector<Level> levels_;
};

class DocumentWalk {
 public:
  explicit DocumentWalk(ProfileBuilder& builder) : builder_(builder) {}

  void Profile(const Json& document) {
    const std::string path = "$";
    Object(document, path, {"stores"});
    const Json* stores = Find(document, "stores");
    if (stores == nullptr) return;
    Array(*stores, Key(path, "stores"));
    for (std::size_t i = 0; i < stores->size(); ++i) {
      Store((*stores)[i], Index(Key(path, "stores"), i));
    }
  }

 private:
  void Store(const Json& store, const std::string& path) {
    Object(store, path, {"name", "readOnly", "faults", "root", "dataFile"});
    if (const Json* dataFile = Find(store, "dataFile")) {
      DataFileStore(store, *dataFile, path);
      return;
    }
    const Json* name = Find(store, "name");
    if (name == nullptr) throw Problem(path, "a store needs a \"name\"");
    std::string storeName = Name(*name, Key(path, "name"));
    bool readOnly = false;
    if (const Json* flag = Find(store, "readOnly")) {
      if (!flag->is_boolean()) throw Problem(Key(path, "readOnly"), "not a boolean");
      readOnly = flag->get<bool>();
    }
    std::vector<std::string> faults = Faults(store, path);
    static const Json kEmptyFolder = Json::object();
    const Json* root = Find(store, "root");
    const Json& rootFolder = root != nullptr ? *root : kEmptyFolder;
    std::string rootPath = Key(path, "root");
    Object(rootFolder, rootPath, {"name", "type", "folders", "items", "faults"});
    if (const Json* rootName = Find(rootFolder, "name")) {
      if (Name(*rootName, Key(rootPath, "name")) != storeName) {
        throw Problem(Key(rootPath, "name"),
                      "a root folder is named like its store, '" + storeName + "'");
      }
    }
    int type = Type(rootFolder, rootPath);
    std::vector<std::string> rootFaults = Faults(rootFolder, rootPath);
    std::int64_t rootId = Adding(Key(path, "name"), [&] {
      return builder_.AddStore(storeName, readOnly, faults, type, rootFaults);
    });
    FolderContent(rootFolder, rootPath, rootId, 0);
  }

  // An attached data file: its name (optional), its path, read-only.
  void DataFileStore(const Json& store, const Json& dataFile, const std::string& path) {
    if (Find(store, "root") != nullptr || Find(store, "faults") != nullptr) {
      throw Problem(path, "a data-file store has neither \"root\" nor \"faults\"");
    }
    if (const Json* flag = Find(store, "readOnly"); flag != nullptr && *flag != Json(true)) {
      throw Problem(Key(path, "readOnly"), "a data-file store is read-only");
    }
    std::string filePath = AbsolutePath(Name(dataFile, Key(path, "dataFile")));
    std::string given;
    if (const Json* name = Find(store, "name")) given = Name(*name, Key(path, "name"));
    DataFileIdentity identity =
        Adding(Key(path, "dataFile"), [&] { return InspectDataFile(filePath); });
    std::string storeName = DataFileStoreName(given, identity, filePath);
    if (storeName.empty()) throw Problem(Key(path, "name"), "a data-file store needs a name");
    Adding(Key(path, "dataFile"),
           [&] { builder_.AddDataFileStore(storeName, filePath, identity.recordKey); });
  }

  void Folder(const Json& folder, const std::string& path, std::int64_t parentId, int depth) {
    if (depth > kMaxFolderDepth) {
      throw Problem(path, "folders nest deeper than " + std::to_string(kMaxFolderDepth) +
                              " levels below their store");
    }
    Object(folder, path, {"name", "type", "folders", "items", "faults"});
    const Json* name = Find(folder, "name");
    if (name == nullptr) throw Problem(path, "a folder needs a \"name\"");
    std::string folderName = Name(*name, Key(path, "name"));
    int type = Type(folder, path);
    std::vector<std::string> faults = Faults(folder, path);
    std::int64_t id = Adding(
        Key(path, "name"), [&] { return builder_.AddFolder(parentId, folderName, type, faults); });
    FolderContent(folder, path, id, depth);
  }

  void FolderContent(const Json& folder, const std::string& path, std::int64_t id, int depth) {
    if (const Json* items = Find(folder, "items")) {
      std::string itemsPath = Key(path, "items");
      Array(*items, itemsPath);
      for (std::size_t i = 0; i < items->size(); ++i) Item((*items)[i], Index(itemsPath, i), id);
    }
    if (const Json* folders = Find(folder, "folders")) {
      std::string foldersPath = Key(path, "folders");
      Array(*folders, foldersPath);
      for (std::size_t i = 0; i < folders->size(); ++i) {
        Folder((*folders)[i], Index(foldersPath, i), id, depth + 1);
      }
    }
  }

  void Item(const Json& item, const std::string& path, std::int64_t folderId) {
    Object(item, path, {"class", "entryId", "created", "modified", "props", "sender", "faults"});
    ItemData data;
    const Json* messageClass = Find(item, "class");
    if (messageClass == nullptr) throw Problem(path, "an item needs a \"class\"");
    data.messageClass = Name(*messageClass, Key(path, "class"));
    if (const Json* entryId = Find(item, "entryId")) {
      std::string text = Text(*entryId, Key(path, "entryId"));
      if (!IsEntryIdText(text)) {
        throw Problem(Key(path, "entryId"), "not an entry identifier (48 hexadecimal characters)");
      }
      data.entryId = UpperCaseHex(text);
    }
    if (const Json* created = Find(item, "created"))
      data.created = Date(*created, Key(path, "created"));
    if (const Json* modified = Find(item, "modified"))
      data.modified = Date(*modified, Key(path, "modified"));
    if (const Json* props = Find(item, "props")) Props(*props, Key(path, "props"), data);
    data.faults = Faults(item, path);
    std::int64_t senderId = 0;
    if (const Json* sender = Find(item, "sender"); sender != nullptr && !sender->is_null()) {
      senderId = Sender(*sender, Key(path, "sender"));
    }
    // The builder's only rule left for an item is a unique entry identifier.
    Adding(Key(path, "entryId"), [&] { builder_.AddItem(folderId, data, senderId); });
  }

  void Props(const Json& props, const std::string& path, ItemData& data) {
    if (!props.is_object()) throw Problem(path, "not an object");
    PropertyScope scope = ScopeOfClass(data.messageClass);
    std::vector<bool> seen(PropertyCount());
    for (const auto& [name, value] : props.items()) {
      std::string at = Key(path, name);
      const PropertyInfo* info = FindProperty(name);
      if (info == nullptr || (info->scopes & scope) == 0) {
        throw Problem(at, "an item of class " + data.messageClass + " has no such property");
      }
      if (info->access != PropertyAccess::kStored) throw Problem(at, "a read-only property");
      if (seen[info->id]) throw Problem(at, "the property is given twice");
      seen[info->id] = true;
      switch (info->kind) {
        case PropertyKind::kText:
          data.props.emplace_back(info->name, Text(value, at));
          break;
        case PropertyKind::kDate:
          data.props.emplace_back(info->name, Date(value, at));
          break;
        case PropertyKind::kInteger: {
          if (!value.is_number_integer()) throw Problem(at, "not a whole number");
          // Read as unsigned, a number beyond the signed range would wrap
          // into it.
          bool fits = !value.is_number_unsigned() ||
                      value.get<std::uint64_t>() <=
                          static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
          std::int64_t number = fits ? value.get<std::int64_t>() : 0;
          if (!fits || number < info->minimum || number > info->maximum) {
            throw Problem(at, "not a whole number from " + std::to_string(info->minimum) + " to " +
                                  std::to_string(info->maximum));
          }
          data.props.emplace_back(info->name, number);
          break;
        }
        case PropertyKind::kBoolean:
          if (!value.is_boolean()) throw Problem(at, "not a boolean");
          data.props.emplace_back(info->name, value.get<bool>());
          break;
      }
    }
  }

  std::int64_t Sender(const Json& sender, const std::string& path) {
    std::vector<std::string> keys(std::begin(kAddressEntryKeys), std::end(kAddressEntryKeys));
    keys.emplace_back("faults");
    Object(sender, path, keys);
    AddressEntryData entry;
    std::array<std::string*, 11> fields = entry.Fields();
    for (std::size_t i = 0; i < std::size(kAddressEntryKeys); ++i) {
      if (const Json* value = Find(sender, kAddressEntryKeys[i]))
        *fields[i] = Text(*value, Key(path, kAddressEntryKeys[i]));
    }
    entry.faults = Faults(sender, path);
    // Mails of one sender share one entry, as they do in a real address book.
    std::string identity;
    for (const std::string* field : fields) identity.append(*field).push_back('\0');
    for (const auto& fault : entry.faults) identity.append(fault).push_back('\n');
    auto [found, added] = senders_.try_emplace(identity, 0);
    if (added) found->second = builder_.AddAddressEntry(entry);
    return found->second;
  }

  // Raises unless the value is an object whose keys are all allowed.
  static void Object(const Json& value, const std::string& path,
                     const std::vector<std::string>& allowed) {
    if (!value.is_object()) throw Problem(path, "not an object");
    for (const auto& [key, member] : value.items()) {
      bool known = false;
      for (const auto& name : allowed) known = known || name == key;
      if (!known) throw Problem(Key(path, key), "unknown key");
    }
  }

  static void Array(const Json& value, const std::string& path) {
    if (!value.is_array()) throw Problem(path, "not an array");
  }

  static const Json* Find(const Json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
  }

  static std::string Text(const Json& value, const std::string& path) {
    if (!value.is_string()) throw Problem(path, "not a text");
    return value.get<std::string>();
  }

  static std::string Name(const Json& value, const std::string& path) {
    std::string name = Text(value, path);
    if (name.empty()) throw Problem(path, "empty");
    // Every C interface below (SQLite's texts, paths, logs) would cut the
    // name there.
    if (name.find('\0') != std::string::npos) throw Problem(path, "holds a NUL character");
    return name;
  }

  static DateTime Date(const Json& value, const std::string& path) {
    std::optional<DateTime> date =
        value.is_string() ? DateTime::Parse(value.get<std::string>()) : std::nullopt;
    if (!date) throw Problem(path, "not a date");
    return *date;
  }

  static int Type(const Json& folder, const std::string& path) {
    const Json* type = Find(folder, "type");
    if (type == nullptr) return 0;
    if (!type->is_number_integer() || type->get<std::int64_t>() < 0 ||
        type->get<std::int64_t>() > 6) {
      throw Problem(Key(path, "type"), "not a default item type (0 to 6)");
    }
    return type->get<int>();
  }

  static std::vector<std::string> Faults(const Json& owner, const std::string& path) {
    std::vector<std::string> faults;
    const Json* list = Find(owner, "faults");
    if (list == nullptr) return faults;
    std::string listPath = Key(path, "faults");
    Array(*list, listPath);
    for (std::size_t i = 0; i < list->size(); ++i) {
      std::string fault = Text((*list)[i], Index(listPath, i));
      std::string problem = FaultList::Check(fault);
      if (!problem.empty()) throw Problem(Index(listPath, i), problem);
      faults.push_back(std::move(fault));
    }
    return faults;
  }

  ProfileBuilder& builder_;
  std::unordered_map<std::string, std::int64_t> senders_;
};

}  // namespace

void LoadProfile(const std::string& profilePath, std::string_view jsonText) {
  Json document = PathTrackingParse().Parse(jsonText);
  std::error_code ignored;
  bool existed = std::filesystem::exists(profilePath, ignored);
  try {
    ProfileBuilder builder(profilePath);
    DocumentWalk(builder).Profile(document);
    builder.Commit();
  } catch (const Failure&) {
    // A profile that did not exist before stays absent.
    if (!existed) {
      for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(profilePath + suffix, ignored);
    }
    throw;
  }
}

}  // namespace tovask::outlook
