#!/usr/bin/env bash
# Checks a Debian package of Dustrel with the distribution's own tools: lintian (no error), and on its
# contents desktop-file-validate, appstreamcli, mandoc and systemd-analyze.
# Usage: scripts/check-package.sh [dustrel_*.deb]   (without one, scripts/package.sh makes it)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package >&2
deb=${1:-$(scripts/package.sh | tail -n 1)}
deb=$(realpath "$deb")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        echo "== $name: passed"
    else
        echo "== $name: FAILED" >&2
        failed=1
    fi
}

# Warnings are shown; only errors fail. Running as root needs lintian's permission.
lintian_errors() {
    lintian --allow-root --info "$deb" | tee "$work/lintian.txt"
    ! grep -q '^E: ' "$work/lintian.txt"
}
check lintian lintian_errors
check desktop-file-validate desktop-file-validate "$root"/usr/share/applications/*.desktop
check "appstreamcli validate" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
man_page() {
    zcat "$root/usr/share/man/man1/dustrel.1.gz" > "$work/dustrel.1"
    mandoc -Tlint -W warning "$work/dustrel.1"
}
check "mandoc -Tlint" man_page
# The user manager checks the units as installed, with the executable they name taken from the package.
units() {
    mkdir -p "$work/units" "$work/runtime"
    chmod 700 "$work/runtime"
    sed "s#/usr/bin/dustrel#$root/usr/bin/dustrel#" "$root/usr/lib/systemd/user/dustrel-auto.service" \
        > "$work/units/dustrel-auto.service"
    cp "$root/usr/lib/systemd/user/dustrel-auto.timer" "$work/units/"
    local output
    output=$(XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user --man=no verify \
        "$work/units/dustrel-auto.service" "$work/units/dustrel-auto.timer" 2>&1)
    [ -z "$output" ] || { echo "$output"; return 1; }
}
check "systemd-analyze verify" units

[ "$failed" = 0 ] && echo "The package passes every check: $deb"
exit "$failed"
