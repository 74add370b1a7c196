// The optional run log.
//
// Off unless the command line ends with the log switch pair. Each entry is
// one line "YYYY-MM-DD HH:MM:SS Information tovask[PID]: MESSAGE" in local
// time, appended with one write, so runs sharing a file never interleave
// inside a line.
//
// A log that stops taking entries (a full disk, a FIFO whose reader went)
// never stops the run: the first failed write turns the log off, says so
// in one line on the error stream and counts as a trapped failure (so the
// run ends with exit status 1); the operation goes on unlogged.
#pragma once

#include <iostream>
#include <string>
#include <string_view>
#include <utility>

namespace tovask {

// Opens (creating if needed) the log file for appending. On success the log
// is on for the rest of the run; a file that cannot be opened (or a FIFO
// that nobody reads) is swallowed and the run goes on unlogged. `errors`
// gets the line about a failed write; it must outlive the log.
void StartLog(const std::string& path, std::ostream& errors = std::cerr);

// True once StartLog has succeeded.
bool LoggingStarted();

// Turns the log off and closes it; Main calls it first thing, tests between runs.
void ResetLog();

// Writes one information entry when the log is on, nothing otherwise. Control
// characters in the message become blanks. Never raises: a failed write
// turns the log off as said above.
void WriteLogEntry(std::string_view message);

// The way call sites log: the message is built (and every value it needs
// fetched from Outlook) only when the log is on.
//   Log([&] { return "Process folder " + folder.Name(); });
template <class BuildMessage>
void Log(BuildMessage&& build) {
  if (LoggingStarted()) WriteLogEntry(std::forward<BuildMessage>(build)());
}

}  // namespace tovask
