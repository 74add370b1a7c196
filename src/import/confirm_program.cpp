#include "import/confirm_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "import/confirm_protocol.h"

extern char** environ;

namespace tovask {

namespace {

constexpr const char* kProgramName = "tovask-confirm";
// What is kept of the program's standard error: enough for its first lines,
// which say why it failed (Qt's "could not connect to display", a sanitizer's
// report); what follows them is detail.
constexpr std::size_t kErrorHeadBytes = 4096;

// A file descriptor closed when the holder goes.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~Descriptor() { Reset(); }

  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// The first non-empty line of what the program wrote to standard error.
std::string FirstLine(std::string_view text) {
  std::size_t start = text.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return "";
  std::size_t end = text.find_first_of("\r\n", start);
  return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

struct ChildRun {
  int status = 0;
  std::string answer;
  bool answerTooLong = false;
  std::string errorHead;
};

// The program's standard input is one end of a socket pair rather than a
// pipe, so that writing to a program that has already died fails with EPIPE
// (MSG_NOSIGNAL) instead of raising SIGPIPE in tovask.
// At most `answerLimit` bytes of the answer are kept; a longer one is
// malformed anyway.
std::optional<ChildRun> RunProgram(const std::string& programPath, const std::string& input,
                                   std::size_t answerLimit, std::string& failure) {
  int inputPair[2];
  int outputPipe[2];
  int errorPipe[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inputPair) != 0) {
    failure = std::string("socketpair: ") + std::strerror(errno);
    return std::nullopt;
  }
  Descriptor inputOurs(inputPair[0]), inputTheirs(inputPair[1]);
  if (pipe2(outputPipe, O_CLOEXEC) != 0) {
    failure = std::string("pipe: ") + std::strerror(errno);
    return std::nullopt;
  }
  Descriptor outputOurs(outputPipe[0]), outputTheirs(outputPipe[1]);
  if (pipe2(errorPipe, O_CLOEXEC) != 0) {
    failure = std::string("pipe: ") + std::strerror(errno);
    return std::nullopt;
  }
  Descriptor errorOurs(errorPipe[0]), errorTheirs(errorPipe[1]);
  shutdown(inputTheirs.get(), SHUT_WR);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inputTheirs.get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outputTheirs.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errorTheirs.get(), STDERR_FILENO);
  std::string argument0 = programPath;
  char* arguments[] = {argument0.data(), nullptr};
  pid_t child = 0;
  int spawnError = posix_spawn(&child, programPath.c_str(), &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) {
    failure = programPath + ": " + std::strerror(spawnError);
    return std::nullopt;
  }
  inputTheirs.Reset();
  outputTheirs.Reset();
  errorTheirs.Reset();

  // One loop feeds the input and drains both outputs, so a program that
  // writes before it has read everything cannot stall either side.
  ChildRun run;
  std::size_t written = 0;
  if (input.empty()) inputOurs.Reset();
  std::array<char, 65536> buffer;
  while (inputOurs.get() >= 0 || outputOurs.get() >= 0 || errorOurs.get() >= 0) {
    pollfd watched[3] = {
        {inputOurs.get(), POLLOUT, 0}, {outputOurs.get(), POLLIN, 0}, {errorOurs.get(), POLLIN, 0}};
    if (poll(watched, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[0].revents != 0) {
      ssize_t count = send(inputOurs.get(), input.data() + written, input.size() - written,
                           MSG_NOSIGNAL | MSG_DONTWAIT);
      if (count > 0) written += static_cast<std::size_t>(count);
      if ((count < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) {
        inputOurs.Reset();
      }
    }
    for (int slot : {1, 2}) {
      if (watched[slot].revents == 0) continue;
      Descriptor& source = slot == 1 ? outputOurs : errorOurs;
      ssize_t count = read(source.get(), buffer.data(), buffer.size());
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        source.Reset();
        continue;
      }
      std::size_t size = static_cast<std::size_t>(count);
      if (slot == 1) {
        run.answer.append(buffer.data(), std::min(size, answerLimit + 1 - run.answer.size()));
        // A program that talks on and on is broken: stop it rather than wait.
        if (run.answer.size() > answerLimit) {
          run.answerTooLong = true;
          outputOurs.Reset();
          kill(child, SIGKILL);
        }
      } else if (run.errorHead.size() < kErrorHeadBytes) {
        run.errorHead.append(buffer.data(), std::min(size, kErrorHeadBytes - run.errorHead.size()));
      }
    }
  }
  inputOurs.Reset();
  outputOurs.Reset();
  errorOurs.Reset();
  while (waitpid(child, &run.status, 0) < 0) {
    if (errno != EINTR) {
      failure = std::string("waitpid: ") + std::strerror(errno);
      return std::nullopt;
    }
  }
  return run;
}

DeleteDecision Ask(const std::string& programPath, const std::vector<std::string>& displayTexts) {
  if (displayTexts.empty()) {
    DeleteDecision nothingToAsk;
    nothingToAsk.cancelled = false;
    return nothingToAsk;
  }
  if (!HasDisplay()) {
    return WindowlessDecision(
        "no display to show the confirmation dialog on (neither DISPLAY nor WAYLAND_DISPLAY is "
        "set)");
  }
  if (programPath.empty()) {
    return WindowlessDecision(
        "the confirmation dialog could not be started: its program is unknown");
  }
  std::string failure;
  // "delete ", one flag per text, the line end.
  const std::size_t answerLimit = displayTexts.size() + 8;
  std::optional<ChildRun> run =
      RunProgram(programPath, EncodeDisplayTexts(displayTexts), answerLimit, failure);
  if (!run) return WindowlessDecision("the confirmation dialog could not be started: " + failure);

  if (run->answerTooLong) {
    return WindowlessDecision("the confirmation dialog gave an unreadable answer");
  }
  std::string ending;
  if (WIFSIGNALED(run->status)) {
    int signalNumber = WTERMSIG(run->status);
    ending = "ended by signal " + std::to_string(signalNumber) + " (" +
             std::string(strsignal(signalNumber)) + ")";
  } else if (WEXITSTATUS(run->status) != 0) {
    ending = "ended with exit status " + std::to_string(WEXITSTATUS(run->status));
  }
  if (!ending.empty()) {
    std::string reason = "the confirmation dialog failed: " +
                         std::filesystem::path(programPath).filename().string() + " " + ending;
    std::string firstLine = FirstLine(run->errorHead);
    if (!firstLine.empty()) reason += ": " + firstLine;
    return WindowlessDecision(std::move(reason));
  }
  std::optional<DeleteDecision> decision = DecodeDecision(run->answer, displayTexts.size());
  if (!decision) return WindowlessDecision("the confirmation dialog gave an unreadable answer");
  return *decision;
}

}  // namespace

std::string ConfirmProgramPath() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "";
  return (self.parent_path() / kProgramName).string();
}

AskDeleteConfirmation ConfirmInChildProcess(std::string programPath) {
  return [programPath = std::move(programPath)](const std::vector<std::string>& displayTexts) {
    // Out of memory or the like while asking: the contacts are kept.
    try {
      return Ask(programPath, displayTexts);
    } catch (const std::exception& failure) {
      return WindowlessDecision(std::string("the confirmation dialog failed: ") + failure.what());
    }
  };
}

}  // namespace tovask
