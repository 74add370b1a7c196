// The tables of a profile file.
//
//   meta(key, value)            "format" = 1, "prefix" = the entry
//                               identifier prefix (32 hex), "next_entry" =
//                               the next identifier counter
//   stores(id, name, folded, read_only, faults)
//                               names need not be unique
//   folders(id, store_id, parent_id (0 for a root), name, folded, item_type,
//           faults, version)    sibling names need not be unique (only
//                               Folders::Add refuses a taken one); version
//                               grows with every item added or
//                               removed, so a session can keep a folder's
//                               item order while it is unchanged
//   items(id, folder_id, entry_id UNIQUE, class, created, modified,
//         sender_id (0: none), faults, props)
//                               one row per item; props is the item's
//                               PropertyRecord; the order within a folder is
//                               the id order (index on folder_id, id)
//   data_files(store_id, path, record_key)
//                               the stores that are attached Outlook data
//                               files (read-only, without folders here): the
//                               file's absolute path and record key; profiles
//                               made before files could be attached lack the
//                               table
//   address_entries(id, name, address, type, smtp_address, first_name,
//         last_name, job_title, assistant_name, business_telephone_number,
//         mobile_telephone_number, street_address, faults)
//
// Dates are seconds since 1970-01-01 00:00:00 local time; fault lists are
// the names joined by line feeds (FaultList).
#pragma once

#include <string>

#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

// The columns of address_entries after its id: the eleven texts in the
// order of AddressEntryData::Fields(), then faults.
inline constexpr char kAddressEntryColumns[] =
    "name, address, type, smtp_address, first_name, last_name, job_title, assistant_name, "
    "business_telephone_number, mobile_telephone_number, street_address, faults";

// Creates the tables that are missing.
void CreateProfileSchema(SqliteConnection& connection);

// Drops every table of a profile, for a profile that is replaced whole.
void DropProfileTables(SqliteConnection& connection);

// True when the file holds no table at all (a new or empty file); false
// for a file that is no database.
bool IsEmptyDatabase(SqliteConnection& connection);

// Raises, naming the path, unless the file holds a profile of this format.
// Only reads, so a file of another kind is left as it was.
void CheckProfileSchema(SqliteConnection& connection);

// Creates the table of attached data files when it is missing.
void CreateDataFileTable(SqliteConnection& connection);
// True when the profile has the table of attached data files.
bool HasDataFileTable(SqliteConnection& connection);

// Sets a meta value.
void WriteMeta(SqliteConnection& connection, const std::string& key, const std::string& value);

// TOVASK_PROFILE, else $XDG_DATA_HOME/tovask/profile.db, else
// $HOME/.local/share/tovask/profile.db (unset and empty variables alike
// skipped). Raises (not found) when none of the three is set.
std::string DefaultProfilePath();

}  // namespace tovask::outlook
