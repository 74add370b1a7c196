// A whole profile as a JSON document: loading one into a profile file and
// dumping a profile file as one.
//
//   { "stores": [ { "name": "Personal Folders", "readOnly": false, "faults": [],
//                   "root": FOLDER },
//                 { "name": "Archive", "dataFile": "/home/anna/archive.pst" } ] }
//   FOLDER = { "name": "...", "type": 2, "folders": [FOLDER...],
//              "items": [ITEM...], "faults": [] }
//   ITEM   = { "class": "IPM.Contact", "entryId": "...",
//              "created": "YYYY-MM-DD HH:MM:SS", "modified": "...",
//              "props": { "FirstName": "Anna", "Birthday": "1980-05-01 00:00:00",
//                         "Gender": 2, "HasPicture": false },
//              "sender": ENTRY or null, "faults": [] }
//   ENTRY  = { "name", "address", "type", "smtpAddress", "firstName",
//              "lastName", "jobTitle", "assistantName",
//              "businessTelephoneNumber", "mobileTelephoneNumber",
//              "streetAddress": texts, "faults": [] }
//
// A store with "dataFile" is an attached Outlook data file (see
// attached_files.h): no "root" and no "faults"; "name" optional (the file's
// display name, else its file name without extension); load opens the file,
// keeps its absolute path and record key and refuses a file it cannot open
// or one attached twice.
//
// Key order is free. On load every key but a store's "name" and an item's
// "class" may be left out: a root folder's "name" (when given it must be the
// store's name), "type" (0, mail), "readOnly" (false), lists (empty),
// "entryId" (the store assigns one), "created" and "modified" (now),
// "sender" (none), an entry's texts (empty). Unknown keys are rejected. Props
// are the item's stored properties (see property_schema.h): dates as
// "YYYY-MM-DD HH:MM:SS" local time, Gender and SelectedMailingAddress as
// whole numbers, HasPicture and Journal as booleans, the rest as texts.
//
// Dump writes every store, folder and item in the profile's order, always
// with "entryId", "created" and "modified", only the properties that are set
// (never the computed or store-set ones), an item's "sender" and "faults"
// only when it has them, and a root folder's "name". Loading a dump and
// dumping again gives the same text.
#pragma once

#include <string>
#include <string_view>

namespace tovask::outlook {

// Replaces the whole profile at profilePath (created, with its folder, when
// missing) by the document. The document is checked whole first: a document
// that does not fit raises Failure("tovask-store", 1, "<path>: <problem>"),
// with the JSON path of the first problem (e.g.
// "$.stores[0].root.folders[2].items[5].props.Birthday: not a date"), and the
// profile is left as it was.
void LoadProfile(const std::string& profilePath, std::string_view jsonText);

// The profile as a JSON document (ends with a line feed). Raises when the
// file is missing or not a profile.
std::string DumpProfile(const std::string& profilePath);

}  // namespace tovask::outlook
