"""Drives Debian's browsers for the web test and tools, each with a fresh profile and home: Chromium
over the DevTools protocol, Firefox over WebDriver BiDi, and WebKitGTK's MiniBrowser on a private
Xvfb over WebDriver. Each opens pages, evaluates JavaScript, presses keys and clicks as a player
does, and keeps the console; the processes a browser starts end with it, however the test ends.
"""
import base64
import functools
import io
import http.server
import json
import os
import pathlib
import signal
import socket
import subprocess
import threading
import time
import urllib.error
import urllib.request

import websocket

LIMIT = 30  # seconds any one wait may last; a wait that succeeds ends at once


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


# WebKit's WebDriver has no console: the pages it opens are served with this first in their
# head, which keeps the console's lines, the errors nothing handled and what the page's policy
# refused, across reloads too.
RECORDER = b"""<script>
  const record = line => sessionStorage.setItem("console",
    (sessionStorage.getItem("console") || "") + line + "\\n");
  for (const [name, level] of [["log", "log"], ["info", "info"], ["warn", "warning"],
                               ["error", "error"]]) {
    const real = console[name];
    console[name] = (...words) => { record(level + ": " + words.join(" ")); real(...words); };
  }
  addEventListener("error", e => record("exception: " + e.message));
  addEventListener("securitypolicyviolation", e => record("error: refused " + e.blockedURI));
  addEventListener("unhandledrejection", e => setTimeout(() => e.defaultPrevented ||
    record("exception: " + (e.reason && e.reason.message || e.reason))));
</script>"""


class Site:
    """Serves a folder on 127.0.0.1; under /record/, its pages come with the RECORDER."""

    def __init__(self, folder):
        class Handler(http.server.SimpleHTTPRequestHandler):
            def send_head(self):
                if self.server.folder is None:  # a host that is down
                    return self.send_error(503)
                if self.path.startswith("/record/"):
                    self.path = self.path[len("/record"):]
                    if self.path.endswith(".html"):
                        return self.recorded()
                return super().send_head()

            def recorded(self):
                with open(self.translate_path(self.path), "rb") as f:
                    page = f.read().replace(b"<head>", b"<head>" + RECORDER, 1)
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(page)))
                self.end_headers()
                return io.BytesIO(page)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.folder = self.server.folder = folder  # None while the host is down
        self.base = "http://127.0.0.1:%d/" % self.server.server_port
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, browser, path):
        """The address of a page of the site, as that browser opens it."""
        return self.base + ("record/" if browser.recorded else "") + path

    def close(self):
        self.server.shutdown()
        self.server.server_close()


# Keys by name: DOM key, code, Windows key code, text typed (DevTools), WebDriver's value (None
# for a key WebDriver has none for).
KEYS = {
    "space": (" ", "Space", 32, " ", " "), "down": ("ArrowDown", "ArrowDown", 40, "", "\ue015"),
    "pagedown": ("PageDown", "PageDown", 34, "", "\ue00f"), "a": ("a", "KeyA", 65, "a", "a"),
    "5": ("5", "Digit5", 53, "5", "5"), "enter": ("Enter", "Enter", 13, "\r", "\ue007"),
    "q": ("q", "KeyQ", 81, "q", "q"), "escape": ("Escape", "Escape", 27, "", "\ue00c"),
    "b": ("b", "KeyB", 66, "b", "b"), "tab": ("Tab", "Tab", 9, "", "\ue004"),
    "shift": ("Shift", "ShiftLeft", 16, "", "\ue008"), "f": ("f", "KeyF", 70, "f", "f"),
    "control": ("Control", "ControlLeft", 17, "", "\ue009"), "f2": ("F2", "F2", 113, "", "\ue032"),
    "contextmenu": ("ContextMenu", "ContextMenu", 93, "", None),
    "browserforward": ("BrowserForward", "BrowserForward", 167, "", None),
    "mediaplaypause": ("MediaPlayPause", "MediaPlayPause", 179, "", None),
    "power": ("Power", "Power", 0, "", None),
}
MODIFIER_BITS = {"shift": 8, "control": 2}  # DevTools' modifiers, as each key holds


