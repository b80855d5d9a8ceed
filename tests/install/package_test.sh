#!/usr/bin/env bash
# Builds the Debian package in a private folder (the build tree's own package state untouched)
# and checks that it holds every file an install puts in place, with sane control fields.
# Usage: package_test.sh BUILD-DIR VERSION
set -euo pipefail

build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    exit 1
fi
debs=("$work"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
    echo "FAIL: cpack made no single .deb: ${debs[*]}" >&2
    exit 1
}
deb=${debs[0]}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sed 's|^\./|./usr/|' | sort) >"$work/installed"
dpkg-deb -c "$deb" | awk '$1 ~ /^-/ {print $6}' | sort >"$work/packaged"
missing=$(comm -23 "$work/installed" "$work/packaged")
[ -z "$missing" ] || fail "installed but not packaged:" $missing

# Libraries found by dpkg-shlibdeps, and what it cannot see: the dictionaries and xdg-open.
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libopencc-data xdg-utils libc6 libqt6widgets6 libopencc; do
    grep -q "\(^\|, \)$wanted" <<<"$depends" || fail "Depends lacks $wanted: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section: $(dpkg-deb -f "$deb" Section)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version: $(dpkg-deb -f "$deb" Version)"

[ "$failures" -eq 0 ] || exit 1
echo "package: $(basename "$deb") holds every installed file"
