#include "profile_store/sqlite_connection.h"

#include <sys/stat.h>

#include <utility>

#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {
// Long enough to outlast any single save or bulk load of another process.
constexpr int kBusyTimeoutMs = 60000;
}  // namespace

Failure SqliteFailure(sqlite3* db, int rc) {
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  return Failure("SQLite", rc, message != nullptr ? message : sqlite3_errstr(rc));
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (rc != SQLITE_OK) throw SqliteFailure(db, rc);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    db_ = std::exchange(other.db_, nullptr);
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
  int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) throw SqliteFailure(db_, rc);
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text, bool copy) {
  int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(),
                               copy ? SQLITE_TRANSIENT : SQLITE_STATIC, SQLITE_UTF8);
  if (rc != SQLITE_OK) throw SqliteFailure(db_, rc);
  return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes, bool copy) {
  // A zero-length blob must still be a blob, not NULL, so never hand over a
  // null pointer.
  static const char kEmpty = 0;
  const char* data = bytes.empty() ? &kEmpty : bytes.data();
  int rc = sqlite3_bind_blob64(stmt_, index, data, bytes.size(),
                               copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
  if (rc != SQLITE_OK) throw SqliteFailure(db_, rc);
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Failure failure = SqliteFailure(db_, rc);
  sqlite3_reset(stmt_);
  throw failure;
}

void Statement::Run() {
  try {
    while (Step()) {
    }
  } catch (const Failure&) {
    sqlite3_clear_bindings(stmt_);
    throw;
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string_view Statement::Text(int column) const {
  // Blob access keeps the bytes as stored (no text conversion); the pointer
  // must be taken before the size.
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr) return {};
  return std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

SqliteConnection::SqliteConnection(const std::string& path, bool create) : path_(path) {
  if (!create) {
    // SQLite's own message for a missing file ("unable to open database
    // file") does not say which file; the caller needs to know.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
      throw StoreFailure(kNotFound, "The profile " + path + " does not exist");
    }
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    Failure failure = SqliteFailure(db_, rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw Failure(failure.source(), rc,
                  "Cannot open the profile " + path + ": " + failure.description());
  }
  sqlite3_extended_result_codes(db_, 0);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  try {
    begin_ = Statement(db_, "BEGIN IMMEDIATE");
    commit_ = Statement(db_, "COMMIT");
    savepoint_ = Statement(db_, "SAVEPOINT write");
    release_ = Statement(db_, "RELEASE write");
  } catch (...) {
    begin_ = Statement();
    commit_ = Statement();
    savepoint_ = Statement();
    release_ = Statement();
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

void SqliteConnection::UseProfileSettings() {
  Exec("PRAGMA journal_mode=WAL");
  // With WAL, NORMAL still never corrupts the file on a crash; it only
  // defers the fsync to checkpoints.
  Exec("PRAGMA synchronous=NORMAL");
  // Checkpoints (the only moments that wait for the disk under NORMAL)
  // come every few thousand single-item saves rather than every few
  // hundred.
  Exec("PRAGMA wal_autocheckpoint=8192");
  // Room for the entry identifier index of a large folder, so that finding
  // items by identifier in any order reads at most the item's own page.
  Exec("PRAGMA cache_size=-16384");
  // A write inside a change group is a savepoint, whose journal keeps the
  // pages the write changes until it is released: a few pages, kept in
  // memory rather than in a temporary file that costs a system call a page.
  Exec("PRAGMA temp_store=MEMORY");
}

void SqliteConnection::HoldSnapshot() {
  Exec("BEGIN");
  snapshot_ = true;
}

void SqliteConnection::Begin() {
  switch (held_) {
    case Held::kNone:
      BeginImmediate();
      return;
    case Held::kOpen:
      // The held transaction has the write lock, so the guard's answer
      // cannot have changed since it began.
      if (sqlite3_get_autocommit(db_) == 0) {
        savepoint_.Run();
        return;
      }
      held_ = Held::kLost;
      [[fallthrough]];
    case Held::kLost:
      throw HeldLost();
  }
}

void SqliteConnection::Commit() {
  if (held_ == Held::kOpen) {
    release_.Run();
  } else {
    commit_.Run();
  }
}

void SqliteConnection::Rollback() noexcept {
  // Results are of no use: when these fail, SQLite has ended the
  // transaction already (Begin and CommitHeld notice that of a held one).
  sqlite3_exec(db_, held_ == Held::kOpen ? "ROLLBACK TO write; RELEASE write" : "ROLLBACK", nullptr,
               nullptr, nullptr);
}

void SqliteConnection::BeginImmediate() {
  if (snapshot_) {
    throw StoreFailure(
        kNoAccess, "The session reads one state of the profile " + path_ + " and writes nothing");
  }
  begin_.Run();
  if (!writeGuard_) return;
  try {
    writeGuard_();
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

Failure SqliteConnection::HeldLost() const {
  return StoreFailure(kCallFailed, "The changes to the profile " + path_ +
                                       " were undone by an earlier failure; nothing was stored");
}

void SqliteConnection::BeginHeld() {
  if (held_ != Held::kNone) {
    throw StoreFailure(kCallFailed, "The session holds a group of changes already");
  }
  BeginImmediate();
  held_ = Held::kOpen;
}

void SqliteConnection::CommitHeld() {
  const Held held = std::exchange(held_, Held::kNone);
  if (held == Held::kNone) throw StoreFailure(kCallFailed, "The session holds no group of changes");
  if (held == Held::kLost || sqlite3_get_autocommit(db_) != 0) throw HeldLost();
  try {
    commit_.Run();
  } catch (...) {
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void SqliteConnection::RollbackHeld() noexcept {
  const Held held = std::exchange(held_, Held::kNone);
  if (held != Held::kNone && sqlite3_get_autocommit(db_) == 0) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

SqliteConnection::~SqliteConnection() {
  // Statements first: a connection with statements left does not close.
  begin_ = Statement();
  commit_ = Statement();
  savepoint_ = Statement();
  release_ = Statement();
  sqlite3_close(db_);
}

void SqliteConnection::Exec(std::string_view sql) {
  std::string text(sql);
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw SqliteFailure(db_, rc);
}

WriteTransaction::WriteTransaction(SqliteConnection& connection) : connection_(connection) {
  connection_.Begin();
}

WriteTransaction::~WriteTransaction() {
  if (open_) connection_.Rollback();
}

void WriteTransaction::Commit() {
  connection_.Commit();
  open_ = false;
}

ReadTransaction::ReadTransaction(SqliteConnection& connection) : connection_(connection) {
  if (sqlite3_get_autocommit(connection_.db()) == 0) return;
  connection_.Exec("BEGIN");
  began_ = true;
}

ReadTransaction::~ReadTransaction() {
  // Nothing was written, so ending it cannot lose anything.
  if (began_) sqlite3_exec(connection_.db(), "COMMIT", nullptr, nullptr, nullptr);
}

}  // namespace tovask::outlook
