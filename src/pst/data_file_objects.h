// The data-file backend's implementations of the access interface: a store,
// its folders and subfolder collections, items and senders over one
// DataFileSource.
//
// Everything reads; every write (Items::Add, Remove, SetProperty, Save,
// CopyTo into such a store, adding a subfolder) raises the read-only
// failure (no access).
#pragma once

#include <cstdint>
#include <memory>

#include "outlook/outlook.h"
#include "pst/data_file_source.h"

namespace tovask::outlook {

using SourcePtr = std::shared_ptr<DataFileSource>;

std::unique_ptr<Folder> MakeDataFileFolder(const SourcePtr& source, int index);
std::unique_ptr<Items> MakeDataFileItems(const SourcePtr& source, int folderIndex);

}  // namespace tovask::outlook
