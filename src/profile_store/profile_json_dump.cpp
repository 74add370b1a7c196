// DumpProfile: the profile file as a JSON document (see profile_json.h).
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "outlook/store_failure.h"
#include "profile_store/fault_list.h"
#include "profile_store/profile_builder.h"
#include "profile_store/profile_json.h"
#include "profile_store/profile_schema.h"
#include "profile_store/property_record.h"
#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

namespace {

// A JSON string literal; bytes that are not UTF-8 become U+FFFD rather than
// failing the whole dump.
std::string Quoted(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string DateText(std::int64_t seconds) {
  return Quoted(DateTime::FromUnixSeconds(seconds).ToGeneralText());
}

std::string FaultsJson(std::string_view stored) {
  std::string json = "[";
  FaultList faults(stored);
  const auto& names = faults.names();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) json += ", ";
    json += Quoted(names[i]);
  }
  return json + "]";
}

// Folders are written over several indented lines, each item on one line,
// so that large dumps stay compact and compare well line by line.
class DumpWriter {
 public:
  explicit DumpWriter(SqliteConnection& connection)
      : connection_(connection),
        folders_(
            connection.db(),
            "SELECT id, name, item_type, faults FROM folders WHERE parent_id = ?1 ORDER BY id"),
        items_(connection.db(),
               "SELECT entry_id, class, created, modified, sender_id, faults, props FROM items "
               "WHERE folder_id = ?1 ORDER BY id"),
        entry_(connection.db(), std::string("SELECT ") + kAddressEntryColumns +
                                    " FROM address_entries WHERE id = ?1") {}

  std::string Dump() {
    out_ = "{\n  \"stores\": [";
    Statement stores(
        connection_.db(),
        std::string("SELECT s.name, s.read_only, s.faults, f.id, f.item_type, f.faults, ") +
            (HasDataFileTable(connection_) ? "d.path" : "NULL") +
            " FROM stores s LEFT JOIN folders f ON f.store_id = s.id AND f.parent_id = 0" +
            (HasDataFileTable(connection_) ? " LEFT JOIN data_files d ON d.store_id = s.id" : "") +
            " ORDER BY s.id");
    bool first = true;
    while (stores.Step()) {
      bool dataFile = !stores.Text(6).empty();
      if (!dataFile && stores.Int(3) == 0) continue;  // a store without its root folder
      out_ += first ? "\n" : ",\n";
      first = false;
      std::string name(stores.Text(0));
      out_ += "    {\n      \"name\": " + Quoted(name) + ",\n";
      if (dataFile) {
        out_ += "      \"dataFile\": " + Quoted(stores.Text(6)) + "\n    }";
        continue;
      }
      out_ += "      \"readOnly\": " + std::string(stores.Int(1) != 0 ? "true" : "false") + ",\n";
      out_ += "      \"faults\": " + FaultsJson(stores.Text(2)) + ",\n";
      out_ += "      \"root\": ";
      Folder(stores.Int(3), name, stores.Int(4), std::string(stores.Text(5)), 0);
      out_ += "\n    }";
    }
    out_ += first ? "]\n}\n" : "\n  ]\n}\n";
    return std::move(out_);
  }

