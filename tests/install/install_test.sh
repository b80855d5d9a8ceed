#!/usr/bin/env bash
# Installs the build into a private prefix and uses it as a user would: the validators on the
# desktop entry and metadata, every file in its place, a conversion by the installed converter,
# its shell completion, and the installed window on a virtual display.
# Usage: install_test.sh BUILD-DIR
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
app_id=org.qingfengxia.Qingfengxia
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
desktop=$share/applications/$app_id.desktop

# Validators: silent on success, so any output is a complaint.
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
fi
if ! out=$(appstreamcli validate --no-net --no-color "$share/metainfo/$app_id.metainfo.xml" 2>&1) ||
    grep -q '^[EWI]:' <<<"$out"; then
    fail "appstreamcli validate: $out"
fi

expected=(
    bin/qingfengxia
    bin/qingfengxia-batch
    share/applications/$app_id.desktop
    share/metainfo/$app_id.metainfo.xml
    share/icons/hicolor/scalable/apps/$app_id.svg
    share/man/man1/qingfengxia.1
    share/man/man1/qingfengxia-batch.1
    share/bash-completion/completions/qingfengxia-batch
    share/qingfengxia/help/index.html
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for f in "${expected[@]}"; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for f in bin/qingfengxia bin/qingfengxia-batch; do
    [ -x "$prefix/$f" ] || fail "not executable: $f"
done

# Each PNG of the theme has the size its folder names (width and height from the IHDR chunk).
for png in "$share"/icons/hicolor/*/apps/*.png; do
    folder=$(basename "$(dirname "$(dirname "$png")")")
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "${w}x${h}" = "$folder" ] || fail "$png is ${w}x${h}"
done

# The manual pages render without complaint.
for page in "$share"/man/man1/*.1; do
    if ! out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || [ -n "$out" ]; then
        fail "man $page: $out"
    fi
    # Plain groff too, without a preprocessor to turn the Chinese into its escapes.
    out=$(groff -man -ww -Tutf8 -z "$page" 2>&1)
    [ -z "$out" ] || fail "groff $page: $out"
done

# The installed converter: bytes in, bytes out (the script conversion needs the system's
# dictionaries).
hex() { od -An -tx1 "$1" | tr -d ' \n'; }
while IFS='|' read -r name options source result; do
    dir=$work/convert-$name
    mkdir -p "$dir"
    printf "$(sed 's/../\\x&/g' <<<"$source")" >"$dir/sample.txt"
    # shellcheck disable=SC2086
    if ! "$prefix/bin/qingfengxia-batch" $options "$dir/sample.txt" >"$dir/log" 2>&1; then
        fail "$name: qingfengxia-batch failed: $(cat "$dir/log")"
    elif [ "$(hex "$dir/转换结果/sample.txt")" != "$result" ]; then
        fail "$name: wrote $(hex "$dir/转换结果/sample.txt"), expected $result"
    fi
    [ "$(hex "$dir/sample.txt")" = "$source" ] || fail "$name: the source changed"
done <<'ROWS'
gbk-to-utf8|--in ansi --out utf8|d6d0cec40a|efbbbfe4b8ade696870a
gbk-to-utf16le|--out utf16le|d6d0cec40a|fffe2d4e87650a00
simplified-to-traditional|--in ansi --out utf8 --script s2t|cdb7b7a20a|efbbbfe9a0ade9abae0a
ROWS

# The completion offers what --help lists: every option and every ENC and MODE value.
completion=$share/bash-completion/completions/qingfengxia-batch
help=$("$prefix/bin/qingfengxia-batch" --help)
complete_words() {
    PATH="$prefix/bin:$PATH" bash -c 'source "$1"; shift; COMP_WORDS=(qingfengxia-batch "$@"); COMP_CWORD=$#
             _qingfengxia_batch; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" | sort
}
check_completion() {
    local what=$1 listed=$2
    shift 2
    local missing
    missing=$(comm -23 <(sort <<<"$listed") <(complete_words "$@"))
    [ -z "$missing" ] || fail "completion of $what lacks:" $missing
}
check_completion options "$(grep -o -- '--[a-z-]*' <<<"$help" | sort -u)" --
check_completion ENC "$(sed -n 's/^ *ENC: *//p' <<<"$help" | sed 's/ (default)//' | tr -d ' ' | tr '|' '\n')" --in ''
check_completion "--list names" "$("$prefix/bin/qingfengxia-batch" --list | tr ' ' '\n')" --in ''
check_completion MODE "$(sed -n 's/^ *MODE: *//p' <<<"$help" | sed 's/ (default)//' | tr -d ' ' | tr '|' '\n')" --script ''

# What the window uses: the icon named by the desktop entry in the installed theme, and the
# help page beside <prefix>/bin with every picture it shows.
icon=$(sed -n 's/^Icon=//p' "$desktop")
for f in "$share/icons/hicolor/scalable/apps/$icon.svg" "$share/icons/hicolor/48x48/apps/$icon.png"; do
    [ -f "$f" ] || fail "no icon $f for Icon=$icon"
done
help_page=$prefix/bin/../share/qingfengxia/help/index.html
for picture in $(grep -o 'src="[^"]*"' "$help_page" | sed 's/src="\(.*\)"/\1/'); do
    [ -f "$(dirname "$help_page")/$picture" ] || fail "the help page shows a missing $picture"
done

# The installed window stays up on a virtual display, carries the window class the desktop
# entry names, writes nothing into the prefix (not even a settings file, though the tests' bin
# folder takes files) and ends on SIGTERM; its settings go into the user's folder.
list_prefix() { find "$prefix" | sort; }
list_prefix >"$work/before"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
mkdir -m 0700 "$work/home"
cat >"$work/window.sh" <<'WINDOW'
program=$1 wm_class=$2
"$program" &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    echo "the window ended early"
    exit 1
fi
found=no
for id in $(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    xprop -id "$id" WM_CLASS 2>/dev/null | grep -q "\"$wm_class\"\$" && found=yes
done
[ "$found" = yes ] || echo "no window of class $wm_class"
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 143 ] || echo "the window ended with status $status"
WINDOW
out=$(HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_DIRS=$share:/usr/share \
    timeout 60 xvfb-run -a bash "$work/window.sh" "$prefix/bin/qingfengxia" "$wm_class" 2>/dev/null) ||
    fail "the window could not be run on Xvfb"
[ -z "$out" ] || fail "window: $out"
list_prefix | diff "$work/before" - >&2 || fail "the window wrote into its prefix"
[ -f "$work/home/.config/青枫匣/青枫匣.ini" ] || fail "no settings file in the user's folder"

# The menu entry never becomes the opener of text files or web pages, even on a desktop with no
# other handler (a fresh home, the prefix the only data folder, its cache built as the package's
# trigger builds it): a double-click or the help link must not start the program. It still
# takes files, so a file manager's "Open with" lists it among the other applications.
update-desktop-database "$share/applications"
mkdir -m 0700 "$work/mime-home"
for type in text/plain text/html; do
    handler=$(env -i PATH="$PATH" HOME="$work/mime-home" XDG_DATA_HOME="$work/mime-home/data" \
        XDG_CONFIG_HOME="$work/mime-home/config" XDG_DATA_DIRS="$share" \
        XDG_CONFIG_DIRS="$work/mime-home/etc" xdg-mime query default "$type")
    [ "$handler" != "$app_id.desktop" ] || fail "$type opens with the program by default"
done
grep -Eq '^Exec=qingfengxia .*%F' "$desktop" || fail "the menu entry takes no files"

[ "$failures" -eq 0 ] || exit 1
echo "install: all checks passed"
