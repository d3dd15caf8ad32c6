#!/usr/bin/env python3
"""Web benchmark: Tavrilo's page in Chromium against a bare Qt for WebAssembly window.

    bench/web.py PAGES [RUNS] [POINTS]

PAGES holds the pages that the web build makes (build-web/pages): bench_launch_form1 (the
program's window, built as app/main.cpp builds it), bench_launch_bare (a bare Qt window of the same
size, built the same way) and tavrilo (the program's own page). Each launcher prints "painted NS"
when its window's first paint is done, on the page's clock, which starts with the navigation.

For RUNS alternating runs of each (default 20): the time from navigation to that first paint in a
fresh browser profile (cold: nothing cached) and on a reload (warm: the service worker's copies and
the browser's compiled code). Then the program's page is driven through POINTS points (default
1000) with real mouse and key events, and the tab's memory (the renderer's resident set) read
before, after 100 and after the last. Chromium runs headless with WebGL drawn by SwiftShader.
"""
import base64
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests"))
from chromium import Browser, serve  # noqa: E402  (the checks' own driver)


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


def endurance(address, points):
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile)
        try:
            browser.page("Page.navigate", url="about:blank")
            time.sleep(1)
            memory = {"a blank page": browser.renderer_rss()}
            browser.page("Page.navigate", url=f"{address}tavrilo/")
            left, top = browser.window()

            def at(x, y):
                return left + x, top + y

            time.sleep(1)
            memory[0] = browser.renderer_rss()
            browser.click(*at(120, 28))  # Начало
            began = time.monotonic()
            for point in range(1, points + 1):
                browser.click(*at(392, 366))  # x box
                browser.type(str(point % 8))
                browser.click(*at(496, 366))  # y box
                browser.type(str(point % 5))
                browser.click(*at(436, 396))  # Принять ответ
                browser.click(*at(436, 428))  # Ещё точка
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
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
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
            after = point if isinstance(point, str) else f"after {point} points"
            print(f"  the tab's memory, {after}: {mib:.1f} MiB")
        picture = pathlib.Path(tempfile.gettempdir()) / "tavrilo-web-endurance.png"
        picture.write_bytes(base64.b64decode(shot))
        print(f"  the page at the end: {picture}")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
