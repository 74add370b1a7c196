// Runs one benchmark phase in a child process of its own, so that the peak
// memory the kernel reports for it (ru_maxrss) is the phase's alone.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace tovask::bench {

struct ChildResult {
  double value = NAN;        // what the phase returned; NaN when it failed
  double peakMegabytes = 0;  // the child's ru_maxrss
  double cpuSeconds = 0;     // the child's user and system time
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
  auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
  result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return result;
}

struct PhaseMeasure {
  double seconds = 0;        // wall time of the phase's work
  double cpuSeconds = 0;     // user and system time of its child process
  double peakMegabytes = 0;  // the child's peak resident size
};

// Runs `work` in a child process `repeat` times and returns the fastest run's
// wall and processor time with the highest peak memory of all runs. A run
// that fails ends the benchmark: `bench` names it on standard error, exit 1.
inline PhaseMeasure MeasureInChild(const char* bench, const std::function<void()>& work,
                                   int repeat = 1) {
  PhaseMeasure best{INFINITY, 0, 0};
  for (int run = 0; run < repeat; ++run) {
    ChildResult result = RunInChild([&] {
      auto start = std::chrono::steady_clock::now();
      work();
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    if (std::isnan(result.value)) {
      std::fprintf(stderr, "%s: a measured phase failed\n", bench);
      std::exit(1);
    }
    if (result.value < best.seconds) {
      best.seconds = result.value;
      best.cpuSeconds = result.cpuSeconds;
    }
    best.peakMegabytes = std::max(best.peakMegabytes, result.peakMegabytes);
  }
  return best;
}

}  // namespace tovask::bench
