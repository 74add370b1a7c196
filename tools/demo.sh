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
# A document as the peer system writes it: Anna Smith updated by her entry
# identifier (taken from the export) and a new contact; with -d the folder's
# other contacts go, with -b a backup of them is kept beside it.
anna=$(sed 's|</contact>|&\n|g' "$demo/contacts.xml" | grep 'Anna Smith' |
  sed 's|.*<EntryID><!\[CDATA\[\([0-9A-F]*\)\]\]>.*|\1|')
cat >"$demo/talvo.xml" <<END
<?xml version="1.0"?>
<olcontacts>
  <contact id="talvo-17" EntryID="$anna">
    <FirstName><![CDATA[Anna]]></FirstName>
    <LastName><![CDATA[Smith]]></LastName>
    <FullName><![CDATA[Anna Smith]]></FullName>
    <JobTitle><![CDATA[Chief Executive]]></JobTitle>
    <Email1Address><![CDATA[anna.smith@nordfjord.example]]></Email1Address>
  </contact>
  <contact id="talvo-18">
    <FirstName><![CDATA[Liv]]></FirstName>
    <LastName><![CDATA[Berg]]></LastName>
    <FullName><![CDATA[Liv Berg]]></FullName>
    <Birthday><![CDATA[1990-03-14]]></Birthday>
  </contact>
</olcontacts>
END
printf '%s\n' "== tovask -i 0 '\\\\Personal Folders\Contacts' $demo/talvo.xml $demo/feedback.xml -b -d -l $demo/run.log"
build/tovask -i 0 '\\Personal Folders\Contacts' "$demo/talvo.xml" "$demo/feedback.xml" -b -d \
  -l "$demo/run.log" || true
cat "$demo/feedback.xml"
echo
build/tovask-store tree "$profile"

echo
echo "== the log ($demo/run.log)"
cat "$demo/run.log"

echo
printf '%s\n' "== tovask -h 0 '\\\\Personal Folders\Inbox' $demo/senders.xml -r"
build/tovask -h 0 '\\Personal Folders\Inbox' "$demo/senders.xml" -r
cat "$demo/senders.xml"
