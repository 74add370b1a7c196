// Tests and benchmarks only: a virtual X server on which real windows open,
// and a stand-in user for the delete confirmation dialog on it (header-only,
// never linked into the tool).
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "main/test_support.h"

namespace tovask::testing {

// An Xvfb server on a display number of its own choosing, stopped when the
// object goes. name() is empty when Xvfb or xdotool is missing or the
// server did not start.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int ready[2];
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0 ||
        pipe(ready) != 0) {
      return;
    }
    server_ = fork();
    if (server_ == 0) {
      // A test that dies leaves no server behind.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(ready[0]);
      std::string readyFd = std::to_string(ready[1]);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", readyFd.c_str(), "-screen", "0", "1024x768x24",
            "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // Xvfb writes its display number and a line end once it accepts clients.
    std::string number;
    char c;
    while (server_ > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (server_ <= 0) return;
    kill(server_, SIGTERM);
    int status;
    while (waitpid(server_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& name() const { return name_; }

 private:
  pid_t server_ = -1;
  std::string name_;
};

// Plays the user of the delete confirmation dialog on the display DISPLAY
// names: waits (30 s at most) until the window is mapped, gives it the
// focus, runs `beforeKeys` (a shell command), types `keys` (xdotool key
// names, blank-separated) and waits (10 s at most) until the window has
// gone. Returns "" when all went so, else what went wrong; a window still
// open at the end is closed by force, so its program fails rather than
// hangs the test.
inline std::string AnswerDeleteDialog(const std::string& keys,
                                      const std::string& beforeKeys = "true") {
  const std::string window = "--name 'Deleting Outlook Contacts'";
  if (RunCommand("timeout 30 xdotool search --sync --onlyvisible " + window +
                 " windowfocus --sync && " + beforeKeys + " && xdotool key --delay 50 " + keys) !=
      0) {
    RunCommand("xdotool search " + window + " windowkill 2>/dev/null");
    return "the window did not show up or the keys could not be typed";
  }
  if (RunCommand("for i in $(seq 100); do xdotool search " + window +
                 " >/dev/null || exit 1; sleep 0.1; done") == 0) {
    RunCommand("xdotool search " + window + " windowkill 2>/dev/null");
    return "the window was still open after the keys";
  }
  return "";
}

}  // namespace tovask::testing
