// The table of the four operations a run can call.
//
// Dispatch calls an operation only through this table, so tests can put
// recording functions in its place. An empty entry means the operation is not
// available in this build. Each operation traps and logs its own failures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tovask {

struct Operations {
  // -f: the folder list of every store, written to outputFile.
  std::function<void(const std::string& outputFile)> listFolders;
  // -o and -h: the contacts (export) or mail senders (harvest) of one folder
  // changed after `since` (seconds since 1970-01-01 00:00:00 local time),
  // written to outputFile; `recursive` takes in the subfolders.
  std::function<void(std::int32_t since, const std::string&folderPath, const std::string&outputFile,
                     bool recursive)>
      exportContacts, harvestAddresses;
  // -i: merges inputFile into the contacts folder at targetPath and writes
  // feedbackFile.
  std::function<void(const std::string& targetPath, const std::string& inputFile,
                     const std::string& feedbackFile, bool backup, bool deleteStale,
                     bool confirmDeletion)>
      importContacts;
  // True when the path names the Outlook profile itself (or one of its own
  // files); dispatch refuses to let an operation or the log write there.
  // Empty: no path is checked.
  std::function<bool(const std::string& path)> isProfileFile;
};

// The operations this build provides; the tool's main runs with these.
Operations DefaultOperations();

}  // namespace tovask
