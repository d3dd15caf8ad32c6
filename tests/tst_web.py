#!/usr/bin/env python3
"""The web page in headless Chromium, for what the end-to-end test cannot see on the screen: the
news that a screen reader in the browser hears from the page's live region (each new point, each
verdict, the message box's question), a megabyte of any Unicode pasted into an answer and judged,
the page's word once the program has ended, a phone's screen (the whole window in view, scaled
down, and taps landing where it is drawn), the page installable as an app, a new version of its
files replacing the kept ones, and nothing said against the page on its console (a refused
request, an error).

Usage: tst_web.py SITE, the page's folder. Needs Debian's chromium."""
import pathlib
import shutil
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from chromium import Browser, serve  # noqa: E402

# Where the learner clicks, in the window (CSS px).
START, X_BOX, Y_BOX, ACCEPT, ANOTHER, EXIT = (120, 28), (392, 366), (496, 366), (436, 396), \
    (436, 428), (572, 428)

failures = []


def check(what, condition, detail=""):
    print(("PASS: " if condition else "FAIL: ") + what + (f" ({detail})" if detail else ""))
    if not condition:
        failures.append(what)


def heard(browser, news, timeout=20):
    """Waits until the live region says the news; what it last said."""
    said = None
    for _ in range(timeout * 10):
        said = browser.evaluate("document.getElementById('news').textContent")
        if said == news:
            break
        time.sleep(0.1)
    return said


def quiet(browser):
    complaints = [line for line in browser.console() if line.startswith(("error:", "warning:"))]
    check("nothing said against the page on its console", not complaints, complaints)


def desktop(address):
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile)
        try:
            browser.page("Page.navigate", url=address)
            left, top = browser.window()
            check("installable as an app",
                  browser.page("Page.getInstallabilityErrors")["installabilityErrors"] == [])

            def click(place):
                browser.click(left + place[0], top + place[1])

            click(START)
            said = heard(browser, "Задано вопросов: 1")
            check("a new point is heard with its count", said == "Задано вопросов: 1", said)

            # A megabyte of text of every kind pasted as the answer's x, as a learner pastes:
            # copied to the clipboard, then Ctrl+V. Judged like any wrong answer, and the
            # program goes on.
            browser.call("Browser.grantPermissions", origin=address.rstrip("/"),
                         permissions=["clipboardReadWrite", "clipboardSanitizedWrite"])
            copied = browser.page("Runtime.evaluate", awaitPromise=True, returnByValue=True,
                                  expression="""(() => {
                const kinds = '7,5 -0 +3 ٣ ３ 𝟕 e308 NaN ∞ \u202e\u0301 \ud83d\ude00 Ошибка \t\u00a0';
                return navigator.clipboard.writeText(
                    kinds.repeat(Math.ceil((1 << 20) / kinds.length))).then(() => true);
            })()""")["result"].get("value")
            click(X_BOX)
            browser.key("v", code="KeyV", modifiers=2, commands=["paste"])
            click(Y_BOX)
            browser.type("1")
            click(ACCEPT)
            said = heard(browser, "Ошибка", timeout=120)
            check("a megabyte of any Unicode, pasted, is judged", copied and said == "Ошибка", said)
            click(ANOTHER)
            said = heard(browser, "Задано вопросов: 2")
            check("the program goes on after it", said == "Задано вопросов: 2", said)

            # A typed answer not accepted: the box's question is heard too; Enter closes it.
            click(X_BOX)
            browser.type("5")
            click(ANOTHER)
            question = "Подтвердите принятие введённого ответа"
            said = heard(browser, question)
            check("the message box's question is heard", said == question, said)
            browser.key("Enter")

            click(EXIT)
            for _ in range(100):
                ended = browser.evaluate(
                    "[document.title, document.getElementById('state-text').textContent,"
                    " document.activeElement.id, document.getElementById('window').className]")
                if ended[0] != "Tavrilo":
                    break
                time.sleep(0.1)
            check("Exit: the window goes and the page says so, its button ready for the keyboard",
                  ended == ["Tavrilo: программа завершена", "Программа завершена.", "again",
                            "gone"], ended)
            quiet(browser)
        finally:
            browser.close()


def phone(address, width, height):
    """A phone held upright or sideways, which gives the page its screen's size and touch."""
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile)
        try:
            browser.page("Emulation.setDeviceMetricsOverride", width=width, height=height,
                         deviceScaleFactor=3, mobile=True, screenWidth=width,
                         screenHeight=height)
            browser.page("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
            browser.page("Page.navigate", url=address)
            browser.window()
            left, top, right, bottom, scale = browser.evaluate(
                "(() => { const r = document.getElementById('window').getBoundingClientRect();"
                " const v = visualViewport; return [r.left - v.offsetLeft, r.top - v.offsetTop,"
                " r.right - v.offsetLeft, r.bottom - v.offsetTop, v.scale]; })()")
            seen = [round(v * scale) for v in (left, top, right, bottom)]
            check(f"a {width} x {height} screen shows the whole window",
                  0 <= seen[0] and 0 <= seen[1] and seen[2] <= width and seen[3] <= height,
                  f"on the screen at {seen}")
            browser.tap(left + START[0], top + START[1])  # in the page's CSS px, as clicks
            said = heard(browser, "Задано вопросов: 1")
            check(f"on a {width} x {height} screen a tap on Начало starts",
                  said == "Задано вопросов: 1", said)
            quiet(browser)
        finally:
            browser.close()


def new_version(site):
    """Kept after a first visit, the page's files give way to a new version as a whole: a copy of
    the site is visited, then changed as a new build changes it (a file, and so the version in
    sw.js); at the next visits the page uses the new file, and only the new version is kept."""
    with tempfile.TemporaryDirectory() as copy, tempfile.TemporaryDirectory() as profile:
        shutil.copytree(site, copy, dirs_exist_ok=True)
        server, address = serve(copy)
        browser = Browser(profile)
        try:
            browser.page("Page.navigate", url=address)
            browser.window()
            kept = "caches.keys().then(keys => keys.join(' '))"
            old = browser.page("Runtime.evaluate", expression=kept, awaitPromise=True,
                               returnByValue=True)["result"]["value"]
            folder = pathlib.Path(copy)
            with open(folder / "page.css", "a") as css:
                css.write("body { background: rgb(1, 2, 3); }\n")
            sw = (folder / "sw.js").read_text().replace(old, old + "-new")
            (folder / "sw.js").write_text(sw)
            # The next visit finds the new version; once it has taken over, the one after uses it.
            browser.page("Page.reload")
            browser.window()
            for _ in range(600):
                now = browser.page("Runtime.evaluate", expression=kept, awaitPromise=True,
                                   returnByValue=True)["result"]["value"]
                if now == old + "-new":
                    break
                time.sleep(0.1)
            browser.page("Page.reload")
            browser.window()
            looks = browser.evaluate("getComputedStyle(document.body).backgroundColor")
            check("a new version replaces the kept files",
                  looks == "rgb(1, 2, 3)" and now == old + "-new",
                  f"kept {old} before, {now} after, the page's ground {looks}")
        finally:
            browser.close()
            server.terminate()
            server.wait()


def main(site):
    server, address = serve(site)
    try:
        desktop(address)
        phone(address, 390, 844)
        phone(address, 844, 390)
    finally:
        server.terminate()
        server.wait()
    new_version(site)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
