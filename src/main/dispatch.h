// The run frame: one command line in, one operation run, an exit status out.
//
// Argument 1 is the operation switch, in any case and spelled -x or /x:
//   -f OUTPUT                                      folder list
//   -o SINCE FOLDER OUTPUT [-r]                    export
//   -h SINCE FOLDER OUTPUT [-r]                    harvest
//   -i SINCE FOLDER INPUT FEEDBACK [-b] [-d [-w]]  import
// optionally followed by the log switch pair `-l LOGFILE` as the last two
// arguments. Flags are compared exactly (-R is not a flag) and each is looked
// for at one position only: right after the positional arguments, each flag
// found moving the next one along; flags out of order are ignored.
#pragma once

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "main/command_line.h"
#include "main/operations.h"

namespace tovask {

// Exit statuses of a run.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailuresTrapped = 1;
inline constexpr int kExitUnusableCommandLine = 2;

// The log file (argument position + 1) when the arguments end exactly there
// and argument `position` is `-l` or `/l`; nothing otherwise.
std::optional<std::string> LogSwitchFile(const ArgumentSource& args, std::int16_t position);

// Starts the log (StartLog) on LogSwitchFile(args, position), if any;
// otherwise the run goes on unlogged. `errors` gets the line about a log
// that fails later.
void CheckLogSwitch(const ArgumentSource& args, std::int16_t position,
                    std::ostream& errors = std::cerr);

// A since-value: an optional sign and decimal digits only, within the 32-bit
// signed range. Nothing for every other text (empty, blanks, "1e3", "0x10").
std::optional<std::int32_t> ParseSinceValue(std::string_view text);

// Runs one command line. Turns the log off and forgets trapped failures first,
// ignores SIGPIPE (a write to a FIFO nobody reads fails instead), then picks
// the operation, reads its arguments, starts the log if asked and calls the
// operation's entry in `operations`.
//
// Returns kExitUnusableCommandLine when the switch is missing or unknown, the
// arguments are too few, the since-value does not convert or the operation's
// entry is empty; then exactly one line beginning "tovask: " goes to `errors`
// and nothing else happens (no log, no operation).
//
// A file of the operation (output, input, feedback) or the log file that is
// the profile itself (operations.isProfileFile) is refused before anything
// is written: the operation is not called, and the status is
// kExitFailuresTrapped, with one log entry "Error: tovask, 22 - The file ...
// is the Outlook profile itself; nothing is written" (for the log file
// itself: one line on `errors` instead, and no log).
//
// Otherwise returns kExitFailuresTrapped when the operation trapped a
// failure, kExitDone when not. Anything that escapes the operation (memory
// running out, a failure no trap took) ends the run with status
// kExitFailuresTrapped, a log entry "Error: " + what it was when the log is
// on, and one line "tovask: the run ended early: ..." on `errors`.
int Main(const ArgumentSource& args, const Operations& operations,
         std::ostream& errors = std::cerr);

}  // namespace tovask
