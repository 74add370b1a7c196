#!/bin/sh
# Checks the Debian package that tools/package.sh built: it holds exactly the
# installed files, its Depends name the libraries the programs link, the
# programs run from a fresh root (dpkg -x), find their dialog program there
# and read an attached Outlook data file (when the sample files are found in
# shared/testdata/pst of a folder above this one), `cmake --install` into
# another prefix works the same, the manual pages are clean and lintian
# reports no errors (its other findings are printed).
# Usage: tools/check-package.sh [PACKAGE.deb]
set -eu
cd "$(dirname "$0")/.."

deb=${1:-$(ls build-package/tovask_*.deb)}
version=$(sed -n 's/^project(tovask VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
samples=""
dir=$(pwd)
while [ -z "$samples" ] && [ "$dir" != / ]; do
  dir=$(dirname "$dir")
  [ -d "$dir/shared/testdata/pst" ] && samples="$dir/shared/testdata/pst"
done
[ -n "$samples" ] || echo "check-package: no sample Outlook data files; attaching one is not tried"
fail() {
  echo "check-package: $*" >&2
  failures=$((failures + 1))
}

# Every file and folder the installation makes, below its prefix.
expected_files="bin
bin/tovask
bin/tovask-store
libexec
libexec/tovask
libexec/tovask/tovask-confirm
share
share/doc
share/doc/tovask
share/doc/tovask/README.md
share/doc/tovask/changelog.gz
share/doc/tovask/copyright
share/doc/tovask/examples
share/doc/tovask/examples/sample-profile.json
share/man
share/man/man1
share/man/man1/tovask-store.1.gz
share/man/man1/tovask.1.gz"

# The operations of an installation under PREFIX, run from there: the
# version, a new profile, the sample loaded, a folder listing, an export and
# an import that asks through the dialog program (which cannot show its
# window offscreen, so nothing is deleted and the log says why).
check_installation() {
  prefix=$1
  name=$2
  run="$work/run-$name"
  mkdir "$run"
  [ "$(find "$prefix" -mindepth 1 -printf '%P\n' | LC_ALL=C sort)" = "$expected_files" ] ||
    fail "$name: the installed files differ: $(find "$prefix" -mindepth 1 -printf '%P ')"

  [ "$("$prefix/bin/tovask" --version)" = "tovask $version" ] || fail "$name: tovask --version"

  "$prefix/bin/tovask-store" init "$run/new.db" || fail "$name: tovask-store init"
  "$prefix/bin/tovask-store" tree "$run/new.db" | grep -qxF '  \\Personal Folders\Contacts  contact  0 items' ||
    fail "$name: tovask-store tree of the new profile"

  if [ -n "$samples" ]; then
    "$prefix/bin/tovask-store" attach "$run/new.db" "$samples/SampleContacts.pst" --name Sample >/dev/null ||
      fail "$name: tovask-store attach"
    "$prefix/bin/tovask-store" tree "$run/new.db" | grep -qxF '  \\Sample\Contacts  contact  6 items' ||
      fail "$name: tovask-store tree of the attached file"
    TOVASK_PROFILE="$run/new.db" "$prefix/bin/tovask" -o 0 '\\Sample\Contacts' "$run/attached.xml" ||
      fail "$name: tovask -o of the attached file"
    names=$(sed 's|</contact>|&\n|g' "$run/attached.xml" | sed -n 's|.*<FullName><!\[CDATA\[\([^]]*\)\]\]>.*|\1|p')
    [ "$names" = 'Sebastian Wright
Wichert Kroos
Christoffer van de Meeberg
Margaret J. Tolle
Matthew R. Wilcox
Bertha A. Buell' ] || fail "$name: the contacts exported from the attached file differ: $names"
  fi

  profile="$run/sample.db"
  "$prefix/bin/tovask-store" load "$profile" "$prefix/share/doc/tovask/examples/sample-profile.json" ||
    fail "$name: tovask-store load of the installed sample"
  export TOVASK_PROFILE="$profile"

  "$prefix/bin/tovask" -f "$run/folders.xml" || fail "$name: tovask -f exit status"
  [ "$(cat "$run/folders.xml")" = '<?xml version="1.0"?>
<folders><EmailFolder><![CDATA[\\Personal Folders]]></EmailFolder><EmailFolder><![CDATA[\\Personal Folders\Inbox]]></EmailFolder><EmailFolder><![CDATA[\\Personal Folders\Inbox\Projects]]></EmailFolder><EmailFolder><![CDATA[\\Personal Folders\Sent Items]]></EmailFolder><ContactFolder><![CDATA[\\Personal Folders\Contacts]]></ContactFolder><ContactFolder><![CDATA[\\Personal Folders\Contacts\Suppliers]]></ContactFolder></folders>' ] ||
    fail "$name: the folder list differs: $(cat "$run/folders.xml")"

  "$prefix/bin/tovask" -o 0 '\\Personal Folders\Contacts' "$run/contacts.xml" -r -l "$run/export.log" ||
    fail "$name: tovask -o exit status"
  names=$(sed 's|</contact>|&\n|g' "$run/contacts.xml" | sed -n 's|.*<FullName><!\[CDATA\[\([^]]*\)\]\]>.*|\1|p')
  [ "$names" = 'Oskar Holm
Anna Smith
Jürgen Müller' ] || fail "$name: the exported contacts differ: $names"
  grep -qF 'Saving contacts to file: ' "$run/export.log" || fail "$name: the export's log"

  printf '<?xml version="1.0"?>\n<olcontacts/>\n' >"$run/talvo.xml"
  DISPLAY=:65531 QT_QPA_PLATFORM=offscreen "$prefix/bin/tovask" -i 0 '\\Personal Folders\Contacts' \
    "$run/talvo.xml" "$run/feedback.xml" -d -w -l "$run/import.log" || fail "$name: tovask -i exit status"
  grep -qF 'Stale contacts not deleted: cannot ask for confirmation - the confirmation dialog failed: tovask-confirm ended with exit status 3: tovask-confirm: no display to show the window on (Qt platform offscreen)' \
    "$run/import.log" || fail "$name: the dialog program was not found: $(tail -3 "$run/import.log")"
  unset TOVASK_PROFILE
}

# The package's own fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tovask ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project says $version"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
depends=$(field Depends)
for library in 'libc6 ' 'libstdc\+\+6 ' 'libsqlite3-0 ' 'libxml2 ' 'libicu[0-9]+ ' 'libqt6widgets6 ' 'libpff1 '; do
  echo "$depends" | grep -qE "(^|, )$library" || fail "Depends lacks $library: $depends"
done

# A fresh root: the package's files alone.
dpkg -x "$deb" "$work/root"
check_installation "$work/root/usr" package

# cmake --install into a prefix of its own, from the same build.
cmake --install build-package --prefix "$work/prefix" >/dev/null
check_installation "$work/prefix" prefix

sh tools/check-man-pages.sh "$work/root/usr/share/man/man1/"*.1.gz || fail "the manual pages have warnings"

# lintian, as root, warns that it runs as root; that line is not a finding.
lintian --fail-on error --display-level '>=pedantic' --tag-display-limit 0 "$deb" \
  >"$work/lintian" 2>&1 || fail "lintian reports errors"
grep -v 'running with root privileges' "$work/lintian" >&2 || true

if [ "$failures" -gt 0 ]; then
  echo "check-package: $failures check(s) failed for $deb" >&2
  exit 1
fi
echo "check-package: $deb is sound"
