#include "profile_store/attached_files.h"

#include <filesystem>

#include "main/case_fold.h"
#include "main/failure.h"
#include "outlook/store_failure.h"
#include "profile_store/profile_schema.h"
#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

namespace {

// An open profile, known to be one before anything is written to it.
struct OpenProfile {
  explicit OpenProfile(const std::string& path) : connection(path, /*create=*/false) {
    CheckProfileSchema(connection);
    connection.UseProfileSettings();
  }
  SqliteConnection connection;
};

}  // namespace

std::string DataFileStoreName(const std::string& given, const DataFileIdentity& identity,
                              const std::string& path) {
  if (!given.empty()) return given;
  if (!identity.displayName.empty()) return identity.displayName;
  return std::filesystem::path(path).stem().string();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

std::string AttachDataFile(const std::string& profilePath, const std::string& filePath,
                           const std::string& name) {
  OpenProfile profile(profilePath);
  std::string path = AbsolutePath(filePath);
  DataFileIdentity identity = InspectDataFile(path);
  std::string storeName = DataFileStoreName(name, identity, path);
  if (storeName.empty()) throw StoreFailure(kInvalidArgument, "A store needs a name");
  if (storeName.find('\0') != std::string::npos) {
    throw StoreFailure(kInvalidArgument, "A store name cannot hold a NUL character");
  }
  SqliteConnection& connection = profile.connection;
  WriteTransaction transaction(connection);
  CreateDataFileTable(connection);
  if (!identity.recordKey.empty()) {
    Statement same(connection.db(),
                   "SELECT s.name, d.path FROM data_files d JOIN stores s ON s.id = d.store_id "
                   "WHERE d.record_key = ?1");
    if (same.Bind(1, identity.recordKey).Step()) {
      throw StoreFailure(kCollision, "the same data file is attached already as store '" +
                                         std::string(same.Text(0)) + "' (" +
                                         std::string(same.Text(1)) + ")");
    }
  }
  Statement insertStore(
      connection.db(),
      "INSERT INTO stores(name, folded, read_only, faults) VALUES (?1, ?2, 1, '')");
  insertStore.Bind(1, storeName).Bind(2, FoldCase(storeName)).Run();
  Statement insertFile(connection.db(),
                       "INSERT INTO data_files(store_id, path, record_key) VALUES (?1, ?2, ?3)");
  insertFile.Bind(1, connection.LastInsertId()).Bind(2, path).Bind(3, identity.recordKey).Run();
  transaction.Commit();
  return storeName;
}

void DetachDataFile(const std::string& profilePath, const std::string& name) {
  OpenProfile profile(profilePath);
  SqliteConnection& connection = profile.connection;
  std::string folded = FoldCase(name);
  WriteTransaction transaction(connection);
  std::int64_t storeId = 0;
  if (HasDataFileTable(connection)) {
    Statement attached(connection.db(),
                       "SELECT s.id FROM stores s JOIN data_files d ON d.store_id = s.id "
                       "WHERE s.folded = ?1 ORDER BY s.id LIMIT 1");
    if (attached.Bind(1, folded).Step()) storeId = attached.Int(0);
  }
  if (storeId == 0) {
    throw StoreFailure(kNotFound, "No attached data file has the store name '" + name + "'");
  }
  Statement removeFile(connection.db(), "DELETE FROM data_files WHERE store_id = ?1");
  removeFile.Bind(1, storeId).Run();
  Statement removeStore(connection.db(), "DELETE FROM stores WHERE id = ?1");
  removeStore.Bind(1, storeId).Run();
  transaction.Commit();
}

}  // namespace tovask::outlook
