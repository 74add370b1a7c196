#include "main/operations.h"

#include "export/export_contacts.h"
#include "folders/list_folders.h"
#include "outlook/profile_file.h"

namespace tovask {

Operations DefaultOperations() {
  Operations operations;
  operations.listFolders = ListFolders;
  operations.exportContacts = ExportContacts;
  operations.isProfileFile = outlook::IsProfileFile;
  // Import and harvest are not in this build yet.
  return operations;
}

}  // namespace tovask
