#!/bin/sh
# Builds tovask with warnings as errors under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite, the import's
# crash and concurrency harnesses included (at a small size). Before that,
# each fuzz target runs for a fixed number of executions over its seed
# corpus (tools/fuzz.sh --check); after it, the Debian package is built (a
# release build of its own) and checked.
set -eu
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
sh tools/fuzz.sh --check
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTOVASK_TESTS=ON -DTOVASK_WERROR=ON \
  -DTOVASK_SANITIZE=ON >/dev/null
cmake --build build-test -j "$(nproc)"
(cd build-test && ctest --output-on-failure -j "$(nproc)")
sh tools/package.sh >/dev/null
sh tools/check-package.sh
