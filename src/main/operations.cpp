#include "main/operations.h"

namespace tovask {

Operations DefaultOperations() {
  Operations operations;
  // Wire each operation in here as it becomes available, e.g.
  //   operations.exportContacts = ExportContacts;
  return operations;
}

}  // namespace tovask
