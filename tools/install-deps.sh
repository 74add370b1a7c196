#!/bin/sh
# Installs the Debian packages tovask needs to build and test, when missing.
# Runs as root (or through sudo when it is there).
set -eu

packages="g++ cmake make pkg-config libxml2-dev libsqlite3-dev sqlite3 libicu-dev nlohmann-json3-dev libgtest-dev"
# The delete confirmation dialog (Qt 6 Widgets) and its tests under a virtual
# X server: key presses by xdotool, the screenshot by ImageMagick's import.
packages="$packages qt6-base-dev xvfb xdotool imagemagick"
# Outlook data files (.pst/.ost) through libpff; its header needs libbfio-dev,
# which the package does not pull in.
packages="$packages libpff-dev libbfio-dev"
# The Debian package: dependencies from the shared libraries (dpkg-shlibdeps),
# its check with lintian, and the manual pages rendered by groff and man.
packages="$packages dpkg-dev lintian man-db groff-base"
# The fuzz targets: clang with libFuzzer and the sanitizers' runtimes.
packages="$packages clang libclang-rt-14-dev"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing" >&2
as_root=""
[ "$(id -u)" -ne 0 ] && as_root="sudo"
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
