// Asking through the confirmation dialog program, tovask-confirm.
//
// The dialog runs in a child process of its own, so that nothing the window
// system does to it (a display that cannot be opened ends a Qt program on
// the spot) can end the import. tovask itself never links a window toolkit.
#pragma once

#include <filesystem>
#include <string>

#include "import/delete_confirmation.h"

namespace tovask {

// Where the program is looked for, in this order:
// 1. "tovask-confirm" in the folder of the running tovask executable (a build
//    folder, or a copy of both programs side by side);
// 2. "tovask-confirm" in the helper folder of an installation, given relative
//    to the folder of the executable: `helperFolder` is "../libexec/tovask" when
//    tovask is installed in bin/ and the helper in libexec/tovask/.
// The first that is a regular file is taken; when neither is, the one beside
// the executable is returned, so that the failure to start it names it.
// Never raises.
std::string FindConfirmProgram(const std::filesystem::path& executable,
                               const std::filesystem::path& helperFolder);

// FindConfirmProgram for the running executable (/proc/self/exe) and the
// helper folder this build installs the program in. Empty when the running
// executable cannot be found.
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
