#!/usr/bin/env python3
"""Packs files of the game for the page, gzipped: NAME.bin, which the page fetches where it is
served, and NAME.js, a script that holds the same bytes in base64, for a page opened from disk or
in a sandboxed frame, which may fetch nothing. With --index, several files go in one pack after a
line of JSON that gives each one's name and size, in order; without it, the pack is one file.

usage: pack.py [--index] NAME FILE...
"""
import base64
import gzip
import json
import os
import sys


def main():
    arguments = sys.argv[1:]
    indexed = arguments[0] == "--index"
    if indexed:
        arguments = arguments[1:]
    name, files = arguments[0], arguments[1:]
    if not indexed and len(files) != 1:
        sys.exit("pack.py: one file, or --index")
    contents = []
    for path in files:
        with open(path, "rb") as f:
            contents.append(f.read())
    data = b"".join(contents)
    if indexed:
        index = [[os.path.basename(path), len(content)] for path, content in zip(files, contents)]
        data = json.dumps(index).encode() + b"\n" + data
    base = os.path.basename(name)  # no builder's folder in what players download
    packed = gzip.compress(data, compresslevel=9, mtime=0)  # the same bytes from the same files
    with open(name + ".bin", "wb") as f:
        f.write(packed)
    with open(name + ".js", "w") as f:
        f.write("// %s, gzipped, in base64: platform/web/pack.py wrote it.\n"
                "(self.zorvanelPacks = self.zorvanelPacks || {})[\"%s\"] =\n  \"%s\";\n"
                % (base, base, base64.b64encode(packed).decode("ascii")))


if __name__ == "__main__":
    main()
