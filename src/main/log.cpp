#include "main/log.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "main/date_time.h"
#include "main/failure.h"

namespace tovask {

namespace {

// The log is one process-wide descriptor; -1 while it is off.
int log_descriptor = -1;
std::string log_path;
std::ostream* log_errors = &std::cerr;

// Appends the message with every control character (C0, DEL and the C1
// range encoded as UTF-8) turned into one blank, so that an entry is always
// one line whatever an Outlook field or a failure description holds. Other
// bytes pass unchanged, so multibyte text stays intact.
void AppendOneLine(std::string& line, std::string_view message) {
  for (std::size_t i = 0; i < message.size(); ++i) {
    auto byte = static_cast<unsigned char>(message[i]);
    if (byte < 0x20 || byte == 0x7F) {
      line += ' ';
    } else if (byte == 0xC2 && i + 1 < message.size() &&
               static_cast<unsigned char>(message[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(message[i + 1]) <= 0x9F) {
      line += ' ';
      ++i;
    } else {
      line += message[i];
    }
  }
}

// The first failed write: the log goes off and says why where it can.
void StopLog(const std::string& reason) {
  const std::string path = log_path;
  std::ostream& errors = *log_errors;
  ResetLog();
  NoteTrappedFailure();
  errors << "tovask: cannot write the log " << path << " (" << reason
         << "); the run goes on without it\n"
         << std::flush;
}

}  // namespace

void StartLog(const std::string& path, std::ostream& errors) {
  ResetLog();
  // Not waiting for a FIFO's reader: a FIFO that nobody reads cannot be
  // opened, like any other log that cannot.
  int descriptor =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  if (descriptor < 0) {
    // A log that cannot be opened is not reported anywhere: there is nowhere
    // to report it, and the operation must still run.
    return;
  }
  // Entries are written whole, waiting for a slow reader if need be.
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    close(descriptor);
    return;
  }
  log_descriptor = descriptor;
  log_path = path;
  log_errors = &errors;
}

bool LoggingStarted() { return log_descriptor >= 0; }

void ResetLog() {
  if (log_descriptor >= 0) close(log_descriptor);
  log_descriptor = -1;
  log_path.clear();
  log_errors = &std::cerr;
}

void WriteLogEntry(std::string_view message) {
  if (!LoggingStarted()) return;
  std::string line = DateTime::Now().ToGeneralText();
  line += " Information tovask[";
  line += std::to_string(getpid());
  line += "]: ";
  AppendOneLine(line, message);
  line += '\n';
  // One write per entry on an O_APPEND descriptor: concurrent runs sharing
  // the file never interleave inside a line. An interrupted write wrote
  // nothing, so it is safe to repeat whole.
  ssize_t written;
  do {
    written = write(log_descriptor, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) {
    StopLog(std::strerror(errno));
  } else if (static_cast<std::size_t>(written) != line.size()) {
    // The file took only part of the line (it is full): a cut entry is as
    // good as none, and the next would not fit either.
    StopLog("only part of an entry could be written");
  }
}

}  // namespace tovask
