#include "profile_store/profile_schema.h"

#include <cstdlib>

#include "outlook/entry_id.h"
#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {
constexpr char kFormat[] = "1";
}

void CreateProfileSchema(SqliteConnection& connection) {
  connection.Exec(R"sql(
    CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
    CREATE TABLE IF NOT EXISTS stores(
      id INTEGER PRIMARY KEY, name TEXT NOT NULL, folded TEXT NOT NULL,
      read_only INTEGER NOT NULL, faults TEXT NOT NULL);
    CREATE TABLE IF NOT EXISTS folders(
      id INTEGER PRIMARY KEY, store_id INTEGER NOT NULL, parent_id INTEGER NOT NULL,
      name TEXT NOT NULL, folded TEXT NOT NULL, item_type INTEGER NOT NULL,
      faults TEXT NOT NULL, version INTEGER NOT NULL DEFAULT 0);
    CREATE INDEX IF NOT EXISTS folders_by_name ON folders(parent_id, folded);
    CREATE TABLE IF NOT EXISTS items(
      id INTEGER PRIMARY KEY, folder_id INTEGER NOT NULL, entry_id TEXT NOT NULL UNIQUE,
      class TEXT NOT NULL, created INTEGER NOT NULL, modified INTEGER NOT NULL,
      sender_id INTEGER NOT NULL, faults TEXT NOT NULL, props BLOB NOT NULL);
    CREATE INDEX IF NOT EXISTS items_by_folder ON items(folder_id, id);
    CREATE TABLE IF NOT EXISTS address_entries(
      id INTEGER PRIMARY KEY, name TEXT NOT NULL, address TEXT NOT NULL, type TEXT NOT NULL,
      smtp_address TEXT NOT NULL, first_name TEXT NOT NULL, last_name TEXT NOT NULL,
      job_title TEXT NOT NULL, assistant_name TEXT NOT NULL,
      business_telephone_number TEXT NOT NULL, mobile_telephone_number TEXT NOT NULL,
      street_address TEXT NOT NULL, faults TEXT NOT NULL);
  )sql");
  CreateDataFileTable(connection);
  Statement insert(connection.db(), "INSERT OR IGNORE INTO meta(key, value) VALUES (?1, ?2)");
  insert.Bind(1, "format").Bind(2, kFormat).Run();
  insert.Bind(1, "prefix").Bind(2, EntryIdPrefixText(RandomEntryIdPrefix()), true).Run();
  insert.Bind(1, "next_entry").Bind(2, "1").Run();
}

void DropProfileTables(SqliteConnection& connection) {
  connection.Exec(
      "DROP TABLE IF EXISTS items; DROP TABLE IF EXISTS address_entries; "
      "DROP TABLE IF EXISTS data_files; "
      "DROP TABLE IF EXISTS folders; DROP TABLE IF EXISTS stores; DROP TABLE IF EXISTS meta;");
}

bool IsEmptyDatabase(SqliteConnection& connection) {
  try {
    Statement tables(connection.db(), "SELECT count(*) FROM sqlite_master");
    return tables.Step() && tables.Int(0) == 0;
  } catch (const Failure&) {
    return false;  // no database at all; CheckProfileSchema says so
  }
}

void CheckProfileSchema(SqliteConnection& connection) {
  bool ok = false;
  try {
    Statement format(connection.db(), "SELECT value FROM meta WHERE key = 'format'");
    ok = format.Step() && format.Text(0) == kFormat;
  } catch (const Failure& failure) {
    // A file of another kind has no meta table, or is no database at all;
    // say what the file is not rather than what SQLite missed.
    if (failure.number() != SQLITE_ERROR && failure.number() != SQLITE_NOTADB) throw;
  }
  if (!ok) {
    throw StoreFailure(kCallFailed, "The file " + connection.path() + " is not a tovask profile");
  }
}

void CreateDataFileTable(SqliteConnection& connection) {
  connection.Exec(
      "CREATE TABLE IF NOT EXISTS data_files(store_id INTEGER PRIMARY KEY, path TEXT NOT NULL, "
      "record_key TEXT NOT NULL)");
}

bool HasDataFileTable(SqliteConnection& connection) {
  Statement table(connection.db(),
                  "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'data_files'");
  return table.Step();
}

void WriteMeta(SqliteConnection& connection, const std::string& key, const std::string& value) {
  Statement update(connection.db(), "INSERT OR REPLACE INTO meta(key, value) VALUES (?1, ?2)");
  update.Bind(1, key).Bind(2, value).Run();
}

std::string DefaultProfilePath() {
  auto variable = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
  };
  if (std::string path = variable("TOVASK_PROFILE"); !path.empty()) return path;
  if (std::string dataHome = variable("XDG_DATA_HOME"); !dataHome.empty()) {
    return dataHome + "/tovask/profile.db";
  }
  if (std::string home = variable("HOME"); !home.empty()) {
    return home + "/.local/share/tovask/profile.db";
  }
  // Without any of them the profile would be looked for below the root
  // folder, which is nobody's.
  throw StoreFailure(kNotFound,
                     "No profile can be found: none of TOVASK_PROFILE, XDG_DATA_HOME and HOME is "
                     "set");
}

}  // namespace tovask::outlook
