// The tovask program: the arguments from the shell, or one Windows-style
// command line handed over whole, run through dispatch.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "main/command_line.h"
#include "main/dispatch.h"
#include "main/operations.h"

namespace {

constexpr const char kUsage[] =
    R"(Usage: tovask SWITCH ARGUMENTS... [FLAGS...] [-l LOGFILE]

Moves contacts between an Outlook profile and Talvo through XML files.
Switches may be written -x or /x, in any case; flags are lower case, in the
order shown, and each is looked for only where the order puts it.

  tovask -f OUTPUT [-l LOGFILE]
      Write the contact and mail folders of every store of the profile to OUTPUT.
  tovask -o SINCE FOLDER OUTPUT [-r] [-l LOGFILE]
      Export the contacts of FOLDER changed after SINCE to OUTPUT.
      -r  take in the subfolders too
  tovask -h SINCE FOLDER OUTPUT [-r] [-l LOGFILE]
      Harvest the senders of the mails in FOLDER changed after SINCE to OUTPUT.
      -r  take in the subfolders too
  tovask -i SINCE FOLDER INPUT FEEDBACK [-b] [-d [-w]] [-l LOGFILE]
      Merge the contacts of INPUT into FOLDER and write FEEDBACK for Talvo.
      -b  back FOLDER up first (once)
      -d  delete the contacts of FOLDER that INPUT no longer holds
      -w  ask which of them to delete (only directly after -d)

  SINCE    seconds since 1970-01-01 00:00:00 local time, a whole number from
           -2147483648 to 2147483647 (0 takes everything)
  FOLDER   an Outlook folder path, e.g. "\\Personal Folders\Contacts"
  -l LOGFILE
           append the run's progress and failures to LOGFILE; only as the last
           two arguments, right after the flags

  tovask --command-line TEXT
      Split TEXT as one Windows-style command line (blanks separate, double
      quotes group, backslashes stay) and run it.
  tovask --help       Show this text.
  tovask --version    Show the version.

Exit status: 0 done, 1 done but failures were logged, 2 command line not usable.
)";

int Run(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "tovask " TOVASK_VERSION "\n";
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--command-line") == 0) {
    if (argc != 3) {
      std::cerr << "tovask: --command-line takes exactly one argument, the command-line text\n";
      return tovask::kExitUnusableCommandLine;
    }
    return tovask::Main(tovask::ArgumentSource::FromText(argv[2]), tovask::DefaultOperations());
  }
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return tovask::Main(tovask::ArgumentSource::FromList(std::move(arguments)),
                      tovask::DefaultOperations());
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    // Main traps what escapes an operation; anything left (memory running
    // out while the command line is read, say) still ends the run as failed
    // rather than aborting the process.
    std::fputs("tovask: the run ended early\n", stderr);
    return tovask::kExitFailuresTrapped;
  }
}
