#!/usr/bin/python3
"""Runs Lighthouse, from scripts/lib/web-tools, on the web zip served as a plain static server
serves it, with Debian's Chromium. tests/web/web.py asks it for the categories it asserts; by
itself, as scripts/bench may call it, it prints the median performance score of RUNS runs (3 unless
given) of each preset, against the goal.

usage: scripts/lib/lighthouse.py ZIP [RUNS]
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
if __name__ == "__main__":  # run alone, it first installs what it imports, as websocket
    subprocess.run([os.path.join(HERE, "..", "ensure-packages"), "web-tools"], check=True,
                   stdout=sys.stderr)
from browsers import LIMIT, Failure, Site, check  # noqa: E402

PRESETS = ["mobile", "desktop"]
PERFORMANCE_GOAL = 95
CHROMIUM = "/usr/bin/chromium"


def tools():
    """The folder scripts/lib/web-tools installs the npm tools into."""
    script = os.path.join(HERE, "web-tools")
    return subprocess.run([script], check=True, capture_output=True, text=True).stdout.strip()


def scores(node_modules, url, preset, categories):
    """Lighthouse's scores of the page, 0 to 100 by category, and what lost points where one is
    below 100."""
    with tempfile.TemporaryDirectory() as work:
        report = os.path.join(work, "report.json")
        command = ["node", os.path.join(node_modules, "lighthouse", "cli", "index.js"), url,
                   "--quiet", "--output=json", "--output-path=" + report,
                   "--only-categories=" + ",".join(categories),
                   "--chrome-flags=--headless=new --no-sandbox --disable-gpu"]
        if preset != "mobile":
            command.append("--preset=" + preset)
        run = subprocess.run(command, env=dict(os.environ, CHROME_PATH=CHROMIUM, HOME=work),
                             capture_output=True, text=True, timeout=10 * LIMIT)
        check(run.returncode == 0 and os.path.exists(report),
              "Lighthouse %s ended with %d: %s" % (preset, run.returncode, run.stderr[-800:]))
        with open(report) as f:
            result = json.load(f)
    check(not result.get("runtimeError"), "Lighthouse: %s" % result.get("runtimeError"))
    found = {name: round(100 * (c["score"] or 0)) for name, c in result["categories"].items()}
    lost = ["%s %s" % (ref["id"], result["audits"][ref["id"]]["score"])
            for c in result["categories"].values() for ref in c["auditRefs"]
            if ref["weight"] and (result["audits"][ref["id"]]["score"] or 0) < 1]
    return found, lost


def main():
    zip_path = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    node_modules = tools()
    with tempfile.TemporaryDirectory() as work:
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(work)
        site = Site(work)
        try:
            for preset in PRESETS:
                found = [scores(node_modules, site.base + "index.html", preset,
                                ["performance"])[0]["performance"] for _ in range(runs)]
                print("Lighthouse performance, %s: median %d of %s (goal >= %d)" % (
                    preset, statistics.median(found), found, PERFORMANCE_GOAL))
        except Failure as failure:
            print("FAIL: lighthouse: %s" % failure)
            return 1
        finally:
            site.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
