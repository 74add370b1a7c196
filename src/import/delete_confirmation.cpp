#include "import/delete_confirmation.h"

#include <utility>

namespace tovask {

DeleteDecision WindowlessDecision(std::string reason) {
  DeleteDecision decision;
  decision.cancelled = true;
  decision.notAskedBecause = std::move(reason);
  return decision;
}

AskDeleteConfirmation DefaultDeleteConfirmation() {
  return [](const std::vector<std::string>&) {
    return WindowlessDecision("this build has no confirmation dialog");
  };
}

}  // namespace tovask
