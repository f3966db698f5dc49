#!/usr/bin/env bash
# The Debian package that scripts/package made (the README's command): every program in it runs
# from a scratch root (dpkg -x) and reports the package's version, and the files a desktop and
# apt expect are there. scripts/package has already checked it with lintian.
#   deb_test.sh PACKAGE.deb
set -euo pipefail
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The upstream version, without a Debian revision.
version=$(dpkg-deb -f "$deb" Version)
version=${version%%-*}
echo "package: $(basename "$deb")"

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
