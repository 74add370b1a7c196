// tovask-confirm: shows the delete confirmation dialog for the display texts
// on standard input and writes the user's answer to standard output (the
// exchange is described in import/confirm_protocol.h). tovask runs it as a
// child process when an import asks before deleting contacts.
//
// Exit status: 0 answered; 1 the dialog failed or the answer could not be
// written; 2 unreadable input; 3 no real display to show the window on. Qt
// itself aborts when the display cannot be opened.
#include <unistd.h>

#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "import/confirm_protocol.h"
#include "import/dialog/delete_dialog.h"

namespace {

constexpr const char* kUsage =
    "usage: tovask-confirm < TEXTS\n"
    "Shows the delete confirmation dialog for the contacts named on standard input\n"
    "(each display text followed by a NUL byte) and writes the answer to standard\n"
    "output: \"cancel\" or \"delete \" with one flag per contact (1 = delete).\n";

bool ReadAll(int fd, std::string& text) {
  char buffer[65536];
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.append(buffer, static_cast<std::size_t>(count));
  }
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t count = write(fd, text.data() + written, text.size() - written);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string input;
  if (!ReadAll(STDIN_FILENO, input)) {
    std::fprintf(stderr, "tovask-confirm: cannot read standard input: %s\n", std::strerror(errno));
    return 2;
  }
  std::optional<std::vector<std::string>> displayTexts = tovask::DecodeDisplayTexts(input);
  if (!displayTexts) {
    std::fputs("tovask-confirm: the list of contacts ends inside an entry\n", stderr);
    return 2;
  }

  QApplication application(argc, argv);
  // A window on these platforms is never seen, so nobody could answer it.
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") {
    std::fprintf(stderr, "tovask-confirm: no display to show the window on (Qt platform %s)\n",
                 platform.toUtf8().constData());
    return 3;
  }

  tovask::DeleteDecision decision;
  // Out of memory while filling the list, or the like: no answer, so tovask
  // keeps every contact.
  try {
    decision = tovask::AskInDeleteDialog(*displayTexts);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "tovask-confirm: the dialog failed: %s\n", failure.what());
    return 1;
  }
  if (!WriteAll(STDOUT_FILENO, tovask::EncodeDecision(decision))) {
    std::fprintf(stderr, "tovask-confirm: cannot write the answer: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
