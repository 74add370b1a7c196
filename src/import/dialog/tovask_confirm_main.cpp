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

// tovask reads the first line of this program's standard error as the
// reason it logs when no answer came. Qt's routine notices (no runtime
// folder, no session bus) would stand in front of the line that says why,
// so only the window system's own messages and Qt's serious ones get
// through.
void ReportQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const char* category = context.category != nullptr ? context.category : "default";
  const bool windowSystem = std::strncmp(category, "qt.qpa", 6) == 0;
  if (type != QtCriticalMsg && type != QtFatalMsg && !(type == QtWarningMsg && windowSystem)) {
    return;
  }
  if (std::strcmp(category, "default") == 0)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  else
    std::fprintf(stderr, "%s: %s\n", category, message.toLocal8Bit().constData());
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Sanitized test builds: Qt's D-Bus connection leaves one buffer of libdbus
// behind at exit, which is not this program's to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif

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

  qInstallMessageHandler(ReportQtMessage);
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