class Browser:
    """What the test asks of every browser. Each one speaks its protocol in start, _evaluate
    (a string expression's value), navigate, screenshot, and act or press and click."""
    WIDTH, HEIGHT = 1000, 700  # the window's CSS pixels
    recorded = False  # whether its pages need the RECORDER for their console
    focused = True  # whether its window has the system's focus, as a player's open tab has

    def __init__(self, work):
        self.work = os.path.join(work, self.name)
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(runtime, 0o700)
        os.mkdir(os.path.join(self.work, "home"))
        self.env = dict(os.environ, HOME=os.path.join(self.work, "home"),
                        XDG_RUNTIME_DIR=runtime)
        self.log_path = os.path.join(self.work, "browser.log")
        self.log = open(self.log_path, "w")
        self.processes = []
        self.socket = None  # the protocol's connection, for those that speak over one
        self.lines = []  # the console's lines and errors nothing handled, in order
        self.next_id = 0
        try:
            self.start()
        except BaseException:
            self.close()
            raise

    def spawn(self, command, **options):
        """Starts a process in a group of its own, so that ending the group ends its helpers."""
        self.processes.append(subprocess.Popen(
            command, env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
            stderr=subprocess.STDOUT, start_new_session=True, **options))

    def close(self):
        for process in self.processes:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()
        if self.socket:
            self.socket.close()
        self.log.close()

    def console(self):
        return self.lines

    def evaluate(self, expression):
        """The expression's value, through JSON, once the promise it may give settles."""
        return json.loads(self._evaluate(
            "Promise.resolve().then(() => (%s)).then(v => JSON.stringify(v === undefined ? null"
            " : v))" % expression))

    def poll(self, expression):
        """The expression's value, or None while the page is between documents."""
        try:
            return self.evaluate(expression)
        except Failure:
            return None

    def open(self, url):
        """Opens the page, and waits until the document shown is its, not the last one's."""
        self.navigate(url)
        within_limit(lambda: self.poll("location.href") == url, "the page to open")
        self.opened_at = len(self.console())  # the lines of the pages before it

    # Keys and clicks as WebDriver's input sources; a browser that takes them defines act.
    def press(self, name):
        values = [KEYS[key][4] for key in name.split("+") if KEYS[key][4]]  # held in turn
        self.act({"type": "key", "id": "keyboard", "actions":
                  [{"type": "keyDown", "value": value} for value in values] +
                  [{"type": "keyUp", "value": value} for value in reversed(values)]})

    def click(self, x, y):
        self.act({"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": round(x), "y": round(y)},
            {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]})

    def exchange(self, message, answered, event):
        """Sends a message over the browser's socket and gives its answer; messages between
        are events, handed to event."""
        self.next_id += 1
        message["id"] = self.next_id
        self.socket.send(json.dumps(message))
        while True:
            try:
                answer = json.loads(self.socket.recv())
            except websocket.WebSocketTimeoutException:
                raise Failure("the browser did not answer %s within %d s"
                              % (message["method"], LIMIT))
            if answer.get("id") == self.next_id:
                check(answered(answer), "%s: %s" % (message["method"], str(answer)[:400]))
                return answer["result"]
            event(answer.get("method"), answer.get("params", {}))


