#!/usr/bin/env python3
"""One-process converter for the comparison with many small files: every file of a folder
decoded by its byte-order mark, else as UTF-8 when that works, else as GB18030, and written as
UTF-8 with a mark into the output folder.

    py_convert.py SOURCE_FOLDER OUTPUT_FOLDER
"""

import os
import sys

MARKS = [(b"\xef\xbb\xbf", "utf-8"), (b"\xff\xfe", "utf-16-le"), (b"\xfe\xff", "utf-16-be")]


def decode(data):
    for mark, codec in MARKS:
        if data.startswith(mark):
            return data[len(mark):].decode(codec, errors="replace")
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("gb18030", errors="replace")


def main():
    source, output = sys.argv[1], sys.argv[2]
    os.makedirs(output, exist_ok=True)
    for entry in os.scandir(source):
        if not entry.is_file():
            continue
        with open(entry.path, "rb") as stream:
            text = decode(stream.read())
        with open(os.path.join(output, entry.name), "wb") as stream:
            stream.write(b"\xef\xbb\xbf" + text.encode("utf-8"))


if __name__ == "__main__":
    main()
