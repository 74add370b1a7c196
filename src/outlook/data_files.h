// Outlook data files (.pst, .ost) attached to a profile as read-only stores.
//
// The profile keeps, for each attached file, the store's name, the file's
// absolute path and its record key (the message store's 0x0FF9); the
// data-file backend reads the file. These calls are the whole of what the
// rest of the access layer knows of that backend. A build without it (no
// libpff) refuses to attach files, and an attached store's folders raise.
#pragma once

#include <memory>
#include <string>

#include "main/failure.h"
#include "outlook/outlook.h"

namespace tovask::outlook {

// What attaching a file records of it.
struct DataFileIdentity {
  std::string displayName;  // the message store's display name (0x3001); often empty
  std::string recordKey;    // 32 uppercase hexadecimal characters; empty when it has none
};

// Opens the file and reads its identity. Raises, naming the file, when it is
// no data file the backend can open (or the build has no backend).
DataFileIdentity InspectDataFile(const std::string& path);

// An attached file as the profile records it.
struct AttachedFile {
  std::string storeName;
  std::string path;
  std::string recordKey;
};

// One attached file for one session. Nothing is opened until a store or
// folder call needs the file; then it is opened once and kept open for as
// long as any object of the session uses it. One handle per session, never
// shared between threads.
class DataFileSource;

std::shared_ptr<DataFileSource> NewDataFileSource(AttachedFile file);

// The read-only store over the file. Name() is the recorded name and never
// opens the file. RootFolder() (and every folder below it) opens it first:
// a file that has gone missing, cannot be read, or is no longer the file that
// was attached (another record key) raises a failure naming the file; the
// profile's other stores are not touched by it.
std::unique_ptr<Store> MakeDataFileStore(const std::shared_ptr<DataFileSource>& source);

// Folders of attached data files carry this mark, so that another backend
// asked to copy into one raises the read-only failure of a data file.
class DataFileFolderMark {
 public:
  virtual ~DataFileFolderMark() = default;
  // "The store of folder \\X\Y is read-only".
  virtual Failure ReadOnlyFailure() = 0;
};

}  // namespace tovask::outlook
