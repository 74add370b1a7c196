// Asking through the confirmation dialog program, tovask-confirm.
//
// The dialog runs in a child process of its own, so that nothing the window
// system does to it (a display that cannot be opened ends a Qt program on
// the spot) can end the import. tovask itself never links a window toolkit.
#pragma once

#include <string>

#include "import/delete_confirmation.h"

namespace tovask {

// Where the program is looked for: "tovask-confirm" in the folder of the
// running tovask executable. This is the one place that says so. Empty when
// the running executable cannot be found.
std::string ConfirmProgramPath();

// Asks by running `programPath` with the texts on its standard input (see
// confirm_protocol.h) and waiting until it answers and ends; the child
// inherits the environment. Returns the decision the program wrote when it
// exited with status 0 and a well-formed answer; every other outcome is
// cancelled with the reason in notAskedBecause:
// - neither DISPLAY nor WAYLAND_DISPLAY is set (the program is not started),
// - the program cannot be started (empty path, missing, not executable),
// - it ends by a signal or with another status (its first line on standard
//   error, if any, ends the reason),
// - its answer is malformed.
// An empty list of texts is answered at once, not cancelled, and starts
// nothing. Never raises.
AskDeleteConfirmation ConfirmInChildProcess(std::string programPath);

}  // namespace tovask