 private:
  // `depth`: levels below the store's root folder.
  void Folder(std::int64_t id, const std::string& name, std::int64_t type,
              const std::string& faults, int depth) {
    const int indent = 6 + 4 * depth;
    std::string pad(indent + 2, ' ');
    out_ += "{\n" + pad + "\"name\": " + Quoted(name) + ",\n";
    out_ += pad + "\"type\": " + std::to_string(type) + ",\n";
    out_ += pad + "\"faults\": " + FaultsJson(faults) + ",\n";
    out_ += pad + "\"folders\": [";
    // Subfolders first read whole, so that the statement is free for the
    // recursion.
    struct Child {
      std::int64_t id;
      std::string name;
      std::int64_t type;
      std::string faults;
    };
    std::vector<Child> children;
    folders_.Bind(1, id);
    while (folders_.Step()) {
      children.push_back({folders_.Int(0), std::string(folders_.Text(1)), folders_.Int(2),
                          std::string(folders_.Text(3))});
    }
    folders_.Reset();
    if (!children.empty() && depth == kMaxFolderDepth) {
      // Only a file written by other means holds such folders; a document
      // that load would refuse is not written.
      throw StoreFailure(kCallFailed, "The profile holds folders nested deeper than " +
                                          std::to_string(kMaxFolderDepth) +
                                          " levels below their store");
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
      out_ += (i == 0 ? "\n" : ",\n") + pad + "  ";
      Folder(children[i].id, children[i].name, children[i].type, children[i].faults, depth + 1);
    }
    out_ += children.empty() ? "],\n" : "\n" + pad + "],\n";
    out_ += pad + "\"items\": [";
    items_.Bind(1, id);
    bool first = true;
    while (items_.Step()) {
      out_ += (first ? "\n" : ",\n") + pad + "  ";
      first = false;
      Item();
    }
    items_.Reset();
    out_ += first ? "]\n" : "\n" + pad + "]\n";
    out_ += std::string(indent, ' ') + "}";
  }

  void Item() {
    out_ += "{\"class\": " + Quoted(items_.Text(1));
    out_ += ", \"entryId\": " + Quoted(items_.Text(0));
    out_ += ", \"created\": " + DateText(items_.Int(2));
    out_ += ", \"modified\": " + DateText(items_.Int(3));
    out_ += ", \"props\": {";
    PropertyRecord record{std::string(items_.Text(6))};
    bool first = true;
    record.ForEach([&](PropertyId id, std::string_view bytes) {
      const PropertyInfo& info = PropertyAt(id);
      out_ += first ? "" : ", ";
      first = false;
      out_ += Quoted(info.name) + ": ";
      Value value = DecodeValue(info.kind, bytes);
      if (const auto* text = std::get_if<std::string>(&value)) {
        out_ += Quoted(*text);
      } else if (const auto* date = std::get_if<DateTime>(&value)) {
        out_ += Quoted(date->ToGeneralText());
      } else if (const auto* number = std::get_if<std::int64_t>(&value)) {
        out_ += std::to_string(*number);
      } else if (const auto* flag = std::get_if<bool>(&value)) {
        out_ += *flag ? "true" : "false";
      }
    });
    out_ += "}";
    if (std::int64_t senderId = items_.Int(4); senderId != 0) {
      const std::string& sender = Sender(senderId);
      if (!sender.empty()) out_ += ", \"sender\": " + sender;
    }
    if (!items_.Text(5).empty()) out_ += ", \"faults\": " + FaultsJson(items_.Text(5));
    out_ += "}";
  }

  // The entry as JSON (empty when there is none), written once per entry.
  const std::string& Sender(std::int64_t id) {
    auto [found, added] = senders_.try_emplace(id);
    if (!added) return found->second;
    entry_.Bind(1, id);
    if (entry_.Step()) {
      std::string json = "{";
      constexpr int kTexts = static_cast<int>(std::size(kAddressEntryKeys));
      for (int i = 0; i < kTexts; ++i) {
        if (entry_.Text(i).empty()) continue;
        if (json.size() > 1) json += ", ";
        json += Quoted(kAddressEntryKeys[i]) + ": " + Quoted(entry_.Text(i));
      }
      if (!entry_.Text(kTexts).empty()) {
        if (json.size() > 1) json += ", ";
        json += "\"faults\": " + FaultsJson(entry_.Text(kTexts));
      }
      found->second = json + "}";
    }
    entry_.Reset();
    return found->second;
  }

  SqliteConnection& connection_;
  Statement folders_, items_, entry_;
  std::unordered_map<std::int64_t, std::string> senders_;
  std::string out_;
};

}  // namespace

std::string DumpProfile(const std::string& profilePath) {
  SqliteConnection connection(profilePath, /*create=*/false);
  CheckProfileSchema(connection);
  ReadTransaction snapshot(connection);
  return DumpWriter(connection).Dump();
}

}  // namespace tovask::outlook
