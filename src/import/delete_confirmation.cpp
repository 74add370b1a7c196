#include "import/delete_confirmation.h"

#include <utility>

#ifdef TOVASK_DIALOG
#include "import/confirm_program.h"
#endif

namespace tovask {

DeleteDecision WindowlessDecision(std::string reason) {
  DeleteDecision decision;
  decision.cancelled = true;
  decision.notAskedBecause = std::move(reason);
  return decision;
}

AskDeleteConfirmation DefaultDeleteConfirmation() {
#ifdef TOVASK_DIALOG
  return ConfirmInChildProcess(ConfirmProgramPath());
#else
  return [](const std::vector<std::string>&) {
    return WindowlessDecision("this build has no confirmation dialog");
  };
#endif
}

}  // namespace tovask
