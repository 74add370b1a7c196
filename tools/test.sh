#!/bin/sh
# Builds tovask with warnings as errors under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite; then builds the
# Debian package (a release build of its own) and checks it.
set -eu
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTOVASK_TESTS=ON -DTOVASK_WERROR=ON \
  -DTOVASK_SANITIZE=ON >/dev/null
cmake --build build-test -j "$(nproc)"
(cd build-test && ctest --output-on-failure -j "$(nproc)")
sh tools/package.sh >/dev/null
sh tools/check-package.sh
