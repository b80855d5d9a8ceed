#!/usr/bin/env python3
"""Watches the command-line converter's system calls through strace and checks when it waits for
the disk: an output that replaces an earlier one is synced before the rename puts it in place, a
new output is not synced on its own, and the file system of the result folder is synced once
after the last rename and before the report.

    sync_test.py BATCH-BINARY

Exit status 77 (skipped) when strace is missing or may not trace.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

RESULT = "转换结果"
TEMPORARY_MARKER = b".qfx-tmp-"
REPORT_START = "转换完成".encode()
CALLS = "fsync,fdatasync,rename,renameat,renameat2,linkat,syncfs,write"
LINE = re.compile(r"^(\d+)\s+(\w+)\((.*)\)\s+=\s+(-?\d+)")
QUOTED = re.compile(r'"((?:\\x[0-9a-f]{2})*)"')
DESCRIPTOR = re.compile(r"^\d+<((?:\\x[0-9a-f]{2})*)>")


def unescape(hexed):
    return bytes.fromhex(hexed.replace("\\x", ""))


def traced_calls(binary, folder, names):
    """The calls of one run, in order, as (pid, name, [arguments as bytes])."""
    log = os.path.join(folder, "strace.log")
    command = ["strace", "-f", "-qq", "-y", "-xx", "-s", "16", "-e", "trace=" + CALLS, "-o", log,
               binary, "-j", "2", "-t", "utf8"] + [os.path.join(folder, n) for n in names]
    # LeakSanitizer cannot work under a tracer; the sanitizer build's leak check is not for this.
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=env)
    calls = []
    pending = {}  # pid -> the start of a call another thread's line interrupted
    with open(log, encoding="ascii") as lines:
        for line in lines:
            line = line.rstrip("\n")
            pid = line.split(None, 1)[0]
            if line.endswith("<unfinished ...>"):
                pending[pid] = line[: -len("<unfinished ...>")].rstrip()
                continue
            resumed = re.match(r"^\d+\s+<\.\.\. \w+ resumed>(.*)$", line)
            if resumed:
                line = pending.pop(pid, "") + resumed.group(1)
            match = LINE.match(line)
            if not match or int(match.group(4)) < 0:
                continue
            pid, name, arguments = match.group(1), match.group(2), match.group(3)
            descriptor = DESCRIPTOR.match(arguments)
            values = [unescape(descriptor.group(1))] if descriptor else []
            values += [unescape(q) for q in QUOTED.findall(arguments)]
            calls.append((pid, name, values))
    os.remove(log)
    return calls


def check_run(calls, replaced, created):
    """Fails unless the outputs named in `replaced` were synced before their renames, those in
    `created` never were, and one file-system sync follows the last rename and precedes the
    report. Returns the problems found."""
    problems = []
    synced = set()  # (pid, temporary path)
    renamed = {}
    last_rename = report = first_syncfs_after = None
    for index, (pid, name, values) in enumerate(calls):
        if name in ("fsync", "fdatasync") and values:
            synced.add((pid, values[0]))
        elif name.startswith("rename") and len(values) == 2 and TEMPORARY_MARKER in values[0]:
            target = os.path.basename(values[1]).decode()
            renamed[target] = (pid, values[0]) in synced
            last_rename = index
        elif name == "linkat" and len(values) == 3 and TEMPORARY_MARKER not in values[2]:
            # A new output written without a name, linked in under its own.
            target = os.path.basename(values[2]).decode()
            renamed[target] = (pid, values[0]) in synced
            last_rename = index
        elif name == "syncfs" and last_rename is not None and first_syncfs_after is None:
            first_syncfs_after = index
        elif name == "write" and len(values) == 2 and values[1].startswith(REPORT_START):
            report = index
    for target in replaced:
        if not renamed.get(target):
            problems.append("%s replaced an earlier output without a sync before its rename"
                            % target)
    for target in created:
        if target not in renamed:
            problems.append("%s was never put in place" % target)
        elif renamed[target]:
            problems.append("%s is new, yet it was synced on its own" % target)
    if report is None:
        problems.append("no report was written")
    elif first_syncfs_after is None or first_syncfs_after > report:
        problems.append("no file-system sync between the last rename and the report")
    return problems


def main():
    binary = sys.argv[1]
    if shutil.which("strace") is None:
        print("strace is missing")
        return 77
    folder = tempfile.mkdtemp(prefix="qfx_sync_")
    try:
        if subprocess.run(["strace", "-qq", "-o", os.devnull, "true"]).returncode != 0:
            print("strace may not trace here")
            return 77
        for name in ("a.txt", "b.txt", "c.txt"):
            with open(os.path.join(folder, name), "w", encoding="utf-8") as out:
                out.write("青枫 %s\n" % name)
        problems = check_run(traced_calls(binary, folder, ["a.txt", "b.txt"]), [],
                             ["a.txt", "b.txt"])
        problems += check_run(traced_calls(binary, folder, ["a.txt", "b.txt", "c.txt"]),
                              ["a.txt", "b.txt"], ["c.txt"])
        for name in ("a.txt", "b.txt", "c.txt"):
            with open(os.path.join(folder, RESULT, name), encoding="utf-8-sig") as result:
                if result.read() != "青枫 %s\n" % name:
                    problems.append("%s has the wrong content" % name)
    finally:
        shutil.rmtree(folder)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
