#!/bin/sh
# Builds tovask with warnings as errors under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTOVASK_TESTS=ON -DTOVASK_WERROR=ON \
  -DTOVASK_SANITIZE=ON >/dev/null
cmake --build build-test -j "$(nproc)"
cd build-test
ctest --output-on-failure -j "$(nproc)"
