// The Outlook access interface: sessions, stores, folders, items and address
// entries, with the behaviour the operations rely on.
//
// It mirrors the calls the program makes of an Outlook access library, and
// nothing more. Backends live behind it: the embedded profile store
// (src/profile_store) is the default, see CreateSession(), and Outlook data
// files attached to a profile are read by src/pst. Nothing outside
// src/outlook and the backends knows which backend an object comes from.
//
// Every failure is raised as a tovask::Failure (source, number, description),
// never returned as a result to test. Objects handed out are owned by the
// caller and stay usable while the session that made them lives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "main/date_time.h"
#include "main/value.h"

namespace tovask::outlook {

// Default item types of folders.
enum ItemType : int {
  kMailItem = 0,
  kAppointmentItem = 1,
  kContactItem = 2,
  kTaskItem = 3,
  kJournalItem = 4,
  kNoteItem = 5,
  kPostItem = 6,
};

// Folder type numbers accepted by Folders::Add.
enum FolderType : int {
  kFolderInbox = 6,  // a mail folder
  kFolderCalendar = 9,
  kFolderContacts = 10,
  kFolderJournal = 11,
  kFolderNotes = 12,
  kFolderTasks = 13,
};

// How deep folders nest at most below a store's root folder: far beyond any
// real profile, and a bound on every walk down a tree.
inline constexpr int kMaxFolderDepth = 300;

class Folder;

// A sender or recipient in the address book. Each read may raise (a fault or
// a broken entry); unset values read as empty text.
class AddressEntry {
 public:
  virtual ~AddressEntry() = default;
  virtual std::string Name() = 0;
  virtual std::string Address() = 0;
  virtual std::string Type() = 0;
  virtual std::string SMTPAddress() = 0;
  virtual std::string FirstName() = 0;
  virtual std::string LastName() = 0;
  virtual std::string JobTitle() = 0;
  virtual std::string AssistantName() = 0;
  virtual std::string BusinessTelephoneNumber() = 0;
  virtual std::string MobileTelephoneNumber() = 0;
  virtual std::string StreetAddress() = 0;
};

class Item {
 public:
  virtual ~Item() = default;

  // "RDOContactItem", "RDODistListItem", "RDOMail", ... by message class.
  virtual std::string KindName() = 0;

  // Reads a property by name, matched without regard to case. Dates come back
  // as DateTime (an unset date as 4501-01-01 00:00:00), numbers as int64_t,
  // booleans as bool, texts as std::string (unset: empty). Raises for a name
  // the item does not have.
  virtual Value GetProperty(std::string_view name) = 0;

  // Writes a property by name. The empty string clears a text; the zero date
  // or any date from 4501-01-01 on clears a date. Raises for an unknown or
  // read-only property and a value of the wrong kind. Takes effect in the
  // store at Save().
  virtual void SetProperty(std::string_view name, const Value& value) = 0;

  // Stores the item in one committed transaction (inside a change group:
  // in the group, see Session::BeginChanges). A new item joins its folder,
  // at the end of the order, at its first save and gets its entry
  // identifier then. Raises on a read-only store.
  virtual void Save() = 0;

  // 48 uppercase hexadecimal characters; empty for a new item until its
  // first save.
  virtual std::string EntryID() = 0;

  // Copies the saved item into the folder; the copy has a new entry
  // identifier and the same properties. The item itself stays where it is.
  virtual void CopyTo(Folder& folder) = 0;

