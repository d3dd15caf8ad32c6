#!/usr/bin/env python3
"""Web benchmark: Tavrilo's page in Chromium against a bare Qt for WebAssembly window.

    bench/web.py PAGES [RUNS] [POINTS]

PAGES holds the pages that the web build makes (build-web/pages): bench_launch_form1 (the
program's window, built as app/main.cpp builds it), bench_launch_bare (a bare Qt window of the same
size, built the same way) and tavrilo (the program's own page). Each launcher prints "painted NS"
when its window's first paint is done, on the page's clock, which starts with the navigation.

For RUNS alternating runs of each (default 10): the time from navigation to that first paint in a
fresh browser profile (cold: nothing cached) and on a reload (warm: the service worker's copies and
the browser's compiled code). Then the program's page is driven through POINTS points (default
1000) with real mouse and key events, and the tab's memory (the renderer's resident set) read
before, after 100 and after the last. Chromium runs headless with WebGL drawn by SwiftShader.
"""
import base64
import json
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent
SERVE = HERE.parent / "packaging" / "web" / "serve.py"


class Browser:
    """Chromium driven over the DevTools protocol on a pipe, one page attached."""

    def __init__(self, profile):
        to_browser, self._commands = os.pipe()
        self._events, from_browser = os.pipe()
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
            ["sh", "-c", f"exec {command} 3<&{to_browser} 4>&{from_browser}"],
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
                            self._console.append(" ".join(
                                str(a.get("value", "")) for a in message["params"]["args"]))
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
                lambda: any(line.startswith("painted ") for line in self._console), timeout)
            if not found:
                raise TimeoutError("no first paint")
            line = next(line for line in self._console if line.startswith("painted "))
            self._console.clear()
        return int(line.split()[1]) / 1e6

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
        """The tab's memory: the resident set of the renderer that holds the page, in MiB."""
        processes = self.call("SystemInfo.getProcessInfo")["processInfo"]
        sizes = []
        for p in processes:
            if p["type"] == "renderer":
                status = pathlib.Path(f"/proc/{p['id']}/status").read_text()
                sizes.append(int(next(l for l in status.splitlines()
                                      if l.startswith("VmRSS:")).split()[1]) / 1024)
        return max(sizes)

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        self.process.wait(timeout=30)


def serve(folder):
    server = subprocess.Popen([sys.executable, str(SERVE), str(folder), "--port=0",
                               "--log", os.devnull], stdout=subprocess.PIPE, text=True)
    return server, server.stdout.readline().strip()


def median(values):
    return statistics.median(values)


def machine():
    cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo")
                if l.startswith("model name")), "unknown CPU")
    version = subprocess.run([shutil.which("chromium"), "--version"], capture_output=True,
                             text=True).stdout.strip()
    return f"{os.cpu_count()} cores, {cpu}; {version}, headless, WebGL by SwiftShader"


def startup(address, runs):
    times = {name: {"cold": [], "warm": []} for name in ("form1", "bare")}
    for run in range(runs):
        for name in ("form1", "bare") if run % 2 == 0 else ("bare", "form1"):
            with tempfile.TemporaryDirectory() as profile:
                browser = Browser(profile)
                try:
                    url = f"{address}bench_launch_{name}/"
                    times[name]["cold"].append(browser.open(url))
                    times[name]["warm"].append(browser.reload())
                finally:
                    browser.close()
    return times


def press(browser, x, y):
    for kind in ("mousePressed", "mouseReleased"):
        browser.page("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                     clickCount=1)


def key(browser, digit):
    for kind in ("keyDown", "keyUp"):
        browser.page("Input.dispatchKeyEvent", type=kind, key=digit, code=f"Digit{digit}",
                     text=digit if kind == "keyDown" else "",
                     windowsVirtualKeyCode=ord(digit))


def endurance(address, points):
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile)
        try:
            browser.page("Page.navigate", url=f"{address}tavrilo/")
            # The window's place on the page, once the program is running there.
            for _ in range(600):
                where = browser.page("Runtime.evaluate", returnByValue=True, expression=(
                    "(() => { const w = document.getElementById('window');"
                    " return w.className === '' && w.querySelector('canvas') &&"
                    " JSON.stringify(w.getBoundingClientRect()); })()"))["result"]["value"]
                if where:
                    break
                time.sleep(0.1)
            else:
                raise TimeoutError("the program's page did not start")
            box = json.loads(where)

            def at(x, y):
                return box["x"] + x, box["y"] + y

            time.sleep(1)
            memory = {0: browser.renderer_rss()}
            press(browser, *at(120, 28))  # Начало
            began = time.monotonic()
            for point in range(1, points + 1):
                press(browser, *at(392, 366))  # x box
                key(browser, str(point % 8))
                press(browser, *at(496, 366))  # y box
                key(browser, str(point % 5))
                press(browser, *at(436, 396))  # Принять ответ
                press(browser, *at(436, 428))  # Ещё точка
                if point in (100, points):
                    time.sleep(1)
                    memory[point] = browser.renderer_rss()
            took = time.monotonic() - began
            shot = browser.page("Page.captureScreenshot", format="png")["data"]
        finally:
            browser.close()
    return memory, took, shot


def main():
    pages = pathlib.Path(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    points = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    server, address = serve(pages)
    try:
        print(f"Machine: {machine()}")
        times = startup(address, runs)
        print(f"\nNavigation to the window's first paint, medians of {runs} runs each (ms):")
        print(f"{'':24}{'cold':>10}{'warm':>10}")
        for name, label in (("form1", "Tavrilo (Form1)"), ("bare", "bare Qt window")):
            print(f"{label:24}{median(times[name]['cold']):10.0f}"
                  f"{median(times[name]['warm']):10.0f}")
        for kind in ("cold", "warm"):
            ratio = median(times["form1"][kind]) / median(times["bare"][kind])
            print(f"ratio {kind}: {ratio:.2f} (goal: at most 1.2)")

        memory, took, shot = endurance(address, points)
        print(f"\nThe program's page through {points} points ({took:.0f} s of real input):")
        for point, mib in memory.items():
            print(f"  the tab's memory after {point:>5} points: {mib:7.1f} MiB")
        picture = pathlib.Path(tempfile.gettempdir()) / "tavrilo-web-endurance.png"
        picture.write_bytes(base64.b64decode(shot))
        print(f"  the page at the end: {picture}")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
