#!/bin/sh
# Builds the release programs with the import's harnesses in build-stress and
# runs them at full size (the test suite runs them small):
#   - import_crash: imports (-b -d) of 10,000 contacts killed with SIGKILL at
#     100 seeded random moments, each followed by the checks and a rerun;
#   - import_concurrency: 50 rounds of 4 imports and 4 exports at once into
#     and out of four folders of one profile.
# Usage: tools/stress.sh [SEED]   (default 1). Exit status 1 when a check
# did not hold.
set -eu
cd "$(dirname "$0")/.."

seed=${1:-1}
sh tools/install-deps.sh
cmake -S . -B build-stress -DCMAKE_BUILD_TYPE=Release -DTOVASK_STRESS=ON -DTOVASK_DIALOG=OFF \
  >/dev/null
cmake --build build-stress -j 2 >/dev/null
status=0
build-stress/stress/import_crash --contacts 10000 --kills 100 --seed "$seed" || status=1
build-stress/stress/import_concurrency --rounds 50 --contacts 200 || status=1
exit $status