  // Mail items: the sender, or nullptr when the message has none.
  virtual std::unique_ptr<AddressEntry> Sender() = 0;
  virtual std::string Subject() = 0;
  virtual DateTime LastModificationTime() = 0;
};

// A folder's items, in the store's order; positions are 1-based and shift
// down when an item is removed. A collection shows the folder as it was when
// fetched, with this session's own changes; fetch it again (Folder::GetItems)
// to see what other processes changed since.
class Items {
 public:
  virtual ~Items() = default;
  virtual std::int32_t Count() = 0;
  // The item at 1-based `index`; raises when there is none.
  virtual std::unique_ptr<Item> GetItem(std::int32_t index) = 0;
  // The first item matching the filter "EntryID = '<id>'" (a quote inside the
  // value doubled); nullptr when none matches. Any other filter raises.
  virtual std::unique_ptr<Item> Find(std::string_view filter) = 0;
  // A new, unsaved item of the message class ("IPM.Contact"). Raises (no
  // access) at once on a read-only store or session.
  virtual std::unique_ptr<Item> Add(std::string_view messageClass) = 0;
  // Deletes the item at 1-based `index` for good.
  virtual void Remove(std::int32_t index) = 0;
};

// A folder's subfolders, in the store's order.
class Folders {
 public:
  virtual ~Folders() = default;
  virtual std::int32_t Count() = 0;
  // The subfolder at 1-based `index`; raises when there is none.
  virtual std::unique_ptr<Folder> GetFolder(std::int32_t index) = 0;
  // Adds a subfolder of the folder type (kFolderContacts, ...). Raises when a
  // subfolder of that name (without regard to case) exists already, and
  // when the new folder would lie more than kMaxFolderDepth levels below
  // its store's root folder.
  virtual std::unique_ptr<Folder> Add(std::string_view name, int folderType) = 0;
};

class Folder {
 public:
  virtual ~Folder() = default;
  virtual std::string Name() = 0;
  // "\\Store\Folder\Subfolder"; a backslash inside a name is written %5C.
  virtual std::string FolderPath() = 0;
  // The parent folder; nullptr for a store's root folder.
  virtual std::unique_ptr<Folder> Parent() = 0;
  // One of ItemType.
  virtual int DefaultItemType() = 0;
  virtual std::unique_ptr<Folders> GetFolders() = 0;
  virtual std::unique_ptr<Items> GetItems() = 0;
  // Raises what a write into the folder would raise because of where it is
  // (a read-only store, an attached data file, a session or profile that
  // cannot write), so that a caller can refuse a task before its first
  // change instead of failing part way. Returns when the folder's items and
  // subfolders may be written.
  virtual void CheckWritable() = 0;
};

class Store {
 public:
  virtual ~Store() = default;
  // Any text: several stores of a profile may have the same name.
  virtual std::string Name() = 0;
  // The root folder: named like the store, path "\\" + store name.
  virtual std::unique_ptr<Folder> RootFolder() = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  // Opens the default profile. Raises when it is missing, unreadable or not
  // a profile (a file that is not one is left as it was).
  virtual void Logon() = 0;
  // The folder at the path, names matched without regard to case; among
  // stores, and among sibling folders, of equal names the first in the
  // profile's order. Raises when there is no such folder.
  virtual std::unique_ptr<Folder> GetFolderFromPath(std::string_view path) = 0;
  // The message stores of the profile, in the profile's order.
  virtual std::vector<std::unique_ptr<Store>> Stores() = 0;

  // A change group: from BeginChanges() to CommitChanges() every write of
  // this session (Save, CopyTo, Items::Remove, Folders::Add) goes into one
  // change of the profile. The session's own reads and finds see the
  // group's writes at once; other sessions see none of them until
  // CommitChanges() makes them all visible together. A group that is rolled
  // back, or whose process ends before the commit, leaves the profile
  // exactly as it was. Each write inside a group still succeeds or fails
  // whole: a write that raises leaves the group as it was before it.
  // Outside a group every write is committed on its own, as each call says.
  //
  // While a group is open, other sessions' writes wait for it (up to their
  // busy timeout); reads never wait. Objects handed out while a group was
  // open that was then rolled back are stale: their Save and CopyTo raise
  // (not found), so an item made in the group can never come back.
  //
  // BeginChanges raises when a group is open already, on a snapshot session
  // (no access), before Logon(), when the profile was replaced, and when
  // another writer holds the profile longer than the busy timeout.
  // CommitChanges raises when no group is open or the changes cannot be
  // stored; the group is then rolled back, so nothing of it stays.
  // RollbackChanges does nothing without an open group.
  // A backend that cannot group writes (read-only data files) keeps the
  // defaults, which do nothing.
  virtual void BeginChanges() {}
  virtual void CommitChanges() {}
  virtual void RollbackChanges() noexcept {}
};

// A change group of `session` for one scope: begun by the constructor,
// rolled back by the destructor unless Commit() succeeded. Raises what
// BeginChanges and CommitChanges raise.
class ChangeGroup {
 public:
  explicit ChangeGroup(Session& session) : session_(session) { session_.BeginChanges(); }
  ~ChangeGroup() {
    if (open_) session_.RollbackChanges();
  }
  ChangeGroup(const ChangeGroup&) = delete;
  ChangeGroup& operator=(const ChangeGroup&) = delete;

  void Commit() {
    open_ = false;  // a failed commit has rolled the group back already
    session_.CommitChanges();
  }

 private:
  Session& session_;
  bool open_ = true;
};

enum class SessionMode {
  // Reads and writes; sees what other processes commit as it goes. When the
  // whole profile is replaced meanwhile (tovask-store load), every later
  // call that would touch it raises "The profile ... was replaced ..."
  // instead of mixing the new profile's data with the old.
  kReadWrite,
  // Reads one state of the profile, the one at Logon(), for the whole life
  // of the session, whatever other processes write or load meanwhile (and
  // without ever making them wait). Every write raises (no access). For
  // operations that only read: a listing, an export, a harvest.
  kSnapshot,
};

// A new session of the default backend, not yet logged on. The profile it
// opens at Logon() is the file named by TOVASK_PROFILE, else
// $XDG_DATA_HOME/tovask/profile.db, else ~/.local/share/tovask/profile.db.
std::unique_ptr<Session> CreateSession(SessionMode mode = SessionMode::kReadWrite);

}  // namespace tovask::outlook
