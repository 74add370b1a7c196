// A thin owner of one SQLite connection and its prepared statements.
//
// Every SQLite result code other than success becomes a tovask::Failure with
// the source "SQLite", the result code as its number and the connection's
// error message, raised right where the call failed.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "main/failure.h"

namespace tovask::outlook {

// Failure("SQLite", rc, message of the connection (or of rc without one)).
Failure SqliteFailure(sqlite3* db, int rc);

// A prepared statement, reset and cleared for reuse by Reset(). Column
// accessors are 0-based and valid after Step() returned true.
class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, std::string_view sql);  // raises on a bad statement
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binds are 1-based, as in SQL. Texts and blobs are copied by SQLite only
  // when `copy` is set; otherwise they must live until the next Reset().
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::string_view text, bool copy = false);
  Statement& BindBlob(int index, std::string_view bytes, bool copy = false);

  // True when a row is ready, false when the statement is done; raises on
  // any error (a busy profile only after the connection's busy timeout).
  bool Step();
  // Runs a statement that returns no rows, then resets it.
  void Run();
  void Reset();

  std::int64_t Int(int column) const;
  std::string_view Text(int column) const;  // valid until the next Step/Reset

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

// One connection to a profile file.
class SqliteConnection {
 public:
  // Opens the file read-write; with `create` a missing file is created,
  // without it a missing file raises (the description names the path).
  // Sets a busy timeout so that other processes' writes are waited for.
  // Writes nothing to the file: a file of another kind is only read until
  // UseProfileSettings().
  SqliteConnection(const std::string& path, bool create);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // The profile's settings: WAL journal, synchronous=NORMAL and the page
  // cache. Switching to WAL writes the file's header, so this comes only
  // once the file is known to be a profile (or a new one).
  void UseProfileSettings();

  // Starts a read transaction that lasts as long as the connection: every
  // read from here on sees the file as it was at the first one, whatever
  // other processes commit meanwhile (WAL keeps that state for it and never
  // makes a writer wait). ReadTransaction does nothing inside it, and a
  // write transaction raises (no access).
  void HoldSnapshot();
  bool holdsSnapshot() const { return snapshot_; }

  // Called right after each write transaction has begun, with the write
  // lock held; a raise from it ends the transaction unwritten.
  void SetWriteGuard(std::function<void()> guard) { writeGuard_ = std::move(guard); }

  sqlite3* db() const { return db_; }
  const std::string& path() const { return path_; }
  void Exec(std::string_view sql);
  std::int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
  int Changes() const { return sqlite3_changes(db_); }

  // The statements of WriteTransaction, prepared once: a session saves
  // items one transaction at a time. Inside a held write transaction they
  // are a savepoint, its release and the rollback to it instead: each
  // write still succeeds or fails whole, and what reaches the file is
  // decided by the held transaction.
  void Begin();
  void Commit();
  void Rollback() noexcept;

  // A write transaction held across many writes (a session's change
  // group): BEGIN IMMEDIATE, waiting for other writers up to the busy
  // timeout, and the write guard. Raises on a snapshot connection (no
  // access) and when one is held already.
  void BeginHeld();
  // Commits it. Raises when none is held, when an earlier failure made
  // SQLite end it (it is then gone with all of its writes), and when the
  // commit fails; in every case nothing of it stays and none is held
  // afterwards.
  void CommitHeld();
  // Rolls it back, when one is held.
  void RollbackHeld() noexcept;
  bool holdsWrite() const { return held_ != Held::kNone; }

 private:
  // kLost: SQLite ended the held transaction on a failure (a full disk, an
  // I/O error). Every write raises from then on, since it would be
  // committed on its own, until the holder commits (which raises) or rolls
  // back.
  enum class Held { kNone, kOpen, kLost };

  void BeginImmediate();
  Failure HeldLost() const;

  sqlite3* db_ = nullptr;
  std::string path_;
  Statement begin_, commit_, savepoint_, release_;
  bool snapshot_ = false;
  Held held_ = Held::kNone;
  std::function<void()> writeGuard_;
};

// A write transaction: BEGIN IMMEDIATE takes the write lock at once (waiting
// for other writers up to the busy timeout), so a transaction never fails
// half-way on a lock. Rolled back on destruction unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(SqliteConnection& connection);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  SqliteConnection& connection_;
  bool open_ = true;
};

// A read transaction, so that several statements see one state of the
// file. Ended on destruction. Inside a transaction that is open already (a
// held snapshot) it does nothing: that one already gives one state.
class ReadTransaction {
 public:
  explicit ReadTransaction(SqliteConnection& connection);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  SqliteConnection& connection_;
  bool began_ = false;
};

}  // namespace tovask::outlook
