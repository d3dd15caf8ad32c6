#!/usr/bin/python3
"""What a screen reader hears: the real program on its own X server and accessibility bus, watched
by an AT-SPI listener as Orca watches it, and driven through AT-SPI as assistive technology drives
it. Orca speaks an object that starts showing, wherever the focus is, only if it is a
notification; so every new verdict and every new point must come as that event, named with what is
to be heard.

Usage: tst_atspi.py PROGRAM. Needs Xvfb, dbus-daemon, at-spi2-core and python3-pyatspi."""
import ctypes
import os
import signal
import subprocess
import sys
import tempfile
import time

PR_SET_PDEATHSIG = 1
libc = ctypes.CDLL(None)


def start(command, **options):
    """Starts a process that dies with this test, in a process group of its own."""
    return subprocess.Popen(command, start_new_session=True,
                            preexec_fn=lambda: libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL),
                            **options)


def main(program):
    home = tempfile.TemporaryDirectory(prefix="tavrilo-atspi-")
    os.environ.update(HOME=home.name, XDG_RUNTIME_DIR=home.name, GSETTINGS_BACKEND="memory")
    xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    children = [xvfb, bus]
    try:
        display, address = (p.stdout.readline().decode().strip() for p in (xvfb, bus))
        if not (display and address):
            sys.exit("FAIL: Xvfb or dbus-daemon did not start")
        os.environ.update(DISPLAY=":" + display, DBUS_SESSION_BUS_ADDRESS=address)
        return check(program, children)
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

    context = GLib.MainContext.default()
    GLib.timeout_add(20, lambda: True)  # wakes the waits below

    def wait(what, done, seconds=30):
        deadline = time.monotonic() + seconds
        while not done():
            if tavrilo.poll() is not None:
                sys.exit(f"FAIL: the program ended while waiting for {what}")
            if time.monotonic() > deadline:
                sys.exit(f"FAIL: no {what} after {seconds} s; heard {heard}")
            context.iteration(True)

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        return next((a for a in desktop if a and a.name == "tavrilo" and a.childCount), None)

    wait("window on the accessibility bus", application)
    window = application()

    def control(name):
        found = pyatspi.findDescendant(window, lambda a: a.name == name)
        if not found:
            sys.exit(f"FAIL: no control named {name}")
        return found

    def press(button):
        action = control(button).queryAction()
        action.doAction(next(i for i in range(action.nActions) if action.getName(i) == "Press"))

    def answer(x, y):
        control("Ответ: координата x").queryEditableText().setTextContents(x)
        control("Ответ: координата y").queryEditableText().setTextContents(y)
        press("Принять ответ")

    expected = []

    def hear(*news):
        expected.extend(news)
        wait(f"notification of {news}", lambda: len(heard) >= len(expected))
        if heard != expected:
            sys.exit(f"FAIL: heard {heard}, expected {expected}")

    # Two points, each answered wrong (no point lies at 9): the verdict and the point are news
    # every time, the verdict cleared by Another point is not.
    press("Начало")
    hear("Задано вопросов: 1")
    answer("9", "9")
    hear("Ошибка")
    press("Ещё точка")
    hear("Задано вопросов: 2")
    answer("9", "9")
    hear("Ошибка")
    print("PASS: heard", heard)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
