#!/usr/bin/env python3
"""Plants one fault at a time in a copy of the program and its web page and records which checks
catch it: the desktop suite (ctest) and the web page's checks (tests/web-check.sh's steps).

Each fault in the list (tools/faults.txt) is an exact "find" snippet and its "replace" snippet. The
snippet is looked for in every C++ source file of the tree outside tests/, bench/, fuzz/ and
tools/, and in the page's own files (packaging/web/*.js, *.css, *.in, *.cmake), so the list still
applies after code moves between files and folders. A snippet must occur exactly once in all of
them together; otherwise the fault is reported as unplaceable and not run.

Where a fault lands says what it needs (the head of faults.txt says how): a fault in C++ the
desktop suite, and the web checks too if the browser's program runs that line differently; a fault
in the page's files the web checks only. The web checks are slow (a web build, 2 to 4 minutes of
linking after a C++ fault, then a few minutes in three browsers), so they run only with --web;
without it, a fault that needs them says "web checks not run" for them.

The tree itself is never edited. It is mirrored into a scratch folder (default
/tmp/tavrilo-faults/src) that keeps its build folders across faults (the desktop build in build/
beside it, the web build in src/build-web, where the web build's root finds it), so every fault
costs an incremental build. After each fault the scratch file is written back to its original
text, also on Ctrl-C or an error; the next run re-mirrors the tree anyway. The browsers' drivers
(tests/support/node_modules, which npm installs and git ignores) are linked, not copied.

    tools/plant-faults.py --list                 where each fault lands and what it needs; no build
    tools/plant-faults.py                        every fault, the desktop suite; Markdown on stdout
    tools/plant-faults.py --web-faults           only the faults the page needs, with the web checks
    tools/plant-faults.py --only ID,ID --repeat 3 --out result.md --json result.json
    tools/plant-faults.py --only pic.teal --redraw-pictures   also redraw the committed pictures

The web checks need the Qt for WebAssembly that packaging/web/wasm-qt.sh builds; this tool never
builds it, and stops if it is not complete. Python 3 standard library only.
"""

import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

SOURCE_SUFFIXES = {".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".hxx"}
# Folders whose code is not the program: what catches the faults, and this tool.
NOT_PROGRAM = {"tests", "bench", "fuzz", "tools"}
# The page's own files: what the browser loads around the program, and what writes it. Not the
# scripts that build or serve it.
PAGE_FOLDER = "packaging/web"
PAGE_SUFFIXES = {".js", ".css", ".in", ".cmake"}
# Never mirrored into the scratch copy.
NOT_MIRRORED = {".git", ".cache"}
# Mirrored as a link to the tree's own: installed, not written, and large.
LINKED = {"tests/support/node_modules"}
# A safety net for a check that hangs with a fault in place; the checks keep their own time limits.
STEP_TIMEOUT = 1800
WEB_BUILD_TIMEOUT = 3600


# --------------------------------------------------------------------------------------------
# The fault list


@dataclass
class Fault:
    id: str
    description: str = ""
    find: str = ""
    replace: str = ""
    note: str = ""
    web: bool = False  # "@@ checks web": a C++ line that shapes the page too
    line: int = 0  # where it starts in the list file
    # Placement in the tree
    path: str = ""  # relative to the tree
    at: int = -1  # character offset of the match
    where_line: int = 0
    problem: str = ""  # why it cannot be placed
    checks: tuple = ()  # what it needs: "desktop", "web"


def parse_faults(path: Path):
    """Reads the list. A fault is a block of "@@" directives; see the head of the list file."""
    faults, current, section, buffer = [], None, None, []

    def close_section():
        nonlocal section, buffer
        if section is not None:
            setattr(current, section, "\n".join(buffer))
        section, buffer = None, []

    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if raw.startswith("@@"):
            words = raw[2:].strip().split(None, 1)
            keyword = words[0] if words else ""
            value = words[1].strip() if len(words) > 1 else ""
            if keyword == "fault":
                if current is not None:
                    sys.exit(f"{path}:{number}: fault {value!r} starts before {current.id!r} ends")
                if not re.fullmatch(r"[a-z0-9][a-z0-9.-]*", value):
                    sys.exit(f"{path}:{number}: a fault id is lower-case letters, digits, '.', '-'")
                current = Fault(id=value, line=number)
            elif current is None:
                sys.exit(f"{path}:{number}: @@ {keyword} outside a fault")
            elif keyword in ("desc", "note"):
                close_section()
                setattr(current, "description" if keyword == "desc" else "note", value)
            elif keyword == "checks":
                close_section()
                if value != "web":
                    sys.exit(f"{path}:{number}: @@ checks takes one word: web")
                current.web = True
            elif keyword in ("find", "replace"):
                close_section()
                section = keyword
            elif keyword == "end":
                close_section()
                if not current.find:
                    sys.exit(f"{path}:{number}: fault {current.id!r} has no find snippet")
                if current.find == current.replace:
                    sys.exit(f"{path}:{number}: fault {current.id!r} replaces a snippet by itself")
                faults.append(current)
                current = None
            else:
                sys.exit(f"{path}:{number}: unknown directive @@ {keyword}")
        elif section is not None:
            buffer.append(raw)
        elif current is not None and raw.strip():
            sys.exit(f"{path}:{number}: text outside find/replace in fault {current.id!r}")
        # Outside a fault: blank lines and comments ("#") are free text.
    if current is not None:
        sys.exit(f"{path}: fault {current.id!r} has no @@ end")
    ids = [f.id for f in faults]
    duplicates = sorted({i for i in ids if ids.count(i) > 1})
    if duplicates:
        sys.exit(f"{path}: duplicate fault ids: {', '.join(duplicates)}")
    return faults


# --------------------------------------------------------------------------------------------
# The tree


def is_page_file(rel: str):
    return rel.startswith(PAGE_FOLDER + "/") and Path(rel).suffix in PAGE_SUFFIXES


def searched_files(tree: Path):
    """Every C++ source of the program (all folders but the tests', the tools' and build folders)
    and the page's own files."""
    found = []
    for folder, dirs, files in os.walk(tree):
        here = Path(folder)
        rel = here.relative_to(tree)
        dirs[:] = sorted(
            d
            for d in dirs
            if not d.startswith(".")
            and not d.startswith("build")
            and not (rel == Path(".") and d in NOT_PROGRAM)
            and (rel / d).as_posix() not in LINKED
        )
        for name in sorted(files):
            path = (here / name).relative_to(tree).as_posix()
            if Path(name).suffix in SOURCE_SUFFIXES or is_page_file(path):
                found.append(path)
    return found


WASM_CONDITION = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif|else|endif)\b(.*)$")


