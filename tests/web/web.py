#!/usr/bin/env python3
"""Plays the web zip in Chromium, Firefox and WebKitGTK as a player would, with real key events,
clicks and, on Chromium's emulated phones, taps, and checks every frame pixel for pixel against
the Linux game's frame for the same reels, replayed under SDL's dummy driver. It also opens the
page from disk, in a sandboxed frame and with its files missing or broken, and sizes it on
phones and desktops, judged by axe-core and Lighthouse. Prints the zip's size, and each
browser's first frame, what it fetched before it (asserted), and its speed.

usage: web.py ZIP NO_SEVEN_FOLDER LINUX_FOLDER WEB_TOOLS LATER_FOLDER
  (WEB_TOOLS: the folder scripts/lib/web-tools prints; LATER_FOLDER: a later build, a meta on
  its page)
LINUX_FOLDER holds the Linux game, its art, assets.txt and the replay module, libreplay.so.
With ZORVANEL_WEB_SHOTS naming a folder, the browsers leave screenshots of what they saw there.
"""
import base64
import gzip
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

from fontTools.ttLib import TTFont

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(TOP, "scripts", "lib"))  # the browsers, driven as the tools do
import lighthouse  # noqa: E402
from browsers import (LIMIT, Chromium, Failure, Firefox, Site, WebKit, check,  # noqa: E402
                      within_limit)

WIDTH, HEIGHT = 430, 240
ZIP_LIMIT = 1500 * 1000  # bytes
FETCH_LIMIT = 400 * 1000  # bytes the page may fetch before its first frame, from this server
# Bytes of the page and all it fetched before its first frame, headers included, as they came
# from the test's server, which does not compress.
FETCHED = ("performance.getEntries().filter(e => 'transferSize' in e && e.responseEnd <="
           " Module.firstFrameAt).reduce((sum, e) => sum + e.transferSize, 0)")
SLOT_Y = 20  # the reels' top; their x comes from the layout trace
TRACE = ["153", "286", "419"]
SYMBOLS = ["Cherry", "Bar", "Bell", "Lemon", "Raspberry", "Seven"]  # as a screen reader says them
# axe-core's rules for WCAG 2.0, 2.1 and 2.2 at levels A and AA, and its best practices.
AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa", "best-practice"]
# What Lighthouse must score at 100 on each of its presets.
JUDGED = ["accessibility", "best-practices", "seo"]
# What the console may hold beyond the trace, by how each line starts, and why.
KNOWN = [
    # The page reads each picture back once from the canvas the browser decoded it into, which
    # may be one its SDL read before; Chromium suggests a faster canvas.
    "warning: Canvas2D: Multiple readback operations using getImageData",
    # The game calls SDL_Quit at exit; the browser's SDL leaves its canvas to the page, and says so.
    "log: SDL_Quit called (and ignored)",
    # The game without seven.bmp: the browser's SDL says the picture is missing.
    "warning: Cannot find preloaded image /seven.bmp",
]
# A player's ways to spin: keys that must not scroll the page, a modifier's own press, a click
# or tap on the game, and the Spin control clicked or tapped. Control+F spins once, by Control:
# the F is the browser's, as are a function key, the context menu's and a browser, media and
# system key, with Shift (WebDriver's browsers press only the Shift of those they cannot).
SPINS = ["space", "down", "pagedown", "a", "5", "enter", "shift", "control", "control+f",
         "shift+f2", "shift+contextmenu", "shift+browserforward", "shift+mediaplaypause",
         "shift+power", "canvas-click", "spin-click"]
