#!/usr/bin/env python3
"""Plants the web page's faults one at a time and records which checks catch them: the desktop
suite (for faults in C++), the page driven in Chromium and in Firefox (tst_smoke), tst_web.py.

    tools/plant-web-faults.py TREE [ID,ID...]

TREE is a copy of the repository (never this one: its files are changed while a fault runs, then
written back) with the Linux build in TREE/build and the web build in TREE/build-web made. Each
fault costs a rebuild of the web program (a link of about two minutes for a C++ fault) and the
checks, so the whole list takes about forty minutes. Prints a Markdown table row per fault; the
last record is tools/web-faults.md.
"""
import os
import pathlib
import subprocess
import sys
import time

# id, file, the exact text, what takes its place
FAULTS = [
    ("web.news-unsaid", "runtime/widgets/accessibility.cpp",
     "    page::say(widget->accessibleName());\n", ""),
    ("web.question-unheard", "runtime/widgets/messagebox.cpp",
     "                         page::say(prompt);\n", ""),
    ("web.end-untold", "runtime/program.cpp", "        page::ended();\n", ""),
    ("web.keyboard-lost", "runtime/widgets/messagebox.cpp",
     "    QObject::connect(box, &QDialog::finished, parent, [parent] { parent->activateWindow(); });\n",
     ""),
    ("web.framed", "app/application.cpp",
     "    window.setWindowFlag(Qt::FramelessWindowHint);\n", ""),
    ("web.box-loop", "runtime/widgets/messagebox.cpp", "    box->show();\n", "    box->exec();\n"),
    ("web.hinting-default", "app/mainwindow.cpp",
     "    font.setHintingPreference(QFont::PreferVerticalHinting);\n", ""),
    ("page.unfocused", "packaging/web/page.js",
     "        windowPlace.querySelector('canvas')?.focus();\n", ""),
    ("page.no-fit", "packaging/web/page.js",
     "    fitScreen();\n    addEventListener", "    addEventListener"),
    ("page.no-worker", "packaging/web/page.js",
     "    if ('serviceWorker' in navigator)\n", "    if (false)\n"),
    ("page.restart-unfocused", "packaging/web/page.js", "        if (restart) again.focus();\n", ""),
    ("page.no-title", "packaging/web/page.js", "        document.title = 'Tavrilo: ' + title;\n", ""),
    ("page.news-dropped", "packaging/web/page.js", "            news.replaceChildren(line);\n", ""),
    ("page.foreign-style", "packaging/web/index.html.in", '<link rel="stylesheet" href="page.css">\n',
     '<link rel="stylesheet" href="page.css">\n'
     '<link rel="stylesheet" href="https://fonts.example.com/roboto.css">\n'),
    ("page.old-kept", "packaging/web/sw.js.in",
     ".filter((key) => key !== version)", ".filter(() => false)"),
]


def main():
    tree = pathlib.Path(sys.argv[1])
    only = sys.argv[2].split(",") if len(sys.argv) > 2 else None
    env = dict(os.environ)
    settings = subprocess.run(["packaging/web/wasm-qt.sh", "--env"], cwd=tree,
                              capture_output=True, text=True).stdout
    env.update(line.removeprefix("export ").split("=", 1) for line in settings.splitlines())

    def sh(command):
        done = subprocess.run(command, shell=True, cwd=tree, env=env, capture_output=True,
                              text=True, timeout=1800)
        return done.returncode == 0, done.stdout + done.stderr

    print("| fault | caught by | time |\n|---|---|---|")
    for fault, path, find, replace in FAULTS:
        if only and fault not in only:
            continue
        file = tree / path
        text = file.read_text()
        if text.count(find) != 1:
            print(f"| `{fault}` | (not placed: the text is not there once) | |", flush=True)
            continue
        file.write_text(text.replace(find, replace))
        try:
            began, caught = time.monotonic(), []
            built, log = sh("cmake --build build-web -j2 && rm -rf build-web/site && "
                            "cmake --install build-web --prefix build-web/site >/dev/null")
            if not built:
                caught.append("the web build")
            else:
                if path.endswith(".cpp"):
                    _, log = sh("cmake --build build -j2 && QT_QPA_PLATFORM=offscreen "
                                "ctest --test-dir build -j2 --timeout 120")
                    caught += [line.split(" - ", 1)[1].split(" (")[0].strip()
                               for line in log.splitlines()
                               if " - " in line and ("(Failed)" in line or "(Timeout)" in line)]
                for browser in ("chromium", "firefox"):
                    passed, _ = sh(f"TAVRILO_SMOKE_BROWSER={browser} "
                                   "TAVRILO_SMOKE_PAGE=$PWD/build-web/site "
                                   "timeout 300 build/tests/tst_smoke learnerSession")
                    if not passed:
                        caught.append(f"tst_smoke in {browser.title()}")
                passed, log = sh("timeout 900 python3 tests/tst_web.py build-web/site")
                if not passed:
                    caught.append("tst_web: " + "; ".join(
                        line[6:].split(" (")[0] for line in log.splitlines()
                        if line.startswith("FAIL")))
            print(f"| `{fault}` | {', '.join(caught) or '**none**'} "
                  f"| {time.monotonic() - began:.0f} s |", flush=True)
        finally:
            file.write_text(text)


if __name__ == "__main__":
    main()
