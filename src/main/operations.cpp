#include "main/operations.h"

#include "export/export_contacts.h"
#include "folders/list_folders.h"

namespace tovask {

Operations DefaultOperations() {
  Operations operations;
  operations.listFolders = ListFolders;
  operations.exportContacts = ExportContacts;
  // Import and harvest are not in this build yet.
  return operations;
}

}  // namespace tovask
