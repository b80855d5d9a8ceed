#!/usr/bin/env python3
"""Kills the command-line converter with SIGKILL at many moments of a run over a folder of small
files and checks what a killed run leaves: never a partial file under a target name, sources
untouched; and after one more run to its end, every output complete and no temporary file left.

    kill_test.py BATCH-BINARY [--files N] [--kills N] [--seed N]

The expected outputs come from a clean run over a copy of the same files in another folder; its
length spreads the kill moments over a run (one moment drawn in each equal slice of it).
"""

import argparse
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RESULT = "转换结果"
TEMPORARY_MARKER = ".qfx-tmp-"

SENTENCES = [
    "今天天气很好，我们一起去公园散步吧。",
    "请把这份文件发给所有的同事，谢谢。",
    "新的软件版本修复了许多已知的错误。",
    "数据备份是保证信息安全的重要手段。",
    "Linux UTF-8 GBK test 2024年6月1日 value=42",
    "转换完成后，请检查输出文件的编码。",
    "这座城市的交通越来越方便了。",
]

# (part of the name, codec, mark)
KINDS = [
    ("gbk", "gb18030", b""),
    ("utf8", "utf-8", b""),
    ("utf8mark", "utf-8", b"\xef\xbb\xbf"),
    ("utf16le", "utf-16-le", b"\xff\xfe"),
    ("utf16be", "utf-16-be", b"\xfe\xff"),
]

NAME_STEMS = ["f", "报告", "文件 副本", "数据-"]


def write_sources(folder, count, rng):
    os.makedirs(folder)
    for index in range(count):
        part, codec, mark = rng.choice(KINDS)
        stem = rng.choice(NAME_STEMS)
        lines = [rng.choice(SENTENCES) for _ in range(rng.randrange(10, 120))]
        data = mark + ("\n".join(lines) + "\n").encode(codec)
        with open(os.path.join(folder, "%s%04d.%s.txt" % (stem, index, part)), "wb") as out:
            out.write(data)


def digests(folder):
    """{name: sha256} of the regular files directly in folder."""
    found = {}
    with os.scandir(folder) as entries:
        for entry in entries:
            if entry.is_file(follow_symlinks=False):
                with open(entry.path, "rb") as stream:
                    found[entry.name] = hashlib.sha256(stream.read()).hexdigest()
    return found


def is_temporary(name):
    return name.startswith(".") and TEMPORARY_MARKER in name


def run(batch, folder):
    return subprocess.run([batch, "--out", "utf8", "--folder", folder],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


class Checker:
    def __init__(self, source, sources, expected):
        self.source = source
        self.sources = sources
        self.expected = expected
        self.failures = []

    def fail(self, moment, text):
        self.failures.append("%s: %s" % (moment, text))

    def check(self, moment, finished):
        names = set(os.listdir(self.source))
        if names != set(self.sources) | {RESULT} and names != set(self.sources):
            self.fail(moment, "the source folder holds other files: %s"
                      % sorted(names - set(self.sources) - {RESULT})[:5])
        changed = [name for name, digest in digests(self.source).items()
                   if self.sources.get(name) != digest]
        if changed:
            self.fail(moment, "sources changed: %s" % changed[:5])
        result = os.path.join(self.source, RESULT)
        outputs = digests(result) if os.path.isdir(result) else {}
        temporaries = [name for name in outputs if is_temporary(name)]
        partial = [name for name, digest in outputs.items()
                   if not is_temporary(name) and self.expected.get(name) != digest]
        if partial:
            self.fail(moment, "outputs differing from the clean run's: %s" % partial[:5])
        if finished:
            if temporaries:
                self.fail(moment, "temporary files left: %s" % temporaries[:5])
            missing = set(self.expected) - set(outputs)
            if missing:
                self.fail(moment, "outputs missing: %s" % sorted(missing)[:5])


def private_folder():
    shm = "/dev/shm"
    if os.path.isdir(shm) and os.access(shm, os.W_OK | os.X_OK):
        return tempfile.mkdtemp(prefix="qfx-kill-", dir=shm)
    return tempfile.mkdtemp(prefix="qfx-kill-")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("batch")
    parser.add_argument("--files", type=int, default=2000)
    parser.add_argument("--kills", type=int, default=50)
    parser.add_argument("--seed", type=int, default=17)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    work = private_folder()
    try:
        reference = os.path.join(work, "reference")
        source = os.path.join(work, "source")
        write_sources(reference, args.files, rng)
        shutil.copytree(reference, source)
        sources = digests(source)

        started = time.monotonic()
        done = run(args.batch, reference)
        length = time.monotonic() - started
        if done.returncode != 0:
            sys.exit("kill_test: the reference run failed (%d): %s"
                     % (done.returncode, done.stderr.decode(errors="replace")[-2000:]))
        expected = digests(os.path.join(reference, RESULT))
        if len(expected) != args.files:
            sys.exit("kill_test: the reference run wrote %d outputs of %d"
                     % (len(expected), args.files))

        checker = Checker(source, sources, expected)
        ended_before = 0
        for index in range(args.kills):
            moment = length * (index + rng.random()) / args.kills
            process = subprocess.Popen([args.batch, "--out", "utf8", "--folder", source],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(moment)
            ended_before += process.poll() is not None
            process.send_signal(signal.SIGKILL)
            process.wait()
            checker.check("kill %d at %.3f s" % (index + 1, moment), finished=False)

        done = run(args.batch, source)
        if done.returncode != 0:
            checker.fail("clean run", "exit status %d" % done.returncode)
        checker.check("clean run", finished=True)
        print("kill_test: %d files, run length %.2f s, %d kills (%d after the run had ended), "
              "seed %d" % (args.files, length, args.kills, ended_before, args.seed))
        for failure in checker.failures:
            print("FAIL: " + failure, file=sys.stderr)
        return 1 if checker.failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