class Chromium(Browser):
    """Headless Chromium over the DevTools protocol; it also emulates phones, with touch."""
    name = "chromium"

    def start(self):
        profile = os.path.join(self.work, "profile")
        self.spawn(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                    "--no-first-run", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync",
                    "--force-device-scale-factor=1", "--force-color-profile=srgb",
                    "--window-size=%d,%d" % (self.WIDTH, self.HEIGHT),
                    "--user-data-dir=" + profile, "--remote-debugging-port=0", "about:blank"])
        port_file = pathlib.Path(profile, "DevToolsActivePort")
        within_limit(lambda: port_file.exists() and port_file.read_text().strip(),
                     "Chromium to start")
        port = port_file.read_text().split()[0]
        with urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port) as answer:
            pages = json.load(answer)
        page = next(p for p in pages if p["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=LIMIT)
        self.requested = []  # every address the page asked for
        self.session = None  # where _evaluate runs, when not in the page's own document
        for domain in ["Page", "Runtime", "Log", "Network"]:
            self.call(domain + ".enable")
        self.call("Emulation.setFocusEmulationEnabled", enabled=True)  # as a player's open tab

    def call(self, method, session=None, **params):
        message = {"method": method, "params": params}
        if session:
            message["sessionId"] = session
        return self.exchange(message, lambda answer: "error" not in answer, self.note)

    def note(self, method, params):
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.lines.append(params["type"] + ": " + text)
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            thrown = details.get("exception", {}).get("description", details["text"])
            self.lines.append("exception: " + thrown.split("\n")[0])
        elif method == "Network.requestWillBeSent":
            self.requested.append(params["request"]["url"])
        elif method == "Log.entryAdded":
            self.lines.append(params["entry"]["level"] + ": " + params["entry"]["text"])

    def _evaluate(self, expression):
        result = self.call("Runtime.evaluate", session=self.session, expression=expression,
                           awaitPromise=True, returnByValue=True)
        check("exceptionDetails" not in result, expression[:300] + ": " + str(result)[:400])
        return result["result"]["value"]

    def navigate(self, url):
        self.session = None
        self.call("Page.navigate", url=url)

    def enter_frame(self, url):
        """Evaluates from now on in the page's frame, once it shows url: a sandboxed frame's
        document runs in a process of its own, a target of its own to the protocol."""
        def frame():
            return next((t["targetId"] for t in self.call("Target.getTargets")["targetInfos"]
                         if t["type"] == "iframe" and t["url"] == url), None)
        self.session = self.call("Target.attachToTarget", targetId=within_limit(
            frame, "the frame to open"), flatten=True)["sessionId"]
        self.call("Runtime.enable", session=self.session)  # and so its console, from its start

    def press(self, name):
        modifiers, ups = 0, []
        for held in name.split("+"):
            key, code, number, text, _ = KEYS[held]
            modifiers |= MODIFIER_BITS.get(held, 0)
            text = text if modifiers in (0, MODIFIER_BITS["shift"]) else ""  # Control types none
            ups.insert(0, dict(key=key, code=code, windowsVirtualKeyCode=number,
                               nativeVirtualKeyCode=number, modifiers=modifiers))
            self.call("Input.dispatchKeyEvent", type="keyDown" if text else "rawKeyDown",
                      text=text, **ups[0])
        for common in ups:
            self.call("Input.dispatchKeyEvent", type="keyUp", **common)

    def click(self, x, y):
        for kind in ["mousePressed", "mouseReleased"]:
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def tap(self, x, y):
        self.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y}])
        self.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def emulate(self, width, height, ratio, touch):
        """A screen of that many CSS pixels and that density; with touch, a phone's."""
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=ratio, mobile=touch)
        self.call("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5)

    def accessibility(self):
        """The page's accessibility tree: each node's role, name, description and properties."""
        return [(node.get("role", {}).get("value"), node.get("name", {}).get("value"),
                 node.get("description", {}).get("value", ""),
                 {p["name"]: p["value"].get("value") for p in node.get("properties", [])})
                for node in self.call("Accessibility.getFullAXTree")["nodes"]]

    def screenshot(self, path):
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.call("Page.captureScreenshot")["data"]))


