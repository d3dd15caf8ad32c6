#!/usr/bin/python3
"""What a screen reader hears: the real program on a private X server (DISPLAY, as
tests/support/x-session sets it) and an accessibility bus of its own, watched by an AT-SPI listener
as Orca watches it, and driven through AT-SPI as assistive technology drives it. Orca speaks an
object that starts showing, wherever the focus is, only if it is a notification; so every new
verdict and every new point must come as that event, named with what is to be heard.

With --page, the web page in Chromium, Firefox or WebKit instead, as a screen reader finds it on
AT-SPI: the window's controls with their roles and names in the tab order, and the drill done
through them, its news read from the page's live region; and nothing else a screen reader would
stop at among them, such as an unnamed field.

Usage: x-session tst_atspi.py PROGRAM | x-session tst_atspi.py --page chromium|firefox|webkit SITE.
Needs dbus-daemon, at-spi2-core and python3-pyatspi; with --page, Node.js and the browser too."""
import ctypes
import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).parent / "support"))
sys.dont_write_bytecode = True  # nothing written into the source tree
from window import described, name  # noqa: E402 (the window's description beside this file)

PR_SET_PDEATHSIG = 1
libc = ctypes.CDLL(None)


def start(command, **options):
    """Starts a process that dies with this test, in a process group of its own."""
    return subprocess.Popen(command, start_new_session=True,
                            preexec_fn=lambda: libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL),
                            **options)


def wait_for(what, find, process, name, seconds, detail=lambda: ""):
    """Runs the GLib loop (woken by a timer of the caller's) until find() gives something, and
    returns it; fails if the process ends first or the time runs out."""
    from gi.repository import GLib
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while True:
        found = find()
        if found:
            return found
        if process.poll() is not None:
            sys.exit(f"FAIL: {name} ended while waiting for {what}")
        if time.monotonic() > deadline:
            sys.exit(f"FAIL: no {what} after {seconds} s{detail()}")
        context.iteration(True)


def main(arguments):
    # A browser's crash reporter may still be writing there as the test ends.
    home = tempfile.TemporaryDirectory(prefix="tavrilo-atspi-", ignore_cleanup_errors=True)
    os.environ.update(HOME=home.name, XDG_RUNTIME_DIR=home.name, GSETTINGS_BACKEND="memory")
    if not os.environ.get("TAVRILO_X_SESSION"):
        sys.exit("FAIL: not on a private X server: run this through tests/support/x-session")
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    children = [bus]
    try:
        address = bus.stdout.readline().decode().strip()
        if not address:
            sys.exit("FAIL: dbus-daemon did not start")
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=address)
        if arguments[0] == "--page":
            return check_page(arguments[1], arguments[2], home.name, children)
        return check(arguments[0], children)
    finally:
        for child in reversed(children):
            os.killpg(child.pid, signal.SIGKILL)  # with the accessibility bus it activated
            child.wait()


def check(program, children):
    import pyatspi  # reaches the accessibility bus of the session above
    from gi.repository import GLib

    heard = []

    def on_showing(event):
        if event.detail1 and event.source.getRole() == pyatspi.ROLE_NOTIFICATION:
            heard.append(event.source.name)

    # Listening before the program starts: Qt asks at start-up which events anyone listens to.
    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
    environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    tavrilo = start([program], env=environment)
    children.append(tavrilo)

    GLib.timeout_add(20, lambda: True)  # wakes the waits below

    def wait(what, done):
        return wait_for(what, done, tavrilo, "the program", 30, lambda: f"; heard {heard}")

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        return next((a for a in desktop if a and a.name == "tavrilo" and a.childCount), None)

    wait("window on the accessibility bus", application)
    window = application()

    def control(meaning):
        found = pyatspi.findDescendant(window, lambda a: a.name == name(meaning))
        if not found:
            sys.exit(f"FAIL: no control named {name(meaning)}")
        return found

    def press(button):
        action = control(button).queryAction()
        action.doAction(next(i for i in range(action.nActions) if action.getName(i) == "Press"))

    def answer(x, y):
        control("xAnswer").queryEditableText().setTextContents(x)
        control("yAnswer").queryEditableText().setTextContents(y)
        press("accept")

    expected = []

    def hear(*news):
        expected.extend(news)
        wait(f"notification of {news}", lambda: len(heard) >= len(expected))
        if heard != expected:
            sys.exit(f"FAIL: heard {heard}, expected {expected}")

    # Two points, each answered wrong (no point lies at 9): the verdict and the point are news
    # every time, the verdict cleared by Another point is not.
    press("start")
    hear("Задано вопросов: 1")
    answer("9", "9")
    hear("Ошибка")
    press("nextPoint")
    hear("Задано вопросов: 2")
    answer("9", "9")
    hear("Ошибка")
    print("PASS: heard", heard)
    return 0