def browser_only_lines(text: str):
    """The numbers of the lines that only the browser's program compiles: those under
    #ifdef Q_OS_WASM (or #if defined(Q_OS_WASM)), or in the #else of #ifndef Q_OS_WASM."""
    only, stack = set(), []  # per open #if: is its current branch the browser's alone?
    for number, line in enumerate(text.splitlines(), 1):
        m = WASM_CONDITION.match(line)
        if m:
            word, rest = m[1], m[2]
            mentions = "Q_OS_WASM" in rest
            negated = word == "ifndef" or re.search(r"!\s*defined\s*\(?\s*Q_OS_WASM", rest)
            if word in ("if", "ifdef", "ifndef"):
                stack.append(("wasm" if mentions and not negated else
                              "not-wasm" if mentions else "other", False))
            elif word == "elif" and stack:
                stack[-1] = ("other", False)
            elif word == "else" and stack:
                stack[-1] = (stack[-1][0], True)
            elif word == "endif" and stack:
                stack.pop()
            only.add(number)  # the directive itself: changing it changes what the browser gets
            continue
        if any((kind == "wasm" and not in_else) or (kind == "not-wasm" and in_else)
               for kind, in_else in stack):
            only.add(number)
    return only


def place(faults, tree: Path):
    texts = {p: (tree / p).read_text(encoding="utf-8") for p in searched_files(tree)}
    browser_only = {}
    for f in faults:
        hits = [(p, t.count(f.find)) for p, t in texts.items() if f.find in t]
        total = sum(n for _, n in hits)
        if total == 1:
            f.path = hits[0][0]
            text = texts[f.path]
            f.at = text.index(f.find)
            f.where_line = text.count("\n", 0, f.at) + 1
            if is_page_file(f.path):
                f.checks = ("web",)
            else:
                if f.path not in browser_only:
                    browser_only[f.path] = browser_only_lines(text)
                lines = range(f.where_line, f.where_line + f.find.count("\n") + 1)
                web = f.web or "Q_OS_WASM" in f.find or any(
                    n in browser_only[f.path] for n in lines)
                f.checks = ("desktop", "web") if web else ("desktop",)
        elif total == 0:
            f.problem = "find snippet matches nowhere"
        else:
            f.problem = f"find snippet matches {total} times (" + ", ".join(
                f"{p} x{n}" for p, n in hits) + ")"
        if f.web and f.path and is_page_file(f.path):
            f.problem = "@@ checks web is for C++ faults; the page's files have the web checks anyway"
    return texts


