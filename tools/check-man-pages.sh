#!/bin/sh
# Checks manual pages (plain or gzip-compressed roff): each must pass groff
# with every warning on, render through man at 80 columns without a warning,
# and give lexgrog (the whatis database's reader) its NAME line.
# Usage: tools/check-man-pages.sh PAGE...
set -eu

[ $# -gt 0 ] || { echo "usage: $0 PAGE..." >&2; exit 2; }
failed=0
for page in "$@"; do
  case "$page" in
    *.gz) text() { gzip -dc "$page"; } ;;
    *) text() { cat "$page"; } ;;
  esac
  groff_says=$(text | groff -ww -z -man 2>&1) || groff_says="$groff_says (groff failed)"
  man_says=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || man_says="$man_says (man failed)"
  for said in "$groff_says" "$man_says"; do
    [ -z "$said" ] && continue
    printf '%s:\n%s\n' "$page" "$said" >&2
    failed=1
  done
  if ! lexgrog "$page" >/dev/null; then
    echo "$page: lexgrog finds no NAME line" >&2
    failed=1
  fi
done
exit $failed
