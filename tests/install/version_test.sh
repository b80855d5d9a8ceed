#!/usr/bin/env bash
# Every place that shows the version shows the one of project() in CMakeLists.txt, and no other
# source writes the number: a new version is one edit.
# Usage: version_test.sh BUILD-DIR SOURCE-DIR VERSION
set -euo pipefail

build=$1
source=$2
version=$3
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect() { # WHERE SHOWN
    [ "$2" = "$version" ] || fail "$1 shows '$2' instead of $version"
}

expect "qingfengxia-batch --version" \
    "$("$build/app/qingfengxia-batch" --version | sed -n 's/^qingfengxia-batch //p')"
for page in qingfengxia qingfengxia-batch; do
    expect "man page $page" \
        "$(sed -n 's/^\.TH .* "qingfengxia \([^"]*\)".*/\1/p' "$build/data/man/$page.1")"
done
expect metainfo "$(grep -o -m1 '<release version="[^"]*"' \
    "$build/data/org.qingfengxia.Qingfengxia.metainfo.xml" | sed 's/.*="//; s/"$//')"
for element in title h1; do
    expect "help page <$element>" \
        "$(sed -n "s|.*<$element>青枫匣 v\([^ <]*\).*|\1|p" "$build/data/help/index.html")"
done
# The window's title is a UTF-16 literal in the program.
python3 - "$build/app/qingfengxia" "青枫匣 v$version" <<'PYTHON' || fail "the window title is not 青枫匣 v$version"
import sys
with open(sys.argv[1], "rb") as program:
    sys.exit(0 if sys.argv[2].encode("utf-16-le") in program.read() else 1)
PYTHON

# The sources write the number nowhere but in CMakeLists.txt (the notes in *.md aside, whose
# figures may look alike).
pattern="(^|[^0-9.])${version//./\\.}([^0-9]|$)"
written=$(grep -rIlE --exclude-dir=.git --exclude-dir='build*' --exclude-dir=corpus \
    --exclude-dir=corpus-run --exclude='*.md' -e "$pattern" "$source" |
    grep -vFx "$source/CMakeLists.txt" || true)
[ -z "$written" ] || fail "the version is written in:" $written

[ "$failures" -eq 0 ] || exit 1
echo "version: $version everywhere"