def check_page(kind, site, folder, children):
    import pyatspi
    from gi.repository import GLib

    browser = start(["node", str(pathlib.Path(__file__).parent / "support" / "browser.mjs"), kind,
                     site, folder],
                    env=dict(os.environ, GNOME_ACCESSIBILITY="1", TAVRILO_BROWSER_ACCESSIBILITY="1"))
    children.append(browser)
    GLib.timeout_add(20, lambda: True)

    def wait(what, find, seconds=60):
        return wait_for(f"{what} in {kind}", find, browser, kind, seconds)

    def document():
        for application in pyatspi.Registry.getDesktop(0):
            if application and application.name.lower() in ("chromium", "firefox", "firefox-esr",
                                                            "tavrilo-webkit"):
                found = pyatspi.findDescendant(
                    application, lambda a: a.getRole() == pyatspi.ROLE_DOCUMENT_WEB and
                    pyatspi.findDescendant(a, lambda b: b.name == name("start")))
                if found:
                    return found
        return None

    page = wait("page with the window's controls", document)
    # The window's controls in its tab order, each in the role of its kind.
    roles = {"button": pyatspi.ROLE_PUSH_BUTTON, "answerBox": pyatspi.ROLE_ENTRY,
             "plane": pyatspi.ROLE_IMAGE}
    found = pyatspi.findAllDescendants(page, lambda a: a.getRole() in roles.values() and a.name)
    controls = [(a.getRole(), a.name) for a in found]
    expected = [(roles[described["controls"][m]["kind"]], name(m)) for m in described["tabOrder"]]
    if controls != expected:
        sys.exit(f"FAIL: {kind}: the controls on AT-SPI are {controls}, expected {expected}")
    # Whatever else of those roles is there has no name: a stop with nothing to say, which a
    # screen reader's user would meet among the controls. Told after the drill, which it does not
    # stop.
    states = {"focusable": pyatspi.STATE_FOCUSABLE, "showing": pyatspi.STATE_SHOWING}
    unnamed = [(a.getRoleName(), *(s for s in states if a.getState().contains(states[s])))
               for a in pyatspi.findAllDescendants(
                   page, lambda a: a.getRole() in roles.values() and not a.name)]

    def control(meaning):
        return pyatspi.findDescendant(page, lambda a: a.name == name(meaning))

    def news():
        region = pyatspi.findDescendant(
            page, lambda a: a.getAttributes() and "live:polite" in a.getAttributes())
        if not region:
            return None
        # The text of its leaves: the browsers nest it differently.
        said = []
        for part in [region] + pyatspi.findAllDescendants(region, lambda a: True):
            if part.childCount == 0 and "Text" in pyatspi.listInterfaces(part):
                said.append(part.queryText().getText(0, -1))
        return "".join(said).strip()

    def hear(expected):
        said = wait(f"news {expected!r} (now {news()!r})", lambda: news() == expected and expected, 20)
        print(f"PASS: {kind}: heard {said}")

    # As a learner with a screen reader works it: the screen reader moves the focus, the learner
    # presses keys, which go to the browser's window.
    def keys(*arguments):
        subprocess.run(["xdotool", *arguments], check=True)

    keys("search", "--sync", "--onlyvisible", "--name", "Tavrilo", "windowfocus", "--sync")

    def focused():
        # The innermost that says it has the focus: in WebKit, what holds the window does too.
        found = pyatspi.findAllDescendants(
            page, lambda a: a.getState().contains(pyatspi.STATE_FOCUSED))
        return found[-1].name if found else None

    def focus(meaning):
        control(meaning).queryComponent().grabFocus()
        wait(f"focus on {name(meaning)}", lambda: focused() == name(meaning), 10)

    def tab_to(meaning):
        keys("key", "Tab")
        wait(f"the focus on {name(meaning)} after Tab (now {focused()!r})",
             lambda: focused() == name(meaning), 10)

    focus("start")
    keys("key", "space")
    hear("Задано вопросов: 1")
    # Tab goes round as on the desktop; what has the focus is what a screen reader says.
    order = described["tabOrder"]
    for meaning in order[order.index("start") + 1:order.index("xAnswer") + 1]:
        tab_to(meaning)

    # What is typed must be in the box the screen reader reads, before the next key.
    def typed(meaning, text):
        keys("type", text)
        value = lambda: control(meaning).queryText().getText(0, -1)
        wait(f"{text!r} typed into {name(meaning)}", lambda: value() == text, 10)

    typed("xAnswer", "9")
    tab_to("yAnswer")
    typed("yAnswer", "9")
    focus("accept")
    keys("key", "space")
    hear("Ошибка")
    focus("nextPoint")
    keys("key", "Return")
    hear("Задано вопросов: 2")
    print(f"PASS: {kind}: the controls on AT-SPI, in the tab order, and the drill through them")
    if unnamed:
        sys.exit(f"FAIL: {kind}: unnamed on AT-SPI among the controls (role, states): {unnamed}")
    print(f"PASS: {kind}: nothing unnamed among the controls on AT-SPI")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
