#!/bin/sh
# Runs tovask on byte-flipped copies of the sample Outlook data files, to show
# that a damaged file never crashes or hangs it. Each copy gets 1 to 8 bytes
# changed at seeded places, is attached alone to a fresh profile (a copy that
# cannot be opened is refused there, which is fine), and is then read by a
# folder listing (-f), an export (-o) and a harvest (-h) of its whole store.
# Every run must end with status 0 or 1 within the time limit and without a
# sanitizer report; a copy that fails is kept for a rerun.
#
# Usage: sh tools/flip-bytes.sh [-n COUNT] [-s SEED] [-b BUILD] [-d SAMPLES] [-k KEEP]
#   -n COUNT    copies to try (default 100)
#   -s SEED     first seed (default 1); copy i uses seed + i, so any copy can be redone
#   -b BUILD    the build folder with tovask and tovask-store (default build-test,
#               the sanitizer build of tools/test.sh)
#   -d SAMPLES  the folder of sample files (default: shared/testdata/pst in the
#               nearest folder above the repository that has one)
#   -k KEEP     where failing copies are kept (default: a folder in /tmp)
# Exit status 0 when every run ended well, 1 otherwise, 2 on wrong usage.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)

count=100 seed=1 build=build-test samples="" keep=""
while getopts n:s:b:d:k: option; do
  case $option in
    n) count=$OPTARG ;;
    s) seed=$OPTARG ;;
    b) build=$OPTARG ;;
    d) samples=$OPTARG ;;
    k) keep=$OPTARG ;;
    *) echo "usage: sh tools/flip-bytes.sh [-n COUNT] [-s SEED] [-b BUILD] [-d SAMPLES] [-k KEEP]" >&2
       exit 2 ;;
  esac
done
if [ -z "$samples" ]; then
  dir=$root
  while [ "$dir" != "/" ]; do
    dir=$(dirname "$dir")
    if [ -d "$dir/shared/testdata/pst" ]; then samples="$dir/shared/testdata/pst"; break; fi
  done
fi
tovask="$build/tovask" store="$build/tovask-store"
for needed in "$tovask" "$store"; do
  [ -x "$needed" ] || { echo "flip-bytes: $needed is not built" >&2; exit 2; }
done
[ -n "$samples" ] && [ -d "$samples" ] || { echo "flip-bytes: no sample files found" >&2; exit 2; }

work=$(mktemp -d /tmp/tovask-flip-XXXXXX)
trap 'rm -rf "$work"' EXIT
[ -n "$keep" ] || keep="$work.kept"
# A sanitizer report must not look like tovask's own status 1.
export ASAN_OPTIONS="exitcode=86:detect_leaks=1" UBSAN_OPTIONS="halt_on_error=1:exitcode=87"
export TOVASK_PROFILE="$work/profile.db"

files=$(ls "$samples"/*.pst "$samples"/*.ost 2>/dev/null)
nfiles=$(echo "$files" | wc -l)
[ "$nfiles" -gt 0 ] || { echo "flip-bytes: no .pst or .ost in $samples" >&2; exit 2; }

refused=0 failed=0 i=0
while [ "$i" -lt "$count" ]; do
  copySeed=$((seed + i))
  sample=$(echo "$files" | sed -n "$((copySeed % nfiles + 1))p")
  copy="$work/copy.${sample##*.}"
  cp "$sample" "$copy"
  size=$(wc -c <"$copy")
  # Places and changes from the copy's seed: "place xor" pairs.
  awk -v seed="$copySeed" -v size="$size" 'BEGIN {
    srand(seed); flips = 1 + int(rand() * 8)
    for (f = 0; f < flips; f++) printf "%d %d\n", int(rand() * size), 1 + int(rand() * 255) }' |
  while read -r place change; do
    old=$(od -An -tu1 -j "$place" -N1 "$copy" | tr -d ' ')
    printf "$(printf '\\%03o' $((old ^ change)))" |
      dd of="$copy" bs=1 seek="$place" conv=notrunc 2>/dev/null
  done

  rm -f "$TOVASK_PROFILE" "$TOVASK_PROFILE-wal" "$TOVASK_PROFILE-shm"
  printf '{"stores": [{"name": "Flipped", "dataFile": "%s"}]}' "$copy" >"$work/profile.json"
  if ! "$store" load "$TOVASK_PROFILE" "$work/profile.json" >/dev/null 2>"$work/stderr"; then
    refused=$((refused + 1))
    i=$((i + 1))
    continue
  fi
  for run in "-f $work/out.xml" "-o 0 \\\\Flipped $work/out.xml -r" "-h 0 \\\\Flipped $work/out.xml -r"; do
    # shellcheck disable=SC2086 # the run's arguments are split on purpose
    timeout 120 "$tovask" $run >/dev/null 2>"$work/stderr"
    status=$?
    if [ "$status" -gt 1 ] || grep -q "Sanitizer\|runtime error" "$work/stderr"; then
      failed=$((failed + 1))
      mkdir -p "$keep"
      cp "$copy" "$keep/seed-$copySeed.${sample##*.}"
      echo "flip-bytes: seed $copySeed ($(basename "$sample")): tovask $run ended with status $status" >&2
      head -c 2000 "$work/stderr" >&2
      break
    fi
  done
  i=$((i + 1))
done
echo "flip-bytes: $count copies from seed $seed: $refused refused at attach, $failed failed"
[ "$failed" -eq 0 ]