KEPT = ["f", "F2", "ContextMenu", "BrowserForward", "MediaPlayPause", "Power"]  # the browser's
# Each browser, how it presses "Play again" (a key where the window has the focus), and whether
# its frame rate is asserted (WebKitGTK's follows Xvfb's, not its own animation frames').
ENGINES = [(Chromium, "enter", True), (Firefox, "again-click", True), (WebKit, "space", False)]
# Screens in Chromium's device emulation: name, CSS pixels, density, whether it is a phone
# (touch), the fewest device pixels per game pixel, and whether the phone was turned to it.
SCREENS = [
    ("portrait", 390, 844, 3, True, 2, False),
    ("landscape", 844, 390, 3, True, 3, True),
    ("laptop", 1366, 768, 1, False, 2, False),
    ("desktop", 1920, 1080, 1, False, 3, False),
    ("dense laptop", 1280, 800, 2, False, 5, False),
]
# Copies of the page with a file missing or broken: folder, file (by how its name starts), how it
# is broken (given the later build's folder too), and the file the page then names. Those that
# name a .js are opened from disk. An upload caught halfway: the later build's script, which
# asks for its own data pack, with the earlier packs.
BROKEN = [
    ("no-game", "zorvanel-game-", lambda data, later: None, "zorvanel-game-"),
    ("torn-game", "zorvanel-game-", lambda data, later: data[:len(data) // 2], "zorvanel-game-"),
    ("torn-wasm", "zorvanel-wasm-", lambda data, later: data[:len(data) // 2], "zorvanel-wasm-"),
    ("bad-wasm", "zorvanel-wasm-", lambda data, later: gzip.compress(b"\0asm" + data[4:40]),
     "zorvanel-wasm-"),
    ("no-data", "zorvanel-data-", lambda data, later: None, "zorvanel-data-"),
    ("torn-data", "zorvanel-data-", lambda data, later: data[:len(data) // 2], "zorvanel-data-"),
    ("no-game-js", "zorvanel.js", lambda data, later: None, "zorvanel.js, the game itself, is m"),
    ("torn-data-js", "zorvanel-data.js", lambda data, later: data[:len(data) // 2],
     "zorvanel-data.js, its pictures and font, is b"),
    ("halfway", "page.js", lambda data, later: open(os.path.join(later, "page.js"), "rb").read(),
     "zorvanel-data-"),
]
# Copies of the page as an injection or an older browser leave it: file, what, what it becomes.
VARIANTS = [
    ("injected.html", "</main>", '</main><script>injected = 1</script><script src="%sgame/'
     'fflate.js"></script>'),  # after the page's policy, as an injection comes; from elsewhere
    ("old.html", "<head>", "<head><script>delete self.DecompressionStream</script>"),
    ("ancient.html", "<head>", "<head><script>delete self.WebAssembly</script>"),
    ("unsafe.html", " 'wasm-unsafe-eval'", ""),  # a browser before 2022 refuses all wasm
]


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


class Game:
    """Reads the reels off a frame, and renders the Linux game's frames for given reels."""

    def __init__(self, linux, work):
        self.linux, self.work = linux, work
        with open(os.path.join(linux, "assets.txt")) as f:
            names = [name for name in f.read().split() if name.endswith(".bmp")]
        self.pictures = [read_bmp(os.path.join(linux, name)) for name in names]

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
        """The Linux game's frames and score lines: the opening one, then one after each spin."""
        folder = tempfile.mkdtemp(dir=self.work)
        env = dict(os.environ, SDL_VIDEODRIVER="dummy",
                   LD_PRELOAD=os.path.join(self.linux, "libreplay.so"),
                   ZORVANEL_REELS=" ".join(map(str, reels)), ZORVANEL_SPINS=str(spins),
                   ZORVANEL_FRAMES=folder)
        run = subprocess.run([os.path.join(self.linux, "zorvanel")], cwd=self.linux, env=env,
                             capture_output=True, text=True, timeout=LIMIT)
        check(run.returncode == 0, "the Linux game's replay ended with %d: %s"
              % (run.returncode, run.stderr))
        return ([read_bmp(os.path.join(folder, "%d.bmp" % n))[0] for n in range(spins + 1)],
                open(os.path.join(folder, "scores")).read().splitlines()[:spins + 1])


def font_covers(zip_path):
    """The font in the zip's data pack, cut for the web, has a glyph for every character the game
    can draw: its two lines' (src/layout.h), whatever the score."""
    with zipfile.ZipFile(zip_path) as archive:
        packed = gzip.decompress(archive.read(next(name for name in archive.namelist()
                                                   if name.startswith("zorvanel-data-"))))
    end = packed.index(b"\n")
    at, fonts = end + 1, []
    for name, size in json.loads(packed[:end]):
        if name.endswith(".ttf"):
            fonts.append(TTFont(io.BytesIO(packed[at:at + size])).getBestCmap())
        at += size
    with open(os.path.join(TOP, "src", "layout.h")) as f:
        score, instruction = re.findall(r'(?:SCORE_FORMAT|INSTRUCTION_TEXT) = "([^"]*)"',
                                        f.read())
    drawn = set(score % -1234567890 + score % 9 + instruction)
    check(len(fonts) == 1, "the data pack holds %d fonts, not one" % len(fonts))
    missing = sorted(c for c in drawn if ord(c) not in fonts[0])
    check(not missing, "the web's font has no glyph for %r" % "".join(missing))


def frame(browser):
    """The canvas's pixels as one RGB string, top row first, read through a copy made for
    reading, as Chromium asks of a canvas read often."""
    return base64.b64decode(browser.evaluate(
        "(() => { const c = document.getElementById('canvas');"
        " const copy = document.createElement('canvas'); copy.width = c.width;"
        " copy.height = c.height;"
        " const context = copy.getContext('2d', {willReadFrequently: true});"
        " context.drawImage(c, 0, 0);"
        " const d = context.getImageData(0, 0, c.width, c.height).data;"
        " let s = ''; for (let i = 0; i < d.length; i += 4)"
        " s += String.fromCharCode(d[i], d[i + 1], d[i + 2]); return btoa(s); })()"))


def centre(browser, element):
    """Where the element's centre is, in the window's CSS pixels."""
    return browser.evaluate("(r => [r.x + r.width / 2, r.y + r.height / 2])"
                            "(document.getElementById('%s').getBoundingClientRect())" % element)


def act(browser, action):
    """A key by its name, or a click or tap on an element, as "canvas-tap" or "spin-click"."""
    if "-" in action:
        element, how = action.split("-")
        getattr(browser, how)(*centre(browser, element))
    else:
        browser.press(action)


def started(browser):
    """Waits for a game's first frame; returns the milliseconds from opening the page to it."""
    def first_frame():
        thrown = [line for line in browser.console()[browser.opened_at:]
                  if line.startswith("exception: ")]
        check(not thrown, "the page threw: " + "; ".join(thrown))
        return browser.poll("typeof Module === 'object' && !document.body.dataset.status"
                            " && Module.frames > 0 && Module.firstFrameAt")
    return within_limit(first_frame, "the game's first frame")


def play(browser, game, actions):
    """Waits for a new game, acts, and checks each frame against the Linux game's, and the words."""
    first_ms = started(browser)
    browser.evaluate("window.said = [statusLine.textContent], new MutationObserver(() =>"
                     " said.push(statusLine.textContent)).observe(statusLine, {childList: true}),"
                     " window.keysSeen = [], addEventListener('keydown', e =>"
                     " keysSeen.push([e.key, e.defaultPrevented]))")
    check(browser.evaluate("[canvas.width, canvas.height]") == [WIDTH, HEIGHT],
          "the game is not %d x %d" % (WIDTH, HEIGHT))
    step = int(TRACE[1]) - int(TRACE[0])
    slot_xs = [int(x) - step for x in TRACE]
    frames = [frame(browser)]

    def new_frame():
        shown = frame(browser)
        return shown if shown != frames[-1] else None

    for action in actions:
        act(browser, action)
        frames.append(within_limit(new_frame, "a new frame after " + action))
        check(browser.evaluate("[scrollY, visualViewport.scale]") == [0, 1],
              action + " scrolled or zoomed the page")
    reels = [r for shown in frames for r in game.reels(shown, slot_xs)]
    expected_frames, scores = game.linux_frames(reels, len(actions))
    expected_said = ["%s. Score %s." % (", ".join(SYMBOLS[r] for r in reels[3 * n:3 * n + 3]),
                                        line.split()[-1]) for n, line in enumerate(scores)]
    heard = browser.evaluate("said")
    check(heard == expected_said, "the live region said %s, not %s" % (heard, expected_said))
    wrong = [seen for seen in browser.evaluate("keysSeen") if seen[1] == (seen[0] in KEPT)]
    check(not wrong, "keys kept from the browser, or left to it, wrongly: %s" % wrong)
    for n, (seen, expected) in enumerate(zip(frames, expected_frames)):
        if seen != expected:
            i = next(i for i in range(0, len(seen), 3) if seen[i:i + 3] != expected[i:i + 3])
            raise Failure("frame %d (%s): pixel %d,%d is %s, the Linux game's %s" % (
                n, "opening" if n == 0 else "after " + actions[n - 1], i // 3 % WIDTH,
                i // 3 // WIDTH, seen[i:i + 3].hex(), expected[i:i + 3].hex()))
    return first_ms


def frames_per_second(browser):
    """The game's frames a second over two seconds, and the browser's own animation frames;
    no key is pressed, so none of those frames may draw on the canvas again."""
    game, browser_frames, ms, puts = browser.evaluate(
        "new Promise(done => { const f0 = Module.frames, t0 = performance.now(); let n = 0;"
        " const context = canvas.getContext('2d'), put = context.putImageData; let puts = 0;"
        " context.putImageData = function () { puts++; return put.apply(this, arguments); };"
        " const count = () => { n++; const t = performance.now() - t0;"
        " if (t < 2000) requestAnimationFrame(count);"
        " else done([Module.frames - f0, n, t, puts], context.putImageData = put); };"
        " requestAnimationFrame(count); })")
    check(puts == 0, "the unchanged frame was put on the canvas %d times in 2 s" % puts)
    shown = frame(browser)  # and once the browser gives the canvas back empty, it is put again
    browser.evaluate("canvas.getContext('2d').clearRect(0, 0, 430, 240),"
                     " canvas.dispatchEvent(new Event('contextrestored'))")
    within_limit(lambda: frame(browser) == shown, "the frame on the canvas given back empty")
    return game * 1000 / ms, browser_frames * 1000 / ms


def ended(browser, action):
    """Ends the game by the action; it must end with status 0, say so and stop its frames."""
    act(browser, action)
    status = within_limit(lambda: browser.poll("document.body.dataset.status"), "the game to end")
    check(status == "0", "%s ended the game with status %s, not 0" % (action, status))
    last, over = browser.evaluate("said.slice(-2)")
    check(over == "Game over. %s Thanks for playing!" % last.split(". ")[-1], "it said " + over)
    frames = browser.evaluate("Module.frames")
    time.sleep(0.3)
    check(browser.evaluate("Module.frames") == frames, "the game still runs after " + action)


def judged(browser, axe, when):
    """axe-core, run inside the page, finds nothing wrong."""
    found = browser.evaluate(  # from a blob, as the page's policy allows no eval
        "Promise.resolve(typeof axe === 'object' || new Promise(loaded => document.head.append("
        "Object.assign(document.createElement('script'), {src: URL.createObjectURL(new Blob([%s"
        "])), onload: loaded})))).then(() => axe.run(document, {runOnly: {type: 'tag', values: %s},"
        " resultTypes: ['violations']})).then(r => r.violations.map(v => v.id + ': ' +"
        " v.nodes.map(n => n.target.join(' ')).join(', ')))" % (axe, AXE_TAGS))
    check(not found, "%s: axe-core finds %s" % (when, "; ".join(found)))
    print("ok: %s axe-core finds nothing wrong %s" % (browser.name, when))


def shoot(browser, shots, name):
    """Leaves a screenshot of the page in shots, where that names a folder."""
    if shots:
        browser.screenshot(os.path.join(shots, "%s %s.png" % (browser.name, name)))


def engine(browser, site, game, again, fps_asserted, shots, axe):
    """A player's game in one browser; gives the first frame's time and the frame rates."""
    name = browser.name
    browser.open(site.url(browser, "game/index.html"))
    first_ms = play(browser, game, SPINS)
    fetched = browser.evaluate(FETCHED)
    check(fetched <= FETCH_LIMIT, "%s fetched %d bytes before the first frame, more than %d"
          % (name, fetched, FETCH_LIMIT))
    print("ok: %s first frame, keys, a click and Spin, each frame the Linux game's" % name)
    judged(browser, axe, "while the game plays")
    fps = frames_per_second(browser)
    check(not fps_asserted or fps[0] >= 0.9 * fps[1], "%s: %.1f frames a second, the "
          "browser's own %.1f" % (name, *fps))

    ended(browser, "q")
    shoot(browser, shots, "game over")
    check(browser.evaluate("document.activeElement.id") == "again", "Play again has no focus")
    judged(browser, axe, "at the end of the game")
    before = frame(browser)
    browser.press("b")
    browser.evaluate("canvas.focus()")
    browser.press("tab")
    check(browser.evaluate("document.activeElement.id") == "again",
          "Tab from the game does not reach Play again")
    check(frame(browser) == before, "a key after Q changed the frame")
    print("ok: %s Q ends with status 0 and stops; Play again has focus, Tab reaches it" % name)

    act(browser, again)
    play(browser, game, [])
    ended(browser, "escape")
    print("ok: %s %s plays again, and Escape ends with status 0" % (name, again))

    browser.open(site.url(browser, "no-seven/index.html"))
    status = within_limit(lambda: browser.poll("document.body.dataset.status"), "the game to end")
    check(status == "1", "a missing seven.bmp ended with status %s, not 1" % status)
    alert = browser.evaluate("alertLine.textContent + statusLine.textContent")
    check(alert == "Zorvanel could not start: seven.bmp is missing or broken.", alert)
    print("ok: %s missing seven.bmp ends with status 1, and the page alerts so" % name)
    judged(browser, axe, "when the game could not start")

    unknown = [line for line in browser.console() if not line.startswith(tuple(KNOWN))]
    check(unknown == ["log: " + line for line in TRACE * 2],
          "%s's console holds more or less than the two games' traces:\n  %s"
          % (name, "\n  ".join(unknown)))
    print("ok: %s console holds the trace of each game, and nothing unexplained" % name)
    return first_ms, fetched, fps


def outside_a_server(browser, site, game, folder, shots):
    """The page opened from disk, and served into a frame sandboxed with allow-scripts alone:
    the game plays, and in the frame says to click or tap it for the keys."""
    browser.open("file://" + os.path.join(folder, "game", "old.html"))  # as an older browser
    play(browser, game, ["canvas-click", "a"])
    browser.open(site.url(browser, "host.html"))
    browser.enter_frame(site.url(browser, "game/index.html"))
    within_limit(lambda: browser.poll("document.getElementById('canvas').className === ''"),
                 "the game's first frame in the frame")
    status = "document.getElementById('status').textContent"
    check("Click or tap the game" in browser.evaluate(status),
          "the framed game does not say how to give it the keys")
    shoot(browser, shots, "framed")
    opening = frame(browser)
    x, y = centre(browser, "canvas")
    browser.click(x + 8, y + 8)  # the frame's border and place on the host page
    clicked = within_limit(lambda: frame(browser) != opening and frame(browser),
                           "the framed game to spin on a click")
    if browser.focused:
        browser.press("a")
        within_limit(lambda: frame(browser) != clicked, "the framed game to spin on a key")
        check(" Score " in browser.evaluate(status), "the framed game still says to click")
    print("ok: %s plays from disk, and in a sandboxed frame, by click%s" % (
        browser.name, " and then keys" if browser.focused else ""))


def kept(browser, site, game, folder, later):
    """Installable; played once, it plays offline; a later build is the page in two visits."""
    caches = "caches.keys().then(names => names.filter(name => name.includes('/game/ ')))"
    def visit():  # the page anew, played; its caches, once it is kept
        browser.open(site.url(browser, "game/index.html?%f" % time.monotonic()))
        play(browser, game, [])
        return within_limit(lambda: browser.evaluate(caches), "the page to be kept")
    first = visit()
    app = browser.call("Page.getAppManifest")
    check(not browser.call("Page.getInstallabilityErrors")["installabilityErrors"] and not
          app["errors"] and all(browser.evaluate("Promise.all(%s.map(([src, size]) => fetch(src)"
          ".then(r => r.blob()).then(createImageBitmap).then(b => b.width + 'x' + b.height ==="
          " size, () => false)))" % [[i["url"], i["sizes"]] for i in app["manifest"]["icons"]])),
          "not installable, or an icon not at its size: %s" % app)
    network = dict(latency=0, downloadThroughput=-1, uploadThroughput=-1)
    browser.call("Network.emulateNetworkConditions", offline=True, **network)
    site.server.folder = None  # the host down too, for the worker the emulation does not reach
    ended(browser, "q")
    act(browser, "again-click")
    play(browser, game, ["a"])
    browser.call("Network.emulateNetworkConditions", offline=False, **network)
    site.server.folder = folder
    later_page = "!!document.querySelector('meta[name=zorvanel-build]')"
    for name in ["index.html", "page.js", "service-worker.js"]:  # an upload caught halfway
        shutil.copy(os.path.join(later, name), os.path.join(folder, "game"))
    check(visit() == first and not browser.evaluate(later_page), "halfway, the later page")
    browser.evaluate("navigator.serviceWorker.getRegistration().then(r => r.update().catch(() =>"
                     " 0).then(() => r.installing && new Promise(installed => r.installing"
                     ".addEventListener('statechange', installed))))")
    check(browser.evaluate(caches) == first, "an upload caught halfway is kept")
    shutil.copytree(later, os.path.join(folder, "game"), dirs_exist_ok=True)
    visit()
    left = within_limit(lambda: (lambda names: names != first and len(names) == 1 and names)(
        browser.evaluate(caches)), "the later build's cache alone")
    check(visit() == left and browser.evaluate(later_page),
          "the second visit's page is the earlier build's")
    os.remove(os.path.join(folder, "game", "service-worker.js"))  # taken down
    browser.open(site.url(browser, "game/index.html"))
    within_limit(lambda: browser.evaluate("navigator.serviceWorker.getRegistrations().then("
                 "r => !r.length)") and browser.evaluate(caches) == [], "the worker to go")
    shutil.copy(os.path.join(later, "service-worker.js"), os.path.join(folder, "game"))  # back
    print("ok: chromium installable; plays offline; an upload halfway, a later build, taken down")


def guarded(browser, site, game):
    """Injected scripts are refused; older browsers play, or hear they are too old."""
    browser.open(site.url(browser, "game/injected.html"))
    started(browser)
    check(browser.evaluate("typeof injected + typeof fflate") == "undefined" * 2,
          "an injected script ran")
    browser.open(site.url(browser, "game/old.html"))
    play(browser, game, ["a"])
    for ancient in "ancient.html", "unsafe.html":
        browser.open(site.url(browser, "game/" + ancient))
        said = within_limit(lambda: browser.poll("alertLine.textContent"), "a failure")
        check(said.startswith("This browser is too old for Zorvanel"), ancient + " said: " + said)
    print("ok: %s refuses injected scripts; plays, or says it is too old" % browser.name)


def fitted(browser, width, height, ratio, least):
    """The device pixels per game pixel, and what is wrong with them, if anything: they must be
    whole, at least least, the most that fit, and show the game and Spin in full."""
    game_box, spin_box, status_bottom, room_width = browser.evaluate(
        "[canvas, spinButton].map(e => e.getBoundingClientRect().toJSON()).concat("
        "[statusLine.getBoundingClientRect().bottom, document.documentElement.clientWidth"
        " - 16])")
    pixels = game_box["width"] * ratio / WIDTH
    if abs(pixels - round(pixels)) > 0.01 or round(pixels) < least:
        return pixels, "%.3f device pixels per game pixel, not a whole number of at least %d" \
            % (pixels, least)
    if game_box["bottom"] > height or spin_box["bottom"] > height:
        return pixels, "the game or its Spin control is outside the window"
    if status_bottom + HEIGHT / ratio <= height - 12 and \
            game_box["width"] + WIDTH / ratio <= room_width:
        return pixels, "%d device pixels per game pixel, and one more would fit" % pixels
    return round(pixels), ""


def screens(browser, site, game, shots):
    """The page on each screen: the largest whole number of device pixels per game pixel that
    fits the game and its controls; on phones, taps on the game and on each control."""
    for name, width, height, ratio, touch, least, turned in SCREENS:
        browser.emulate(width, height, ratio, touch)
        if not turned:
            browser.open(site.url(browser, "game/index.html"))
        within_limit(lambda: browser.poll("Module.frames > 0"), "the game's first frame")
        # The page refits when the screen changes, which it hears of in a moment.
        deadline = time.monotonic() + LIMIT
        while True:
            pixels, problem = fitted(browser, width, height, ratio, least)
            if not problem:
                break
            check(time.monotonic() < deadline, "%s %dx%d at %d: %s" % (
                name, width, height, ratio, problem))
            time.sleep(0.1)
        print("ok: %s %dx%d at %d: %d device pixels per game pixel" % (
            name, width, height, ratio, pixels))
        shoot(browser, shots, name)
        if touch:
            play(browser, game, ["canvas-tap", "canvas-tap", "spin-tap"])
            ended(browser, "quit-tap")
            act(browser, "again-tap")
            started(browser)
            print("ok: %s taps on the game, Spin, Quit and Play again" % name)


def broken(browser, site, shots, axe):
    """Each copy with a file missing or broken says that the game could not load, and names
    the file."""
    for folder, _, _, named in BROKEN:
        browser.open("file://" + os.path.join(site.folder, folder, "index.html") if ".js" in
                     named else site.url(browser, folder + "/index.html"))
        said = within_limit(lambda: browser.poll("alertLine.textContent"), "a failure")
        check(said.startswith("Zorvanel could not load: " + named), folder + ": " + said)
        shoot(browser, shots, folder)
    print("ok: chromium names each missing or broken file")
    judged(browser, axe, "when a file is broken")


def accessible(browser):
    """The game is focusable, named and described, and the status line is a live region."""
    started(browser)
    shown = browser.evaluate("statusLine.textContent")
    nodes = browser.accessibility()
    check(any(role == "image" and name and properties.get("focusable") and
              description.startswith(shown + " Press any key")
              for role, name, description, properties in nodes),
          "the game is not a focusable, named image described by %r" % shown)
    check(any(properties.get("live") == "polite" for _, _, _, properties in nodes),
          "the status line is no live region")
    print("ok: chromium game focusable and named; status line a live region")


def make_site(zip_path, no_seven, site, later, elsewhere):
    with zipfile.ZipFile(zip_path) as archive:
        check("index.html" in archive.namelist(), "index.html is not at the top of the zip")
        archive.extractall(os.path.join(site, "game"))
        for name in archive.namelist():  # long since built, so browsers keep them as they are
            os.utime(os.path.join(site, "game", name), (0, 0))
    shutil.copytree(no_seven, os.path.join(site, "no-seven"))
    for folder, start, change, _ in BROKEN:
        shutil.copytree(os.path.join(site, "game"), os.path.join(site, folder))
        name = next(name for name in os.listdir(os.path.join(site, "game"))
                    if name.startswith(start))
        path = os.path.join(site, folder, name)
        with open(path, "rb") as f:
            data = change(f.read(), later)
        os.remove(path)
        if data is not None:
            check(data != open(os.path.join(site, "game", name), "rb").read(),
                  folder + ": not broken")
            with open(path, "wb") as f:
                f.write(data)
    page = open(os.path.join(site, "game", "index.html")).read()
    for name, was, becomes in VARIANTS:
        with open(os.path.join(site, "game", name), "w") as f:
            f.write(page.replace(was, becomes % elsewhere if "%s" in becomes else becomes, 1))
    with open(os.path.join(site, "host.html"), "w") as f:
        f.write('<!DOCTYPE html><title>A host</title><link rel="icon" href="data:,">'
                '<body style="margin:0">'
                '<iframe sandbox="allow-scripts" src="game/index.html" width="900" height="650"'
                ' style="border:8px solid gray"></iframe>')


def main():
    zip_path, no_seven, linux, tools, later = map(os.path.abspath, sys.argv[1:6])
    shots = os.environ.get("ZORVANEL_WEB_SHOTS")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # and so end the browsers
    work = tempfile.mkdtemp()
    browser = site = None
    figures = []
    try:
        size = os.path.getsize(zip_path)
        check(size <= ZIP_LIMIT, "the zip is %d bytes, more than %d" % (size, ZIP_LIMIT))
        font_covers(zip_path)
        folder = os.path.join(work, "site")
        site = Site(folder)
        make_site(zip_path, no_seven, folder, later, site.base.replace("127.0.0.1", "localhost"))
        game = Game(linux, work)
        with open(os.path.join(tools, "axe-core", "axe.min.js")) as f:
            axe = json.dumps(f.read())
        for kind, again, fps_asserted in ENGINES:
            browser = kind(work)
            first_ms, fetched, fps = engine(browser, site, game, again, fps_asserted, shots, axe)
            figures.append("%s: first frame %.0f ms after %d kB, %.1f frames a second (its own"
                           " %.1f)" % (browser.name, first_ms, fetched // 1000, *fps))
            if kind is not WebKit:
                since = len(browser.console())  # from disk and framed: nothing to say
                outside_a_server(browser, site, game, folder, shots)
                check(all(line.startswith(tuple(KNOWN)) or line[5:] in TRACE for line in
                          browser.console()[since:]), "said: %s" % browser.console()[since:])
            if kind is Chromium:
                elsewhere = [url for url in browser.requested
                             if not url.startswith((site.base, "blob:", "data:", "file:"))]
                check(not elsewhere, "the page loaded from elsewhere: " + " ".join(elsewhere))
            guarded(browser, site, game)  # after that: it loads from elsewhere, refused
            if kind is Chromium:
                broken(browser, site, shots, axe)
                browser.open(site.url(browser, "game/index.html"))
                accessible(browser)
                screens(browser, site, game, shots)
                kept(browser, site, game, folder, later)  # last: it replaces the game's files
            browser.close()
            browser = None
        for preset in lighthouse.PRESETS:
            found, lost = lighthouse.scores(tools, site.base + "game/index.html", preset, JUDGED)
            check(set(found.values()) == {100}, "Lighthouse %s: %s %s" % (preset, found, lost))
            print("ok: Lighthouse %s: %s" % (preset, found))
        print("zip %d kB (at most %d kB); %s" % (size // 1000, ZIP_LIMIT // 1000,
                                                  "; ".join(figures)))
    except Failure as failure:
        print("FAIL: web: %s" % failure)
        if browser:
            print("console:\n  " + "\n  ".join(browser.lines))
        return 1
    finally:
        if browser:
            browser.close()
        if site:
            site.close()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