class Firefox(Browser):
    """Headless Firefox ESR over WebDriver BiDi, which it speaks itself. No headless window has
    the system's focus: keys reach the page, but press no button and follow no click into a
    frame."""
    name = "firefox"
    focused = False

    def start(self):
        profile = os.path.join(self.work, "profile")
        os.mkdir(profile)
        self.spawn(["firefox-esr", "--headless", "--remote-debugging-port=0", "--profile",
                    profile, "-no-remote", "about:blank"])
        address = within_limit(lambda: next((line.split()[-1] for line in
                                             pathlib.Path(self.log_path).read_text().splitlines()
                                             if line.startswith("WebDriver BiDi listening")),
                                            None), "Firefox to start")
        # Firefox refuses a connection that names an origin, as websocket's does by default.
        self.socket = websocket.create_connection(address + "/session", timeout=LIMIT,
                                                  suppress_origin=True)
        self.call("session.new", capabilities={})
        self.call("session.subscribe", events=["log.entryAdded"])
        self.call("script.addPreloadScript", functionDeclaration="() => addEventListener("
                  "'securitypolicyviolation', e => console.error('refused ' + e.blockedURI))")
        self.top = self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
        self.call("browsingContext.setViewport", context=self.top,
                  viewport={"width": self.WIDTH, "height": self.HEIGHT})

    def call(self, method, **params):
        return self.exchange({"method": method, "params": params},
                             lambda answer: answer["type"] == "success", self.note)

    def note(self, method, entry):
        if method == "log.entryAdded":
            level = {"warn": "warning"}.get(entry.get("method"), entry.get("method")) \
                if entry["type"] == "console" else "exception"
            self.lines.append(level + ": " + entry["text"])

    def _evaluate(self, expression):
        result = self.call("script.evaluate", expression=expression, awaitPromise=True,
                           target={"context": self.context})
        check(result["type"] == "success", expression[:300] + ": " + str(result)[:400])
        return result["result"]["value"]

    def navigate(self, url):
        self.context = self.top
        self.call("browsingContext.navigate", context=self.top, url=url)

    def enter_frame(self, url):
        def frame():
            children = self.call("browsingContext.getTree", root=self.top)["contexts"][0][
                "children"]
            return children and children[0]["url"] == url and children[0]["context"]
        self.context = within_limit(frame, "the frame to open")

    def screenshot(self, path):
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.call("browsingContext.captureScreenshot",
                                               context=self.top)["data"]))

    def act(self, source):
        self.call("input.performActions", context=self.top, actions=[source])


class WebKit(Browser):
    """WebKitGTK's MiniBrowser on a private Xvfb, over WebDriver (WebKitWebDriver). Without
    compositing, what it draws reaches the screen at the display's rate."""
    name = "webkit"
    recorded = True
    PACKAGE = "libwebkit2gtk-4.1-0"  # MiniBrowser is in its architecture's folder

    def start(self):
        listed = subprocess.check_output(["dpkg", "-L", self.PACKAGE], text=True).splitlines()
        binary = next((path for path in listed if path.endswith("/MiniBrowser")), None)
        check(binary, "%s ships no MiniBrowser" % self.PACKAGE)
        read, write = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write), "-noreset", "-nolisten", "tcp", "-screen",
                    "0", "1280x1024x24"], pass_fds=[write])
        os.close(write)
        with os.fdopen(read) as display:
            self.env["DISPLAY"] = ":" + display.readline().strip()
        self.env["WEBKIT_DISABLE_COMPOSITING_MODE"] = "1"
        # A free port for the driver, kept bound but not listening until the driver listens on
        # it (GLib binds with SO_REUSEADDR too), so that nothing else takes it meanwhile.
        with socket.socket() as s:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
            self.spawn(["WebKitWebDriver", "--port=%d" % port])
            self.address = "http://127.0.0.1:%d" % port
            within_limit(self.ready, "WebKitWebDriver to start")
        session = self.request("POST", "/session", {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": {"binary": binary, "args": ["--automation"]}}}})
        self.address += "/session/" + session["sessionId"]
        self.request("POST", "/window/rect", {"width": self.WIDTH, "height": self.HEIGHT})

    def ready(self):
        try:
            return self.request("GET", "/status")["ready"]
        except (OSError, Failure):
            return False

    def request(self, method, path, body=None):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(self.address + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=LIMIT) as answer:
                return json.load(answer)["value"]
        except urllib.error.HTTPError as error:
            raise Failure("%s %s: %s" % (method, path, error.read()[:400]))

    def _evaluate(self, expression):
        value = self.request("POST", "/execute/async", {"args": [], "script":
            "(%s).then(arguments[0], e => arguments[0]({thrown: String(e)}))" % expression})
        check(isinstance(value, str), expression[:300] + ": " + str(value)[:400])
        return value

    def navigate(self, url):
        self.request("POST", "/url", {"url": url})

    def console(self):
        return (self.poll("sessionStorage.getItem('console')") or "").splitlines()

    def screenshot(self, path):
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.request("GET", "/screenshot")))

    def act(self, source):
        self.request("POST", "/actions", {"actions": [source]})
