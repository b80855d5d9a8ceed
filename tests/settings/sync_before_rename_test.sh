#!/usr/bin/env bash
# The settings file saved over the earlier one reaches the disk before the rename puts it in
# place, so that a crash right after a save cannot leave an empty settings file. Watched with
# strace while the store's own test saves an in-memory copy over the file it was read from.
# Usage: sync_before_rename_test.sh STRACE CONFIG_STORE_TEST
set -u
strace=$1
store_test=$2
skip=77

if [ ! -x "$strace" ]; then
  echo "strace is needed (scripts/install-deps installs it)" >&2
  exit 1
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

# ptrace may be refused here (a container without the capability, Yama's ptrace scope).
if ! "$strace" -o /dev/null true 2>"$work/probe"; then
  if grep -q "Operation not permitted" "$work/probe"; then
    echo "strace cannot trace here: $(head -n 1 "$work/probe")"
    exit $skip
  fi
  cat "$work/probe" >&2
  exit 1
fi

# LeakSanitizer cannot work under a tracer; the sanitizer build's leak check is not for this.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
if ! "$strace" -f -qq -y -e trace=fsync,fdatasync,rename,renameat,renameat2 -o "$work/calls" \
  "$store_test" --gtest_filter=StoreFile.memoryCopyNeverTouchesDiskUntilSaved >"$work/out" 2>&1
then
  cat "$work/out" >&2
  exit 1
fi

# strace writes the file's name with octal escapes for its bytes beyond ASCII.
escaped=$(printf '%s' '青枫匣' | od -An -v -to1 | tr -s ' \n' ' ' | sed 's/ *$//; s/ /\\/g')
export target="/$escaped.ini\""

# Each rename onto the settings file must follow a sync of the renamed file, known by the path
# strace gives its descriptor (-y).
awk '
  /(fsync|fdatasync)\(/ {
    path = substr($0, index($0, "<") + 1)
    if (index($0, "<") && index(path, ">")) synced[substr(path, 1, index(path, ">") - 1)] = 1
  }
  /rename(at2?)?\(/ && index($0, ENVIRON["target"]) {
    source = $0; sub(/^[^"]*"/, "", source); sub(/".*$/, "", source)
    ++renames
    if (!(source in synced)) { print "renamed before any sync: " $0; bad = 1 }
  }
  END {
    if (renames == 0) { print "no rename onto the settings file was seen"; bad = 1 }
    exit bad
  }' "$work/calls" || { cat "$work/calls" >&2; exit 1; }
echo "the settings file was synced before each of its renames"
