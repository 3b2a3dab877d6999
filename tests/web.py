#!/usr/bin/env python3
"""Plays the web zip in headless Chromium as a player would, with real key events through the
DevTools protocol, and checks every frame pixel for pixel against the Linux game's frame for the
same reels, replayed under SDL's dummy driver. Prints the zip's size and the game's speed.

usage: web.py ZIP NO_SEVEN_FOLDER LINUX_ZORVANEL REPLAY_SO
"""
import base64
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request
import zipfile

import websocket

LIMIT = 30  # seconds any one wait may last; a wait that succeeds ends at once
WIDTH, HEIGHT = 430, 240
PICTURES = ["cherry.bmp", "bar.bmp", "bell.bmp", "lemon.bmp", "raspberry.bmp", "seven.bmp"]
SLOT_Y = 20  # the reels' top; their x comes from the layout trace
TRACE = ["153", "286", "419"]
# What the console may hold beyond the trace, by how each line starts, and why.
KNOWN = [
    # The browser's SDL reads a surface's canvas back whenever the surface is locked, which the
    # text module does to fill each line, every frame; Chromium suggests a faster canvas once.
    "warning: Canvas2D: Multiple readback operations using getImageData",
    # The game calls SDL_Quit at exit; the browser's SDL leaves its canvas to the page, and says so.
    "log: SDL_Quit called (and ignored)",
    # The game without seven.bmp: the browser's SDL says the picture is missing.
    "warning: Cannot find preloaded image /seven.bmp",
]
# Key events as Chromium takes them: key, code, Windows key code, text typed.
KEYS = {
    "space": (" ", "Space", 32, " "), "down": ("ArrowDown", "ArrowDown", 40, ""),
    "pagedown": ("PageDown", "PageDown", 34, ""), "a": ("a", "KeyA", 65, "a"),
    "5": ("5", "Digit5", 53, "5"), "enter": ("Enter", "Enter", 13, "\r"),
    "q": ("q", "KeyQ", 81, "q"), "escape": ("Escape", "Escape", 27, ""),
    "b": ("b", "KeyB", 66, "b"),
}
SPIN_KEYS = ["space", "down", "pagedown", "a", "5", "enter"]  # six different keys


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def within_limit(test, what):
    """Calls test every tenth of a second until it gives a true value, which it returns."""
    deadline = time.monotonic() + LIMIT
    while True:
        value = test()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("waited %d s for %s" % (LIMIT, what))
        time.sleep(0.1)


