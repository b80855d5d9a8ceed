#!/usr/bin/env python3
"""A 200 MB GBK stream converted by the command-line converter as one process and as many, split
at line ends by GNU parallel --pipe and joined in order: both give the same UTF-8 bytes, the ones
Python's own codecs give.

    pipe_test.py BATCH-BINARY

Exit status 77 (skipped) when GNU parallel is missing.
"""

import hashlib
import random
import shutil
import subprocess
import sys
import tempfile

SIZE = 200 << 20


def gbk_text(path):
    """Writes about SIZE bytes of numbered GBK lines; returns the SHA-256 of their UTF-8 form."""
    rng = random.Random(20261208)
    # GB2312's level-one characters, with ASCII words and full-width punctuation between them.
    hanzi = [bytes([lead, trail]).decode("gbk") for lead in range(0xB0, 0xD8)
             for trail in range(0xA1, 0xFF) if (lead, trail) < (0xD7, 0xFA)]
    words = hanzi * 2 + ["abc", "2026", "，", "。", "“", "”", " "]
    lines = ["".join(rng.choice(words) for _ in range(rng.randrange(0, 40)))
             for _ in range(4096)]
    utf8 = hashlib.sha256()
    written = 0
    with open(path, "wb") as out:
        block = 0
        while written < SIZE:
            text = "".join("%d.%d %s\r\n" % (block, i, line) for i, line in enumerate(lines))
            data = text.encode("gbk")
            out.write(data)
            utf8.update(text.encode("utf-8"))
            written += len(data)
            block += 1
    return utf8.hexdigest()


def output_digest(command, source):
    with open(source, "rb") as stream:
        run = subprocess.Popen(command, stdin=stream, stdout=subprocess.PIPE)
        digest = hashlib.sha256()
        for chunk in iter(lambda: run.stdout.read(1 << 20), b""):
            digest.update(chunk)
        if run.wait() != 0:
            sys.exit("%s exited with %d" % (command[0], run.returncode))
    return digest.hexdigest()


def main():
    batch = sys.argv[1]
    parallel = shutil.which("parallel")
    if not parallel:
        print("GNU parallel is not installed")
        return 77
    with tempfile.TemporaryDirectory(prefix="qfx-pipe-") as folder:
        source = folder + "/gbk.txt"
        expected = gbk_text(source)
        convert = [batch, "-f", "GBK", "-t", "UTF-8"]
        whole = output_digest(convert, source)
        pieces = output_digest([parallel, "--will-cite", "--pipe", "--block", "8M", "--keep-order"]
                               + convert, source)
    print("python", expected, "\none run", whole, "\nparallel", pieces)
    return 0 if expected == whole == pieces else 1


if __name__ == "__main__":
    sys.exit(main())
