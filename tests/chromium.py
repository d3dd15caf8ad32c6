"""Chromium driven over the DevTools protocol on a pipe, headless, with one page attached: for the
web page's checks (tests/tst_web.py) and its benchmark (bench/web.py).

Chromium runs with WebGL drawn by SwiftShader (no GPU needed), at a device pixel ratio of 1, with
its own background traffic off. What the page writes to its console, and what the browser says of
it, is collected for reading.
"""
import fcntl
import json
import os
import pathlib
import shutil
import subprocess
import sys
import threading
import time

SERVE = pathlib.Path(__file__).resolve().parent.parent / "packaging" / "web" / "serve.py"


def serve(folder):
    """Serves the folder on 127.0.0.1 as a static host would: the process and the address."""
    server = subprocess.Popen([sys.executable, str(SERVE), str(folder), "--port=0",
                               "--log", os.devnull], stdout=subprocess.PIPE, text=True)
    return server, server.stdout.readline().strip()


class Browser:
    """Chromium driven over the DevTools protocol on a pipe, one page attached."""

    def __init__(self, profile):
        def above_4(end):  # so that placing the browser's ends as its 3 and 4 overwrites neither
            moved = fcntl.fcntl(end, fcntl.F_DUPFD, 10)
            os.close(end)
            return moved

        to_browser, self._commands = os.pipe()
        self._events, from_browser = os.pipe()
        to_browser, from_browser = above_4(to_browser), above_4(from_browser)
        flags = ["--headless=new", "--remote-debugging-pipe", f"--user-data-dir={profile}",
                 "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                 "--force-device-scale-factor=1", "--window-size=1024,768", "--no-first-run", "--test-type",
                 "--no-default-browser-check", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--lang=ru",
                 "--disable-features=SpareRendererForSitePerProcess"]
        if os.geteuid() == 0:
            flags.append("--no-sandbox")  # Chromium's sandbox refuses root
        command = " ".join([shutil.which("chromium")] + flags + ["about:blank"])
        self.process = subprocess.Popen(
            ["bash", "-c", f"exec {command} 3<&{to_browser} 4>&{from_browser}"],
            pass_fds=(to_browser, from_browser), stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self._next = 0
        self._replies = {}
        self._console = []
        self._lock = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()
        page = next(t for t in self.call("Target.getTargets")["targetInfos"]
                    if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]
        self.call("Runtime.enable", session=self.session)
        self.call("Page.enable", session=self.session)
        self.call("Log.enable", session=self.session)

    def _read(self):
        buffer = b""
        with os.fdopen(self._events, "rb", buffering=0) as pipe:
            while chunk := pipe.read(65536):
                buffer += chunk
                *messages, buffer = buffer.split(b"\0")
                for raw in messages:
                    message = json.loads(raw)
                    with self._lock:
                        if "id" in message:
                            self._replies[message["id"]] = message
                        elif message.get("method") == "Runtime.consoleAPICalled":
                            call = message["params"]
                            self._console.append(call["type"] + ": " + " ".join(
                                str(a.get("value", "")) for a in call["args"]))
                        elif message.get("method") == "Log.entryAdded":
                            entry = message["params"]["entry"]
                            self._console.append(f"{entry['level']}: {entry['text']}")
                        self._lock.notify_all()

    def call(self, method, session=None, **params):
        with self._lock:
            self._next += 1
            ident = self._next
        message = {"id": ident, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        with self._lock:
            if not self._lock.wait_for(lambda: ident in self._replies, timeout=120):
                raise TimeoutError(method)
            reply = self._replies.pop(ident)
        if "error" in reply:
            raise RuntimeError(f"{method}: {reply['error']}")
        return reply["result"]

    def page(self, method, **params):
        return self.call(method, session=self.session, **params)

    def painted(self, timeout=120):
        """The first paint's moment on the page's clock (ms), as its launcher printed it."""
        with self._lock:
            found = self._lock.wait_for(
                lambda: any(line.startswith("log: painted ") for line in self._console), timeout)
            if not found:
                raise TimeoutError("no first paint")
            line = next(line for line in self._console if line.startswith("log: painted "))
            self._console.clear()
        return int(line.split()[2]) / 1e6

    def console(self):
        """What the page and the browser have said on the page's console so far."""
        with self._lock:
            return list(self._console)

    def open(self, url):
        with self._lock:
            self._console.clear()
        self.page("Page.navigate", url=url)
        return self.painted()

    def reload(self):
        with self._lock:
            self._console.clear()
        self.page("Page.reload")
        return self.painted()

    def renderer_rss(self):
        """The tab's memory: the resident set of the renderer that holds the page, in MiB, once
        its JavaScript garbage has been collected."""
        self.page("HeapProfiler.collectGarbage")
        processes = self.call("SystemInfo.getProcessInfo")["processInfo"]
        sizes = []
        for p in processes:
            if p["type"] == "renderer":
                status = pathlib.Path(f"/proc/{p['id']}/status").read_text()
                sizes.append(int(next(l for l in status.splitlines()
                                      if l.startswith("VmRSS:")).split()[1]) / 1024)
        return max(sizes)

    def evaluate(self, expression):
        return self.page("Runtime.evaluate", expression=expression,
                         returnByValue=True)["result"].get("value")

    def window(self, timeout=120):
        """Waits for the program to run in its page; the window's corner on the page (CSS px)."""
        for _ in range(timeout * 10):
            where = self.evaluate(
                "(() => { const w = document.getElementById('window');"
                " return w.className === '' && !!w.querySelector('canvas') &&"
                " [w.getBoundingClientRect().x, w.getBoundingClientRect().y]; })()")
            if where:
                return where
            time.sleep(0.1)
        raise TimeoutError("the program did not start in its page")

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.page("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def tap(self, x, y):
        self.page("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y}])
        self.page("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def key(self, key, code=None, modifiers=0, commands=()):
        """A key pressed and let go: a character ("7", "-") or a named key ("Enter", "Tab"); with
        modifiers (2: Ctrl) and the editing commands the browser runs for it ("paste")."""
        codes = {"Enter": 13, "Tab": 9, " ": 32, "-": 189}
        virtual = codes.get(key, ord(key.upper()) if len(key) == 1 else 0)
        text = "" if modifiers else key if len(key) == 1 else "\r" if key == "Enter" else ""
        for kind in ("keyDown", "keyUp"):
            self.page("Input.dispatchKeyEvent", type=kind, key=key, modifiers=modifiers,
                      code=code or (f"Digit{key}" if key.isdigit() else key),
                      text=text if kind == "keyDown" else "", windowsVirtualKeyCode=virtual,
                      commands=list(commands) if kind == "keyDown" else [])

    def type(self, text):
        for character in text:
            self.key(character)

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        self.process.wait(timeout=30)
        os.close(self._commands)


