#include "main/operations.h"

#include "export/export_contacts.h"
#include "folders/list_folders.h"
#include "import/import_contacts.h"

namespace tovask {

Operations DefaultOperations() {
  Operations operations;
  operations.listFolders = ListFolders;
  operations.exportContacts = ExportContacts;
  operations.importContacts = [](const auto&... arguments) { ImportContacts(arguments...); };
  // Harvest is not in this build yet.
  return operations;
}

}  // namespace tovask
