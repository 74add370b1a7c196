// The profile store's implementations of the access interface: sessions,
// stores, folders, items and address entries over one ProfileState.
//
// Fault points honoured (see FaultList), by the object that carries them:
//   store:         logon (Logon fails), read:Name (Name)
//   folder:        read:Name (Name), path (FolderPath), type
//                  (DefaultItemType), subfolders (GetFolders), items
//                  (GetItems), addFolder (adding a subfolder to it), save
//                  (saving any item into it), copy (copying any item into
//                  it), remove (removing any of its items)
//   item:          read:NAME (GetProperty, and EntryID, Subject and
//                  LastModificationTime for their names), write:NAME
//                  (SetProperty), save, copy (CopyTo), remove (Remove at its
//                  position), sender (Sender), type (KindName)
//   address entry: read:NAME for its eleven properties (Name, Address, Type,
//                  SMTPAddress, FirstName, LastName, JobTitle, AssistantName,
//                  BusinessTelephoneNumber, MobileTelephoneNumber,
//                  StreetAddress)
// A fault raises Failure("ProfileStore", -2147467259, "Fault '<name>' on
// <object>").
//
// On a read-only store every write raises (no access): Items::Add,
// SetProperty, Save, CopyTo into it, Remove, adding a subfolder. A snapshot
// session refuses the same writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "outlook/outlook.h"
#include "profile_store/item_rows.h"
#include "profile_store/profile_state.h"

namespace tovask::outlook {

using StatePtr = std::shared_ptr<ProfileState>;

std::unique_ptr<Folder> MakeStoreFolder(const StatePtr& state, std::int64_t folderId);
std::unique_ptr<Items> MakeStoreItems(const StatePtr& state, std::int64_t folderId);
std::unique_ptr<Item> MakeStoreItem(const StatePtr& state, ItemRow row, bool readOnly);
std::unique_ptr<AddressEntry> MakeStoreAddressEntry(std::shared_ptr<const AddressEntryRow> entry);

// The folder id behind a folder of this backend; raises (invalid argument)
// for a folder of another session or backend.
std::int64_t StoreFolderId(const StatePtr& state, Folder& folder);

// "folder \\Store\Path", "item <entry id>" and the like, for failure texts.
std::string DescribeFolder(const ProfileState& state, const FolderRow& folder);

// Raises (no access) when the folder's store is read-only or the session a
// snapshot.
void CheckFolderWritable(ProfileState& state, const FolderRow& folder);
// Raises the fault ("save", "read:Name", ...) when the folder is marked to
// fail it.
void CheckFolderFault(const ProfileState& state, const FolderRow& folder, std::string_view fault);

}  // namespace tovask::outlook
