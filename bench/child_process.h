// Runs one benchmark phase in a child process of its own, so that the peak
// memory the kernel reports for it (ru_maxrss) is the phase's alone.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace tovask::bench {

struct ChildResult {
  double value = NAN;        // what the phase returned; NaN when it failed
  double peakMegabytes = 0;  // the child's ru_maxrss
};

// Forks, runs `phase` in the child and hands its result back through a pipe.
// A phase that throws or returns NaN counts as failed.
inline ChildResult RunInChild(const std::function<double()>& phase) {
  std::fflush(stdout);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (child == 0) {
    close(pipeEnds[0]);
    double value = NAN;
    try {
      value = phase();
    } catch (const std::exception& failure) {
      std::printf("failed: %s\n", failure.what());
    }
    std::fflush(stdout);
    _exit(write(pipeEnds[1], &value, sizeof value) == sizeof value ? 0 : 1);
  }
  close(pipeEnds[1]);
  ChildResult result;
  if (read(pipeEnds[0], &result.value, sizeof result.value) != sizeof result.value) {
    result.value = NAN;
  }
  close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0) {
    std::perror("wait4");
    std::exit(1);
  }
  result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  return result;
}

// A timed phase: its wall time and its peak memory.
struct Measure {
  double seconds = 0;
  double peakMegabytes = 0;
};

// Runs `work` in a child process and times it there. A phase that fails
// ends the benchmark, with a line naming `benchmark` on standard error.
inline Measure TimeInChild(const char* benchmark, const std::function<void()>& work) {
  ChildResult result = RunInChild([&] {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  });
  if (std::isnan(result.value)) {
    std::fprintf(stderr, "%s: a measured phase failed\n", benchmark);
    std::exit(1);
  }
  return Measure{result.value, result.peakMegabytes};
}

}  // namespace tovask::bench
