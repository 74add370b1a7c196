#!/bin/sh
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz, and runs them.
#
#   tools/fuzz.sh TARGET SECONDS     fuzz one target for that long
#   tools/fuzz.sh TARGET --runs N    fuzz one target for N executions
#   tools/fuzz.sh --check            every target for a fixed number of
#                                    executions over its seed corpus (CI)
#   tools/fuzz.sh --list             the targets
#
# TARGET is a name of fuzz/corpus/ (import_document, command_line,
# profile_json, data_file, ...). Seeds are read from fuzz/corpus/TARGET;
# inputs found while fuzzing go to build-fuzz/corpus/TARGET, and an input
# that breaks a target to build-fuzz/findings/TARGET/ (the run then fails). The targets
# work in a scratch folder under TMPDIR (default: /dev/shm when there is
# one, as the profile store is written for every input). libFuzzer's closing
# statistics (executions, executions per second) end each run.
set -eu
cd "$(dirname "$0")/.."

# Executions per target in --check: a few seconds to a minute each.
check_runs=${TOVASK_FUZZ_CHECK_RUNS:-4000}

usage() {
  sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

targets() { ls fuzz/corpus; }

build() {
  sh tools/install-deps.sh
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOVASK_FUZZ=ON -DTOVASK_DIALOG=OFF >/dev/null
  cmake --build build-fuzz -j "$(nproc)" >/dev/null
}

# run TARGET LIBFUZZER-OPTIONS...: the target over a fresh corpus folder of
# its own and its seeds.
run() {
  target=$1
  shift
  [ -d "fuzz/corpus/$target" ] || { echo "fuzz.sh: no target $target" >&2; exit 2; }
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/findings/$target"
  # A scratch folder of this run's own, gone afterwards even when a target
  # aborted (which skips its own clean-up).
  base=${TMPDIR:-}
  if [ -z "$base" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then base=/dev/shm; fi
  scratch=$(mktemp -d "${base:-/tmp}/tovask-fuzz.XXXXXX")
  echo "== $target $*" >&2
  status=0
  TMPDIR=$scratch "build-fuzz/fuzz/${target}_fuzz" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$target/" "$@" \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" || status=$?
  rm -rf "$scratch"
  return $status
}

[ $# -ge 1 ] || usage
case $1 in
  --list)
    targets
    ;;
  --check)
    build
    for target in $(targets); do
      # A fresh corpus folder, so CI tries the seeds and only its own finds.
      rm -rf "build-fuzz/corpus/$target"
      runs=$check_runs
      # A data file is opened and walked three times per input.
      [ "$target" = data_file ] && runs=$((check_runs / 10))
      run "$target" -runs="$runs" -seed=1
    done
    ;;
  -*)
    usage
    ;;
  *)
    [ $# -ge 2 ] || usage
    target=$1
    build
    if [ "$2" = "--runs" ]; then
      [ $# -eq 3 ] || usage
      run "$target" -runs="$3"
    else
      [ $# -eq 2 ] || usage
      run "$target" -max_total_time="$2"
    fi
    ;;
esac