def mirror(tree: Path, copy: Path):
    """Makes copy hold the tree's files. Only files whose bytes differ are written, with a fresh
    modification time, so the build folders rebuild exactly what changed. The copy's own build
    folders (build*) stay."""
    wanted = set()
    for folder, dirs, files in os.walk(tree):
        here = Path(folder)
        rel_here = here.relative_to(tree)
        kept = []
        for d in dirs:
            rel = (rel_here / d).as_posix()
            if d in NOT_MIRRORED or (here == tree and d.startswith("build")):
                continue
            if rel in LINKED:
                link, target = copy / rel, (here / d).resolve()
                if not (link.is_symlink() and link.resolve() == target):
                    if link.is_symlink() or link.is_file():
                        link.unlink()
                    elif link.exists():
                        shutil.rmtree(link)
                    link.parent.mkdir(parents=True, exist_ok=True)
                    link.symlink_to(target)
                wanted.add(Path(rel))
                continue
            kept.append(d)
        dirs[:] = kept
        for name in files:
            if here == tree and name == ".git":
                continue  # a worktree's pointer to its repository
            source = here / name
            rel = source.relative_to(tree)
            wanted.add(rel)
            target = copy / rel
            data = source.read_bytes()
            if not target.is_file() or target.read_bytes() != data:
                target.parent.mkdir(parents=True, exist_ok=True)
                target.write_bytes(data)
                shutil.copymode(source, target)
    folders = []
    for folder, dirs, files in os.walk(copy):
        here = Path(folder)
        rel_here = here.relative_to(copy)
        dirs[:] = [d for d in dirs if not (here == copy and d.startswith("build"))
                   and (rel_here / d).as_posix() not in LINKED]
        folders.append(here)
        for name in files:
            p = here / name
            if p.relative_to(copy) not in wanted:
                p.unlink()
    for here in reversed(folders):
        if here != copy and not any(here.iterdir()):
            here.rmdir()
    for rel in LINKED:
        link = copy / rel
        if link.is_symlink() and Path(rel) not in wanted:
            link.unlink()


# --------------------------------------------------------------------------------------------
# Building and testing


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(f"signal {signum}")


def run(command, log=None, env=None, cwd=None, timeout=None):
    """Runs a command in a process group of its own, which goes as a whole on a timeout, Ctrl-C
    or an error: browsers and X servers that a check started go with it. Returns (exit code or
    None on a timeout, output, seconds)."""
    started = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True, errors="replace", env=env, cwd=cwd,
                               start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        code = process.returncode
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        code = None
    except BaseException:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        raise
    if log is not None:
        log.write(f"$ {' '.join(map(str, command))}\n{output}\n"
                  + (f"(killed after {timeout} s)\n" if code is None else ""))
        log.flush()
    return code, output, time.monotonic() - started


def configure(source: Path, build: Path, log):
    if (build / "CMakeCache.txt").is_file():
        return
    generator = ["-G", "Ninja"] if shutil.which("ninja") else []
    code, output, _ = run(["cmake", "-S", source, "-B", build, *generator,
                           "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DTAVRILO_BENCH=OFF"], log)
    if code != 0:
        sys.exit("configuring the scratch build failed:\n" + output[-3000:])


def errors_of(output):
    return [l.strip() for l in output.splitlines() if re.search(r"\berror\b", l, re.I)]


def build(build_dir: Path, jobs, log, redraw_pictures=False):
    seconds = 0.0
    if redraw_pictures:
        # Writes the pictures into the scratch copy's source tree, to be embedded by the build.
        code, output, seconds = run(["cmake", "--build", build_dir, "-j", str(jobs), "--target",
                                     "pictures"], log)
        if code != 0:
            return False, (errors_of(output) or ["redrawing the pictures failed"])[:3], seconds
    code, output, more = run(["cmake", "--build", build_dir, "-j", str(jobs)], log)
    if code is None or code < 0:
        raise Interrupted("the build was interrupted")  # not the fault's doing
    return code == 0, (errors_of(output) or output.strip().splitlines()[-2:])[:3], seconds + more


def web_build(source: Path, web_dir: Path, jobs, log):
    """The page as packaging/web/build.sh makes it, from the scratch copy's own script: its build
    root mounts the folder the script lives in, the copy."""
    env = dict(os.environ, JOBS=str(jobs))
    code, output, seconds = run([source / "packaging/web/build.sh", web_dir], log, env=env,
                                cwd=source, timeout=WEB_BUILD_TIMEOUT)
    if code is not None and code < 0:
        raise Interrupted("the web build was interrupted")
    ok = code == 0 and (web_dir / "site/index.html").is_file()
    if code is None:
        return False, [f"no end after {WEB_BUILD_TIMEOUT} s"], seconds
    return ok, (errors_of(output) or output.strip().splitlines()[-2:])[:3], seconds


TEST_LINE = re.compile(
    r"^\s*\d+/\d+ Test\s+#\d+: (?P<name>\S+) \.*\s*(?P<status>.*?)\s+(?P<secs>[\d.]+) sec\s*$")
