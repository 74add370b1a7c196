// The optional run log.
//
// Off unless the command line ends with the log switch pair. Each entry is
// one line "YYYY-MM-DD HH:MM:SS Information tovask[PID]: MESSAGE" in local
// time, appended with one write, so runs sharing a file never interleave
// inside a line.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace tovask {

// Opens (creating if needed) the log file for appending. On success the log
// is on for the rest of the run; a file that cannot be opened is swallowed
// and the run goes on unlogged.
void StartLog(const std::string& path);

// True once StartLog has succeeded.
bool LoggingStarted();

// Turns the log off and closes it; Main calls it first thing, tests between runs.
void ResetLog();

// Writes one information entry when the log is on, nothing otherwise. Control
// characters in the message become blanks. A failed write raises a Failure.
void WriteLogEntry(std::string_view message);

// The way call sites log: the message is built (and every value it needs
// fetched from Outlook) only when the log is on.
//   Log([&] { return "Process folder " + folder.Name(); });
template <class BuildMessage>
void Log(BuildMessage&& build) {
  if (LoggingStarted()) WriteLogEntry(std::forward<BuildMessage>(build)());
}

}  // namespace tovask
