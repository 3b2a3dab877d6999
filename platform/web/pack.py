#!/usr/bin/env python3
"""Packs the game's pictures and font into one script that holds them in base64, for the page to
hand to the game: a page opened from disk, or in a sandboxed frame, may fetch nothing.

usage: pack.py OUTPUT.js FILE...
"""
import base64
import os
import sys


def main():
    output, files = sys.argv[1], sys.argv[2:]
    lines = ["// Zorvanel's pictures and font, by name, in base64: platform/web/pack.py wrote it.",
             "var zorvanelFiles = {"]
    for path in files:
        with open(path, "rb") as f:
            data = base64.b64encode(f.read()).decode("ascii")
        lines.append('  "%s": "%s",' % (os.path.basename(path), data))
    lines.append("};")
    with open(output, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