QTEST_FAIL = re.compile(r"^FAIL!\s*:\s*(?P<function>[\w:]+)(?:\((?P<tag>.*?)\))?\s")


@dataclass
class SuiteRun:
    seconds: float
    status: dict = field(default_factory=dict)  # entry -> "Passed", "Failed", ...
    functions: dict = field(default_factory=dict)  # failing entry -> what failed in it

    @property
    def failed(self):
        return sorted(n for n, s in self.status.items() if s not in ("Passed", "Ignored"))


def run_suite(build_dir: Path, jobs, log):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    code, output, seconds = run(["ctest", "--test-dir", build_dir, "--output-on-failure", "-j",
                                 str(jobs)], log, env=env)
    result = SuiteRun(seconds)
    current = None
    for line in output.splitlines():
        m = TEST_LINE.match(line)
        if m:
            status = m["status"].lstrip("*").strip() or "Failed"
            result.status[m["name"]] = status
            current = m["name"] if status != "Passed" else None
            continue
        m = QTEST_FAIL.match(line)
        if m and current:
            result.functions.setdefault(current, set()).add(m["function"].split("::")[-1])
    if not result.status:
        sys.exit("ctest printed no test results:\n" + output[-3000:])
    if code is None or code < 0:
        raise Interrupted("the suite was interrupted")
    if code != 0 and not result.failed:
        result.status["(ctest)"] = f"exit {code}"
    return result


def web_steps(source: Path, build_dir: Path, site: Path):
    """tests/web-check.sh's steps, as it lists them, to run one by one: the script stops at the
    first that fails, and each fault should say every check that catches it."""
    listed = subprocess.run([source / "tests/web-check.sh", "--list", site, build_dir],
                            stdout=subprocess.PIPE, text=True, check=True).stdout
    return [(name, command) for name, *command in
            (line.split("\t") for line in listed.splitlines())]


SPEC_LINE = re.compile(r"^(?P<indent> *)(?P<mark>[▶✔✖]) (?P<name>.*?)(?: \([\d.]+ms\))?$")


def failing_tests(lines):
    """The tests that failed, by node:test's spec report: each named with the suites around it
    ("suite > test")."""
    failed, suites = set(), []
    for line in lines:
        if line.startswith("✖ failing tests:"):
            break  # the failures again
        m = SPEC_LINE.match(line)
        if not m:
            continue
        depth = len(m["indent"]) // 2
        if m["mark"] == "▶":
            suites[depth:] = [m["name"]]
        elif depth < len(suites) and suites[depth] == m["name"]:
            del suites[depth:]  # the end of a suite
        elif m["mark"] == "✖":
            failed.add(" > ".join(suites[:depth] + [m["name"]]))
    return failed


def run_web_checks(source: Path, build_dir: Path, site: Path, log, known=None):
    """Runs the web checks. known holds what already fails on the unchanged page: per step, the
    checks that fail there (tst_web.mjs's failing tests), which a fault is not credited with, or
    None for a step that fails there as a whole, which then catches nothing."""
    known = known or {}
    result = SuiteRun(0.0)
    for name, command in web_steps(source, build_dir, site):
        code, output, seconds = run(command, log, cwd=source, timeout=STEP_TIMEOUT)
        result.seconds += seconds
        lines = output.splitlines()
        if name.startswith("tst_smoke"):
            what = {m["function"].split("::")[-1] for m in map(QTEST_FAIL.match, lines) if m}
            skipped = any(l.startswith("SKIP") for l in lines)
        elif name == "tst_web.mjs":
            what = failing_tests(lines)
            if code and not any(l.startswith("ℹ fail ") for l in lines):
                last = next((l.strip() for l in reversed(lines) if l.strip()), "")
                what.add(f"ended before its last check: {last[:120]}")
            skipped = False
        else:
            what = {l[len("FAIL: "):][:120] for l in lines if l.startswith("FAIL: ")}
            skipped = False
        if code is None:
            status = "Timeout"
        elif code < 0:
            raise Interrupted(f"{name} was interrupted")
        elif code != 0:
            status = "Failed"
            if not what:
                last = next((l.strip() for l in reversed(lines) if l.strip()), "")
                what = {f"exit {code}: {last[:120]}"}
        else:
            status = "Skipped" if skipped else "Passed"
        if name in known and status != "Timeout":
            if known[name] is None:
                status = "Ignored"
            elif status == "Failed":
                what -= known[name]
                if not what:
                    status = "Passed"  # only what fails unchanged
        result.status[name] = status
        if what and status not in ("Passed", "Ignored"):
            result.functions[name] = what
    return result


# --------------------------------------------------------------------------------------------
# Report


