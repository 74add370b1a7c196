// Attaching Outlook data files (.pst, .ost) to a profile as read-only
// stores, and detaching them. The profile keeps each file's store name,
// absolute path and record key; the file itself is only ever read.
#pragma once

#include <string>

#include "outlook/data_files.h"

namespace tovask::outlook {

// The name of a data file's store: `given` when not empty, else the file's
// display name, else the file's name without its extension.
std::string DataFileStoreName(const std::string& given, const DataFileIdentity& identity,
                              const std::string& path);

// The path made absolute (against the working folder) and normal, without
// resolving links.
std::string AbsolutePath(const std::string& path);

// Adds the file as a read-only store after the profile's other stores and
// returns the store's name. Raises, writing nothing, when the profile is
// missing or no profile, the file cannot be opened as a data file, or a
// file of the same record key is attached already (naming its store).
std::string AttachDataFile(const std::string& profilePath, const std::string& filePath,
                           const std::string& name);

// Removes the first attached data file's store of that name (without regard
// to case) from the profile; the file stays as it is. Raises when no
// attached data file has that name.
void DetachDataFile(const std::string& profilePath, const std::string& name);

}  // namespace tovask::outlook
