#!/bin/sh
# Builds tovask, creates a sample profile in a folder of its own (never the
# user's default profile), shows it, and runs a folder listing, an export and
# an address harvest of it, printing what they wrote.
set -eu
cd "$(dirname "$0")/.."

sh tools/build.sh
demo="build/demo"
mkdir -p "$demo"
profile="$demo/profile.db"
rm -f "$profile" "$profile-wal" "$profile-shm"
build/tovask-store load "$profile" examples/sample-profile.json
export TOVASK_PROFILE="$profile"

echo "== the sample profile ($profile)"
build/tovask-store tree "$profile"

echo
echo "== tovask -f $demo/folders.xml -l $demo/run.log"
build/tovask -f "$demo/folders.xml" -l "$demo/run.log"
cat "$demo/folders.xml"

echo
printf '%s\n' "== tovask -o 0 '\\\\Personal Folders\Contacts' $demo/contacts.xml -r -l $demo/run.log"
build/tovask -o 0 '\\Personal Folders\Contacts' "$demo/contacts.xml" -r -l "$demo/run.log"
cat "$demo/contacts.xml"

echo
echo "== the log ($demo/run.log)"
cat "$demo/run.log"

echo
printf '%s\n' "== tovask -h 0 '\\\\Personal Folders\Inbox' $demo/senders.xml -r"
build/tovask -h 0 '\\Personal Folders\Inbox' "$demo/senders.xml" -r
cat "$demo/senders.xml"
