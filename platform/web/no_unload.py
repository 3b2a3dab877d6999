#!/usr/bin/env python3
"""Takes the browser's SDL's unload listener out of zorvanel.js: a page with one cannot enter the
browser's back/forward cache, and this one does nothing for the game, which runs no main loop of
Emscripten's, the only one it would run. Fails if the listener is not found exactly once.

usage: no_unload.py ZORVANEL.js
"""
import re
import sys

LISTENER = re.compile(rb'window\.addEventListener\(\s*"unload"\s*,\s*SDL\.receiveEvent\s*\)\s*;?')


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        script = f.read()
    script, found = LISTENER.subn(b"", script)
    if found != 1:
        sys.exit("%s: the browser's SDL's unload listener found %d times, not once"
                 % (path, found))
    with open(path, "wb") as f:
        f.write(script)
    return 0


if __name__ == "__main__":
    sys.exit(main())
