#include "main/operations.h"

#include "export/export_contacts.h"
#include "folders/list_folders.h"
#include "harvest/harvest_addresses.h"
#include "import/import_contacts.h"
#include "outlook/profile_file.h"

namespace tovask {

Operations DefaultOperations() {
  Operations operations;
  operations.listFolders = ListFolders;
  operations.exportContacts = ExportContacts;
  operations.harvestAddresses = HarvestAddresses;
  operations.importContacts = [](const auto&... arguments) { ImportContacts(arguments...); };
  operations.isProfileFile = outlook::IsProfileFile;
  return operations;
}

}  // namespace tovask
