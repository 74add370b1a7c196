#!/bin/sh
# Builds the release programs build/tovask and build/tovask-store.
set -eu
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