def describe_catch(suite, runs):
    hits = sum(suite in r.failed for r in runs)
    statuses = sorted({r.status.get(suite, "") for r in runs} - {"Passed", ""})
    label = suite
    if hits < len(runs):
        label += f" ({hits}/{len(runs)} runs)"
    if statuses and statuses != ["Failed"]:
        label += " [" + ", ".join(s.lower() for s in statuses) + "]"
    return label


def caught_by(r):
    """Every entry that failed with the fault in place, desktop and web."""
    return r.get("desktop", {}).get("caught", []) + r.get("web", {}).get("caught", [])


def verdict(f, r):
    """Whether the fault was caught, missed by all it needs, or is still open."""
    if f.problem:
        return "unplaceable"
    if r is None:
        return "not run"
    parts = [r.get(k, {}) for k in f.checks]
    if any(p.get("outcome") == "build broke" for p in parts):
        return "build broke"
    if caught_by(r):
        return "caught"
    if any(p.get("outcome") == "not run" for p in parts):
        return "open"
    return "missed"


def cell(f, r, kind):
    if kind not in f.checks:
        return "—"
    if r is None:
        return "not run"
    part = r.get(kind, {})
    outcome = part.get("outcome")
    if outcome == "not run":
        return "web checks not run" if kind == "web" else "not run"
    if outcome == "build broke":
        return ("**web build broke**: " if kind == "web" else "**build broke**: ") + \
            "; ".join(part["errors"])[:200]
    if not part.get("caught"):
        return "**none**"
    return ", ".join(part["caught_labels"])


def markdown(results, faults, clean, meta):
    lines = [f"# Planted faults: {meta['tree_commit']}", ""]
    text = (f"Made by `tools/plant-faults.py` on {meta['date']}; Qt {meta['qt']}; the desktop "
            f"suite run {meta['repeat']} time(s) per fault with `ctest -j{meta['jobs']}` "
            "(`QT_QPA_PLATFORM=offscreen`)")
    if meta["web"]:
        text += (f"; the web checks ({', '.join(meta['web_steps'])}: `tests/web-check.sh`'s "
                 f"steps, each run to its end) {meta['repeat']} time(s) per fault on the page "
                 f"built with {meta['web_qt']}, in {meta['browsers']}")
    else:
        text += "; the web checks not run (`--web`)"
    lines.append(text + ". A check counts as catching a fault when it failed; \"(k/n runs)\" "
                 "marks one that failed in only some runs.")
    if meta.get("redraw_pictures"):
        lines[-1] += (" With every fault planted, the committed pictures were redrawn from the "
                      "changed code (`--redraw-pictures`), as the pictures' workflow does.")
    if meta.get("web_known"):
        lines += ["", "Failing on the unchanged page, and so credited with no fault:", ""]
        for step, names in meta["web_known"].items():
            lines.append(f"- {step}: " + ("the whole step" if names is None else
                                          "; ".join(names)))
    lines += ["", "| fault | where | what | desktop suite | web checks |", "|---|---|---|---|---|"]
    for f in faults:
        r = results.get(f.id)
        where = f"`{f.path}:{f.where_line}`" if f.path else "—"
        what = f.description + (f" *({f.note})*" if f.note else "")
        if f.problem:
            lines.append(f"| `{f.id}` | {where} | {what} | **unplaceable**: {f.problem} | |")
            continue
        lines.append(f"| `{f.id}` | {where} | {what} | {cell(f, r, 'desktop')} "
                     f"| {cell(f, r, 'web')} |")

    outcome = {f.id: verdict(f, results.get(f.id)) for f in faults}

    def ids(kind):
        return [f for f in faults if outcome[f.id] == kind]

    ran = [f for f in faults if f.id in results and any(
        results[f.id].get(k, {}).get("outcome") in ("ran", "build broke") for k in f.checks)]
    one = [f for f in ids("caught") if len(caught_by(results[f.id])) == 1]
    lines += ["", "## Summary", "",
              f"- faults in the list: {len(faults)} ({sum('desktop' in f.checks for f in faults)}"
              f" in C++, {sum('web' in f.checks for f in faults)} that need the web checks); "
              f"planted: {len(ran)}; unplaceable: {len(ids('unplaceable'))}; "
              f"build broke: {len(ids('build broke'))}",
              f"- caught: {len(ids('caught'))} of {len(ran)}",
              f"- caught by nothing they need ({len(ids('missed'))}): "
              + (", ".join(f"`{f.id}`" for f in ids("missed")) or "none"),
              f"- caught by nothing run, the web checks not run ({len(ids('open'))}): "
              + (", ".join(f"`{f.id}`" for f in ids("open")) or "none"),
              f"- caught by exactly one check ({len(one)}): "
              + (", ".join(f"`{f.id}` ({caught_by(results[f.id])[0]})" for f in one) or "none")]
    flaky = [f for f in ran if any("runs)" in l for k in ("desktop", "web")
                                   for l in results[f.id].get(k, {}).get("caught_labels", []))]
    if flaky:
        lines.append("- caught in only some runs: " + ", ".join(f"`{f.id}`" for f in flaky))

    lines += ["", "### Per check", "",
              "| check | faults it catches | faults only it catches |", "|---|---|---|"]
    for s in meta["suites"] + meta["web_steps"]:
        catches = [f.id for f in ran if s in caught_by(results[f.id])]
        only = [f.id for f in one if caught_by(results[f.id]) == [s]]
        lines.append(f"| {s} | {len(catches)} | " + (", ".join(f"`{i}`" for i in only) or "—")
                     + " |")

    lines += ["", "### What failed per fault", "",
              "| fault | failing test functions and checks (by entry) |", "|---|---|"]
    for f in ran:
        funcs = {**results[f.id].get("desktop", {}).get("functions", {}),
                 **results[f.id].get("web", {}).get("functions", {})}
        if funcs:
            text = "; ".join(f"{s}: " + ", ".join(sorted(v)) for s, v in funcs.items())
            lines.append(f"| `{f.id}` | {text.replace('|', '/')} |")

    times = [r.seconds for r in clean["desktop"]]
    lines += ["", "## The unchanged checks", "",
              f"- `ctest -j{meta['jobs']}` wall time over {len(times)} clean run(s): "
              + ", ".join(f"{t:.2f} s" for t in times)
              + f"; median {statistics.median(times):.2f} s",
              "- slowest entries (median of the clean runs): "
              + ", ".join(f"{n} {t:.2f} s" for n, t in meta["entry_times"][:4])]
    if clean["web"]:
        lines.append(f"- the web checks, unchanged page: {clean['web'][0].seconds / 60:.1f} min; "
                     f"the page's first build in the scratch copy "
                     f"{meta['web_first_build'] / 60:.1f} min")
    lines += [f"- the whole fault run took {meta['total_minutes']:.1f} min", ""]
    return "\n".join(lines)


