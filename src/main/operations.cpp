#include "main/operations.h"

#include "export/export_contacts.h"
#include "folders/list_folders.h"
#include "harvest/harvest_addresses.h"
#include "outlook/profile_file.h"

namespace tovask {

Operations DefaultOperations() {
  Operations operations;
  operations.listFolders = ListFolders;
  operations.exportContacts = ExportContacts;
  operations.harvestAddresses = HarvestAddresses;
  operations.isProfileFile = outlook::IsProfileFile;
  // The import is not in this build yet.
  return operations;
}

}  // namespace tovask
