#!/usr/bin/env bash
# The Debian package made from this build: lintian finds no error in it, and every program in it
# runs from a scratch root (dpkg -x) and reports the version.
#   deb_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
deb=$(ls "$work"/out/quorvane_*.deb)
echo "package: $(basename "$deb")"

lintian --fail-on error --tag-display-limit 0 "$deb"

dpkg -x "$deb" "$work/root"
for program in quorvane quorvane-sim quorvane-cli; do
    got=$("$work/root/usr/bin/$program" --version)
    if [[ "$got" != "$program $version" ]]; then
        echo "FAIL: $program --version printed '$got', expected '$program $version'" >&2
        exit 1
    fi
    echo "ok: $got"
done
for file in usr/share/applications/org.quorvane.Quorvane.desktop \
    usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml \
    usr/share/icons/hicolor/48x48/apps/org.quorvane.Quorvane.png \
    usr/share/icons/hicolor/scalable/apps/org.quorvane.Quorvane.svg \
    usr/share/man/man1/quorvane.1.gz usr/share/man/man1/quorvane-sim.1.gz \
    usr/share/man/man1/quorvane-cli.1.gz \
    usr/share/doc/quorvane/copyright; do
    [[ -s "$work/root/$file" ]] || { echo "FAIL: $file missing from the package" >&2; exit 1; }
done
# The package's dependencies were computed, not left empty.
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "FAIL: no Qt dependency" >&2; exit 1; }
echo "package test passed"
