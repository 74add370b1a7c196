// Delete confirmation dialog benchmark.
//
// Measures how long the dialog takes to open for many stale contacts, each
// phase in a child process of its own:
//   - frmDeleteDialog filled and shown on Qt's offscreen platform, for N and
//     N/10 entries (seconds, peak memory, ratio);
//   - the whole way a run takes: tovask-confirm started through
//     ConfirmInChildProcess until its window is on a virtual X server (Xvfb,
//     polled every 20 ms with xdotool; left out when either is missing).
// Usage: delete_dialog_bench [--entries N]
#include <QApplication>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "import/confirm_program.h"
#include "import/dialog/delete_dialog.h"
#include "import/display_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Texts(int count) {
  std::vector<std::string> texts;
  texts.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) texts.push_back("Lastname " + std::to_string(i) + ", Firstname");
  return texts;
}

// Fills and shows the dialog offscreen; seconds until its window is exposed.
double OffscreenPhase(int entries) {
  std::vector<std::string> texts = Texts(entries);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argc = 1;
  char name[] = "delete_dialog_bench";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  auto start = Clock::now();
  tovask::frmDeleteDialog dialog(texts, 96);
  dialog.show();
  while (dialog.windowHandle() == nullptr || !dialog.windowHandle()->isExposed()) {
    QApplication::processEvents();
  }
  QApplication::processEvents();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// tovask-confirm on Xvfb; seconds from asking until the window is mapped.
double ProgramPhase(int entries) {
  tovask::testing::VirtualDisplay display;
  if (display.name().empty()) {
    std::fprintf(stderr, "delete_dialog_bench: Xvfb or xdotool is missing or did not start\n");
    return NAN;
  }
  setenv("DISPLAY", display.name().c_str(), 1);
  std::vector<std::string> texts = Texts(entries);
  std::atomic<double> opened{NAN};
  auto start = Clock::now();
  std::thread user([&] {
    for (int attempt = 0; attempt < 1500; ++attempt) {
      if (std::system("xdotool search --onlyvisible --name 'Deleting Outlook Contacts' "
                      ">/dev/null 2>&1") == 0) {
        opened = std::chrono::duration<double>(Clock::now() - start).count();
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::system(
        "xdotool search --name 'Deleting Outlook Contacts' windowfocus --sync && xdotool key "
        "Escape");
  });
  tovask::DeleteDecision decision = tovask::ConfirmInChildProcess(TOVASK_CONFIRM_BINARY)(texts);
  user.join();
  if (!decision.cancelled || !decision.notAskedBecause.empty()) {
    std::fprintf(stderr, "delete_dialog_bench: no answer from the window: %s\n",
                 decision.notAskedBecause.c_str());
    return NAN;
  }
  return opened;
}

}  // namespace

int main(int argc, char** argv) {
  int entries = 50000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--entries") entries = std::atoi(argv[i + 1]);
  }
  int small = entries / 10;
  using tovask::bench::RunInChild;
  tovask::bench::ChildResult large = RunInChild([&] { return OffscreenPhase(entries); });
  tovask::bench::ChildResult smaller = RunInChild([&] { return OffscreenPhase(small); });
  if (std::isnan(large.value) || std::isnan(smaller.value)) {
    std::fprintf(stderr, "delete_dialog_bench: an offscreen phase failed\n");
    return 1;
  }
  std::printf("dialog offscreen, %d entries: %.3f s (< 2), peak %.1f MB\n", entries, large.value,
              large.peakMegabytes);
  std::printf("dialog offscreen, %d entries: %.3f s, peak %.1f MB; ratio %.2f (<= 12)\n", small,
              smaller.value, smaller.peakMegabytes, large.value / smaller.value);
  tovask::bench::ChildResult program = RunInChild([&] { return ProgramPhase(entries); });
  if (std::isnan(program.value)) {
    std::printf("tovask-confirm on Xvfb: not measured\n");
  } else {
    std::printf("tovask-confirm on Xvfb, %d entries: window open after %.3f s (< 2)\n", entries,
                program.value);
  }
  return 0;
}