# --------------------------------------------------------------------------------------------


def version_of(command):
    if not shutil.which(command[0]):
        return f"no {command[0]}"
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return done.stdout.strip().splitlines()[0] if done.stdout.strip() else command[0]


def main():
    here = Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--faults", type=Path, default=here / "faults.txt")
    parser.add_argument("--tree", type=Path, default=here.parent, help="the project's folder")
    parser.add_argument("--work", type=Path, default=Path("/tmp/tavrilo-faults"),
                        help="scratch folder: src/ (the copy, with src/build-web) and build/")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--list", action="store_true",
                        help="show where each fault lands and what it needs; no build")
    parser.add_argument("--web", action="store_true",
                        help="run the web checks for the faults that need them (slow: a web "
                             "build and a few minutes of checks in three browsers per fault)")
    parser.add_argument("--web-faults", action="store_true",
                        help="only the faults that need the web checks, with them (implies --web)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--repeat", type=int, default=1, help="runs of each check per fault")
    parser.add_argument("--clean-runs", type=int, default=3,
                        help="runs of the unchanged desktop suite first (all must pass; timed); "
                             "with --web, the unchanged page's checks run once and must pass too")
    parser.add_argument("--out", type=Path, help="write the Markdown report here as well")
    parser.add_argument("--json", type=Path, help="write the raw results here")
    parser.add_argument("--redraw-pictures", action="store_true",
                        help="after planting a fault, redraw the committed pictures with the "
                             "build's `pictures` target, as a developer changing the drawing "
                             "code would; slower: every fault then relinks everything")
    parser.add_argument("--fail-on-survivors", action="store_true",
                        help="exit 1 if a fault is caught by nothing, unplaceable or breaks a "
                             "build")
    args = parser.parse_args()
    args.web = args.web or args.web_faults

    tree = args.tree.resolve()
    faults = parse_faults(args.faults)
    if args.only:
        wanted = [i.strip() for i in args.only.split(",") if i.strip()]
        unknown = [i for i in wanted if i not in {f.id for f in faults}]
        if unknown:
            sys.exit("unknown fault ids: " + ", ".join(unknown))
        faults = [f for f in faults if f.id in wanted]
    texts = place(faults, tree)
    if args.web_faults:
        faults = [f for f in faults if "web" in f.checks or f.problem]

    if args.list:
        for f in faults:
            where = f"{f.path}:{f.where_line}" if f.path else "UNPLACEABLE: " + f.problem
            needs = " + ".join(f.checks)
            print(f"{f.id:32} {where}  [{needs}]\n{'':32} {f.description}")
        print(f"\n{len(faults)} faults: {sum('desktop' in f.checks for f in faults)} in C++ "
              f"(the desktop suite), {sum('web' in f.checks for f in faults)} that need the web "
              f"checks ({sum(f.checks == ('web',) for f in faults)} in the page's files); "
              f"{sum(1 for f in faults if f.problem)} unplaceable; searched {len(texts)} files")
        return 0

    needs_web = args.web and any("web" in f.checks for f in faults if not f.problem)
    if needs_web:
        # Only a complete cache: the web build would otherwise start a Qt build of its own.
        check = subprocess.run([tree / "packaging/web/wasm-qt.sh", "--check"],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if check.returncode != 0:
            sys.exit("--web needs a complete Qt for WebAssembly (packaging/web/wasm-qt.sh "
                     "--check):\n" + check.stdout.strip())
        web_qt = Path(check.stdout.strip().splitlines()[-1]).name
        for rel in LINKED:
            if not (tree / rel).is_dir():
                sys.exit(f"--web needs {rel}: npm ci --prefix tests/support")

    # Also when started with these ignored (as a background job of a script is).
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    source, build_dir = args.work / "src", args.work / "build"
    web_dir = source / "build-web"
    args.work.mkdir(parents=True, exist_ok=True)
    log_path = args.work / "plant-faults.log"
    started = time.monotonic()
    # The commit as the tree is mirrored: the tree may move on while the faults run.
    commit = subprocess.run(["git", "-C", tree, "log", "-1", "--format=%h %s"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    results, clean, known_web = {}, {"desktop": [], "web": []}, {}
    web_first_build = 0.0
    with open(log_path, "w", encoding="utf-8") as log:
        print(f"mirroring {tree} into {source} (log: {log_path})", file=sys.stderr)
        mirror(tree, source)
        configure(source, build_dir, log)
        ok, errors, seconds = build(build_dir, args.jobs, log)
        if not ok:
            sys.exit("the unchanged tree does not build:\n" + "\n".join(errors))
        for i in range(args.clean_runs):
            r = run_suite(build_dir, args.jobs, log)
            clean["desktop"].append(r)
            print(f"clean run {i + 1}: {r.seconds:.2f} s, failing: {r.failed or 'none'}",
                  file=sys.stderr)
            if r.failed:
                sys.exit("the unchanged suite fails; results would mean nothing")
        if needs_web:
            ok, errors, web_first_build = web_build(source, web_dir, args.jobs, log)
            if not ok:
                sys.exit("the unchanged page does not build:\n" + "\n".join(errors))
            r = run_web_checks(source, build_dir, web_dir / "site", log)
            clean["web"].append(r)
            print(f"clean web checks: {r.seconds / 60:.1f} min, failing: "
                  f"{', '.join(r.failed) or 'none'}; the page's build took "
                  f"{web_first_build / 60:.1f} min", file=sys.stderr)
            # What fails unchanged cannot tell a fault: tst_web.mjs's own failing checks are left
            # out of what it is credited with, any other failing step catches nothing. The
            # report names them.
            for step, status in r.status.items():
                if status == "Passed":
                    continue
                names = r.functions.get(step, set())
                partial = (step == "tst_web.mjs" and status == "Failed" and names
                           and not any(n.startswith("ended before") for n in names))
                known_web[step] = set(names) if partial else None
                print(f"  fails unchanged: {step} ({status}): "
                      + ("; ".join(sorted(names)) or "as a whole"), file=sys.stderr)
            if len(known_web) == len(r.status) and all(v is None for v in known_web.values()):
                sys.exit("no web check passes on the unchanged page; results would mean nothing")
        # Per-entry times, for the report.
        entry_times = {}
        for line in log_path.read_text(encoding="utf-8").splitlines():
            m = TEST_LINE.match(line)
            if m:
                entry_times.setdefault(m["name"], []).append(float(m["secs"]))
        suites = sorted(clean["desktop"][0].status)

        for n, f in enumerate(faults, 1):
            head = f"[{n}/{len(faults)}] {f.id}"
            if f.problem:
                print(f"{head}: unplaceable ({f.problem})", file=sys.stderr)
                continue
            desktop, web = "desktop" in f.checks, "web" in f.checks and args.web
            if not desktop and not web:
                results[f.id] = {"web": {"outcome": "not run"}}
                print(f"{head}: web checks not run", file=sys.stderr)
                continue
            target = source / f.path
            original = texts[f.path]
            if target.read_text(encoding="utf-8") != original:
                sys.exit(f"{target} differs from the tree: the scratch copy is not clean")
            mutated = original[:f.at] + f.replace + original[f.at + len(f.find):]
            log.write(f"\n===== fault {f.id} in {f.path}:{f.where_line}\n")
            result, began = {}, time.monotonic()
            try:
                target.write_text(mutated, encoding="utf-8")
                if desktop:
                    ok, errors, build_seconds = build(build_dir, args.jobs, log,
                                                      args.redraw_pictures)
                    if not ok:
                        result["desktop"] = {"outcome": "build broke", "errors": errors}
                    else:
                        runs = [run_suite(build_dir, args.jobs, log) for _ in range(args.repeat)]
                        result["desktop"] = summarise(runs)
                        result["desktop"]["build_seconds"] = round(build_seconds, 1)
                if "web" in f.checks:
                    if not web:
                        result["web"] = {"outcome": "not run"}
                    elif result.get("desktop", {}).get("outcome") == "build broke":
                        result["web"] = {"outcome": "not run"}
                    else:
                        # The desktop program and tst_smoke, which the page is held against,
                        # as the tree has them: a fault before this one may have left its mark.
                        if not desktop and not build(build_dir, args.jobs, log)[0]:
                            sys.exit("the unchanged tree no longer builds")
                        ok, errors, build_seconds = web_build(source, web_dir, args.jobs, log)
                        if not ok:
                            result["web"] = {"outcome": "build broke", "errors": errors}
                        else:
                            runs = [run_web_checks(source, build_dir, web_dir / "site", log,
                                                   known_web)
                                    for _ in range(args.repeat)]
                            result["web"] = summarise(runs)
                            result["web"]["build_seconds"] = round(build_seconds, 1)
            except (KeyboardInterrupt, Interrupted):
                print("\ninterrupted: the scratch copy is restored; partial results follow",
                      file=sys.stderr)
                break
            finally:
                # A fresh write, newer than any object built from the fault, so that the next
                # build compiles the original again.
                target.write_text(original, encoding="utf-8")
                if args.redraw_pictures:
                    mirror(tree, source)  # the committed pictures back too
            result["seconds"] = round(time.monotonic() - began, 1)
            results[f.id] = result
            said = []
            for kind in f.checks:
                said.append(f"{kind}: " + cell(f, result, kind).replace("**", ""))
            print(f"{head}: " + "; ".join(said) + f" ({result['seconds']:.0f} s)",
                  file=sys.stderr)
        mirror(tree, source)  # whatever happened, the copy ends as the tree is

    qt = subprocess.run(["qtpaths6", "--qt-version"], stdout=subprocess.PIPE,
                        stderr=subprocess.DEVNULL, text=True) if shutil.which("qtpaths6") else None
    meta = {
        "tree_commit": (commit.stdout.strip() or str(tree)),
        "date": time.strftime("%Y-%m-%d %H:%M"),
        "qt": (qt.stdout.strip() if qt and qt.returncode == 0 else "?"),
        "repeat": args.repeat, "jobs": args.jobs, "suites": suites,
        "web": needs_web,
        "web_steps": list(clean["web"][0].status) if clean["web"] else [],
        "web_qt": web_qt if needs_web else "",
        "browsers": (f"{version_of(['chromium', '--version'])}, "
                     f"{version_of(['firefox', '--version'])} and "
                     f"{version_of(['dpkg-query', '-W', '-f=WebKitGTK ${Version}', 'libwebkit2gtk-4.1-0'])}"
                     ) if needs_web else "",
        "web_first_build": web_first_build,
        "web_known": {k: (sorted(v) if v is not None else None) for k, v in known_web.items()},
        "redraw_pictures": args.redraw_pictures,
        "entry_times": sorted(((k, statistics.median(v)) for k, v in entry_times.items()),
                              key=lambda kv: -kv[1]),
        "total_minutes": (time.monotonic() - started) / 60,
    }
    report = markdown(results, faults, clean, meta)
    print(report)
    if args.out:
        args.out.write_text(report, encoding="utf-8")
    if args.json:
        args.json.write_text(json.dumps({
            "meta": meta,
            "clean_runs": {k: [{"seconds": r.seconds, "status": r.status} for r in v]
                           for k, v in clean.items()},
            "faults": {f.id: {"path": f.path, "line": f.where_line, "problem": f.problem,
                              "checks": list(f.checks), "description": f.description,
                              "verdict": verdict(f, results.get(f.id)),
                              **results.get(f.id, {})}
                       for f in faults},
        }, indent=1, ensure_ascii=False), encoding="utf-8")
    if args.fail_on_survivors:
        bad = [f for f in faults if verdict(f, results.get(f.id)) not in ("caught",)]
        return 1 if bad else 0
    return 0


def summarise(runs):
    caught = sorted({s for r in runs for s in r.failed})
    functions = {}
    for r in runs:
        for s, v in r.functions.items():
            functions.setdefault(s, set()).update(v)
    return {"outcome": "ran", "caught": caught,
            "caught_labels": [describe_catch(s, runs) for s in caught],
            "functions": {s: sorted(v) for s, v in functions.items()},
            "run_seconds": [round(r.seconds, 2) for r in runs]}


if __name__ == "__main__":
    sys.exit(main())