def read_bmp(path):
    """The pixels of a bottom-up 24-bit BMP as one RGB string, top row first, and its size."""
    with open(path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    check(int.from_bytes(data[28:30], "little") == 24 and height > 0, path + ": not 24-bit")
    row = (width * 3 + 3) // 4 * 4
    rgb = bytearray()
    for y in range(height - 1, -1, -1):
        line = data[offset + y * row: offset + y * row + width * 3]
        for x in range(0, len(line), 3):
            rgb += bytes((line[x + 2], line[x + 1], line[x]))
    return bytes(rgb), width, height


class Browser:
    """Headless Chromium with a fresh profile and home, driven on one page over DevTools."""

    def __init__(self, work):
        home, profile = os.path.join(work, "home"), os.path.join(work, "profile")
        os.mkdir(home)
        os.mkdir(profile)
        self.log = open(os.path.join(work, "chromium.log"), "w")
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--force-device-scale-factor=1", "--force-color-profile=srgb",
             "--window-size=800,420", "--user-data-dir=" + profile,
             "--remote-debugging-port=0", "about:blank"],
            env=dict(os.environ, HOME=home), stdout=self.log, stderr=self.log,
            start_new_session=True)  # so that closing it ends its helper processes too
        port_file = os.path.join(profile, "DevToolsActivePort")
        within_limit(lambda: os.path.exists(port_file) and open(port_file).read().strip(),
                     "Chromium to start")
        port = open(port_file).read().split()[0]
        pages = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port))
        page = next(p for p in pages if p["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=LIMIT)
        self.next_id = 0
        self.console = []  # every console line and logged error, in order
        self.requested = []  # every address the page asked for
        for domain in ["Page", "Runtime", "Log", "Network"]:
            self.call(domain + ".enable")
        self.call("Emulation.setFocusEmulationEnabled", enabled=True)  # as a player's open tab

    def call(self, method, quiet=False, **params):
        """Sends a command and returns its result; with quiet, None where it fails."""
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            try:
                message = json.loads(self.socket.recv())
            except websocket.WebSocketTimeoutException:
                raise Failure("the page did not answer %s within %d s" % (method, LIMIT))
            if message.get("id") == self.next_id:
                if quiet and "error" in message:
                    return None
                check("error" not in message, "%s: %s" % (method, message.get("error")))
                return message["result"]
            self.note(message)

    def note(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append(params["type"] + ": " + text)
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            thrown = details.get("exception", {}).get("description", details["text"])
            self.console.append("exception: " + thrown.split("\n")[0])
        elif method == "Network.requestWillBeSent":
            self.requested.append(params["request"]["url"])
        elif method == "Log.entryAdded":
            self.console.append(params["entry"]["level"] + ": " + params["entry"]["text"])

    def evaluate(self, expression, **options):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, **options)
        check("exceptionDetails" not in result, expression + ": " + json.dumps(result)[:400])
        return result["result"].get("value")

    def poll(self, expression):
        """The expression's value, or None while the page is between documents."""
        result = self.call("Runtime.evaluate", quiet=True, expression=expression,
                           returnByValue=True)
        if not result or "exceptionDetails" in result:
            return None
        return result["result"].get("value")

    def press(self, name):
        key, code, number, text = KEYS[name]
        common = dict(key=key, code=code, windowsVirtualKeyCode=number, nativeVirtualKeyCode=number)
        self.call("Input.dispatchKeyEvent", type="keyDown" if text else "rawKeyDown", text=text,
                  **common)
        self.call("Input.dispatchKeyEvent", type="keyUp", **common)

    def frame(self):
        """The canvas's pixels as one RGB string, top row first, read through a copy made for
        reading, as Chromium asks of a canvas read often."""
        return base64.b64decode(self.evaluate(
            "(() => { const c = document.getElementById('canvas');"
            " const copy = new OffscreenCanvas(c.width, c.height);"
            " const context = copy.getContext('2d', {willReadFrequently: true});"
            " context.drawImage(c, 0, 0);"
            " const d = context.getImageData(0, 0, c.width, c.height).data;"
            " let s = ''; for (let i = 0; i < d.length; i += 4)"
            " s += String.fromCharCode(d[i], d[i + 1], d[i + 2]); return btoa(s); })()"))

    def open(self, url):
        """Opens the page, and waits until the document shown is its, not the last one's."""
        self.call("Page.navigate", url=url)
        within_limit(lambda: self.poll("location.href") == url, "the page to open")

    def started(self):
        """Waits for a game's first frame; returns the milliseconds from opening the page to it."""
        return within_limit(lambda: not self.crashed() and self.poll(
            "typeof Module === 'object' && document.body && !document.body.dataset.status"
            " && Module.frames > 0"
            " && Module.firstFrameAt"), "the game's first frame")

    def crashed(self):
        """Fails at once when the page has thrown an exception: the game will not start."""
        thrown = [line for line in self.console if line.startswith("exception: ")]
        check(not thrown, "the page threw: " + "; ".join(thrown))

    def exit_status(self):
        return within_limit(lambda: self.poll("document.body.dataset.status"),
                            "the game to end")

    def close(self):
        self.socket.close()
        os.killpg(self.process.pid, signal.SIGKILL)
        self.process.wait()
        self.log.close()


class Game:
    """Reads the reels off a frame, and renders the Linux game's frames for given reels."""

    def __init__(self, linux_game, replay, work):
        self.linux_game, self.replay, self.work = linux_game, replay, work
        folder = os.path.dirname(linux_game)
        self.pictures = [read_bmp(os.path.join(folder, name)) for name in PICTURES]

    def reels(self, frame, slot_xs):
        """The symbol each slot shows whole, by its picture; fails when one shows none."""
        found = []
        for x0 in slot_xs:
            for symbol, (rgb, w, h) in enumerate(self.pictures):
                if all(frame[((SLOT_Y + y) * WIDTH + x0) * 3:((SLOT_Y + y) * WIDTH + x0 + w) * 3]
                       == rgb[y * w * 3:(y + 1) * w * 3] for y in range(h)):
                    found.append(symbol)
                    break
            else:
                raise Failure("the slot at x %d shows no whole picture" % x0)
        return found

    def linux_frames(self, reels, spins):
        """The Linux game's frames for these reels: the opening one, then one after each spin."""
        folder = tempfile.mkdtemp(dir=self.work)
        env = dict(os.environ, SDL_VIDEODRIVER="dummy", LD_PRELOAD=self.replay,
                   ZORVANEL_REELS=" ".join(map(str, reels)), ZORVANEL_SPINS=str(spins),
                   ZORVANEL_FRAMES=folder)
        run = subprocess.run([self.linux_game], cwd=os.path.dirname(self.linux_game), env=env,
                             capture_output=True, text=True, timeout=LIMIT)
        check(run.returncode == 0, "the Linux game's replay ended with %d: %s"
              % (run.returncode, run.stderr))
        return [read_bmp(os.path.join(folder, "%d.bmp" % n))[0] for n in range(spins + 1)]


def first_difference(seen, expected):
    for i in range(0, len(expected), 3):
        if seen[i:i + 3] != expected[i:i + 3]:
            return "pixel %d,%d is %s, the Linux game's %s" % (
                i // 3 % WIDTH, i // 3 // WIDTH, seen[i:i + 3].hex(), expected[i:i + 3].hex())
    return ""


def play(browser, game, keys):
    """Waits for the game, presses keys, and checks each frame against the Linux game's."""
    first_ms = browser.started()
    check(browser.evaluate("[Module.canvas.width, Module.canvas.height]") == [WIDTH, HEIGHT],
          "the game is not %d x %d" % (WIDTH, HEIGHT))
    shown = browser.evaluate("Module.canvas.getBoundingClientRect().width * devicePixelRatio")
    check(shown % WIDTH == 0, "the game is %s device pixels wide, not a whole multiple" % shown)
    step = int(TRACE[1]) - int(TRACE[0])
    slot_xs = [int(x) - step for x in TRACE]
    frames = [browser.frame()]

    def new_frame():
        frame = browser.frame()
        return frame if frame != frames[-1] else None

    for key in keys:
        browser.press(key)
        frames.append(within_limit(new_frame, "a new frame after key " + key))
        check(browser.evaluate("window.scrollY") == 0, "key %s scrolled the page" % key)
    reels = [r for frame in frames for r in game.reels(frame, slot_xs)]
    for n, (seen, expected) in enumerate(zip(frames, game.linux_frames(reels, len(keys)))):
        difference = first_difference(seen, expected)
        check(not difference, "frame %d (%s): %s" % (n, "opening" if n == 0 else
                                                     "after " + keys[n - 1], difference))
    return first_ms


def frames_per_second(browser):
    """The game's frames a second over two seconds, and the browser's own animation frames."""
    game, browser_frames, ms = browser.evaluate(
        "new Promise(done => { const f0 = Module.frames, t0 = performance.now(); let n = 0;"
        " const count = () => { n++; const t = performance.now() - t0;"
        " if (t < 2000) requestAnimationFrame(count); else done([Module.frames - f0, n, t]); };"
        " requestAnimationFrame(count); })", awaitPromise=True)
    return game * 1000 / ms, browser_frames * 1000 / ms


def ended_with(browser, key):
    browser.press(key)
    check(browser.exit_status() == "0", "%s ended the game with status %s, not 0"
          % (key, browser.evaluate("document.body.dataset.status")))
    check("Game over" in browser.evaluate("statusLine.textContent"), "the page does not say so")


def main():
    zip_path, no_seven, linux_game, replay = map(os.path.abspath, sys.argv[1:5])
    work = tempfile.mkdtemp()
    server = browser = None
    try:
        site = os.path.join(work, "site")
        with zipfile.ZipFile(zip_path) as archive:
            names = archive.namelist()
            check("index.html" in names, "index.html is not at the top of the zip")
            archive.extractall(os.path.join(site, "game"))
        shutil.copytree(no_seven, os.path.join(site, "no-seven"))
        server = subprocess.Popen(
            [sys.executable, "-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
             site, "0"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        port = server.stdout.readline().split(" port ")[1].split()[0]
        base = "http://127.0.0.1:%s/" % port
        browser = Browser(work)
        game = Game(linux_game, replay, work)

        browser.open(base + "game/index.html")
        first_ms = play(browser, game, SPIN_KEYS)
        print("ok: web first frame and six keys, each frame the Linux game's")
        fps = frames_per_second(browser)
        ended_with(browser, "q")
        before = browser.frame()
        browser.press("b")
        time.sleep(0.5)
        check(browser.frame() == before, "a key after Q changed the frame")
        print("ok: web Q ends with status 0, and a key after it changes nothing")

        browser.press("enter")  # play again
        play(browser, game, [])
        ended_with(browser, "escape")
        print("ok: web play again, and Escape ends with status 0")

        browser.open(base + "no-seven/index.html")
        check(browser.exit_status() == "1", "a missing seven.bmp did not end with status 1")
        check("could not start" in browser.evaluate("statusLine.textContent"),
              "the page does not say the game could not start")
        print("ok: web missing seven.bmp ends with status 1, and the page says so")

        # The pictures reach the browser's decoder as blobs of the page's own.
        elsewhere = [url for url in browser.requested if not url.startswith((base, "blob:" + base))]
        check(not elsewhere, "the page loaded from elsewhere: " + " ".join(elsewhere))
        unknown = [line for line in browser.console if not line.startswith(tuple(KNOWN))]
        check(unknown == ["log: " + line for line in TRACE * 2],
              "the console holds more or less than the two games' traces:\n  "
              + "\n  ".join(unknown))
        print("ok: web console holds the trace of each game, and nothing unexplained")

        sizes = {name: os.path.getsize(os.path.join(site, "game", name))
                 for name in ["zorvanel.wasm", "zorvanel.js", "zorvanel.data"]}
        print("zip %d kB (at most 1500 kB); %s; first frame %.0f ms after opening the page; "
              "%.1f frames a second, the browser's own %.1f" % (os.path.getsize(zip_path) // 1000,
                  ", ".join("%s %d kB" % (n, s // 1000) for n, s in sizes.items()), first_ms, *fps))
    except Failure as failure:
        print("FAIL: web: %s" % failure)
        if browser:
            print("console:\n  " + "\n  ".join(browser.console))
        return 1
    finally:
        if browser:
            browser.close()
        if server:
            server.kill()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
