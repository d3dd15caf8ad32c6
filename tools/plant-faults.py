#!/usr/bin/env python3
"""Plants one fault at a time in a copy of the program and records which ctest entries catch it.

Each fault in the list (tools/faults.txt) is an exact "find" snippet and its "replace" snippet. The
snippet is looked for in every C++ source file of the tree outside tests/, bench/, fuzz/ and
tools/, so the list still applies after code moves between files and folders. A snippet must occur
exactly once in all of them together; otherwise the fault is reported as unplaceable and not run.

The tree itself is never edited. It is mirrored into a scratch folder (default
/tmp/tavrilo-faults/src) that keeps one build folder across faults, so every fault costs an
incremental build. After each fault the scratch file is written back to its original text, also on
Ctrl-C or an error; the next run re-mirrors the tree anyway.

    tools/plant-faults.py --list                 where each fault lands, without building
    tools/plant-faults.py                        every fault; Markdown table on stdout
    tools/plant-faults.py --only ID,ID --repeat 3 --out result.md --json result.json
    tools/plant-faults.py --only pic.teal --redraw-pictures   also redraw the committed pictures

Python 3 standard library only.
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
# Never mirrored into the scratch copy.
NOT_MIRRORED = {".git", ".cache"}


# --------------------------------------------------------------------------------------------
# The fault list


@dataclass
class Fault:
    id: str
    description: str = ""
    find: str = ""
    replace: str = ""
    note: str = ""
    line: int = 0  # where it starts in the list file
    # Placement in the tree
    path: str = ""  # relative to the tree
    at: int = -1  # character offset of the match
    where_line: int = 0
    problem: str = ""  # why it cannot be placed


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


def program_sources(tree: Path):
    """Every C++ source of the program: all folders but the tests', the tools' and build folders."""
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
        )
        for name in sorted(files):
            if Path(name).suffix in SOURCE_SUFFIXES:
                found.append((here / name).relative_to(tree).as_posix())
    return found


def place(faults, tree: Path):
    texts = {p: (tree / p).read_text(encoding="utf-8") for p in program_sources(tree)}
    for f in faults:
        hits = [(p, t.count(f.find)) for p, t in texts.items() if f.find in t]
        total = sum(n for _, n in hits)
        if total == 1:
            f.path = hits[0][0]
            f.at = texts[f.path].index(f.find)
            f.where_line = texts[f.path].count("\n", 0, f.at) + 1
        elif total == 0:
            f.problem = "find snippet matches nowhere"
        else:
            f.problem = f"find snippet matches {total} times (" + ", ".join(
                f"{p} x{n}" for p, n in hits) + ")"
    return texts


def mirror(tree: Path, copy: Path):
    """Makes copy hold the tree's files. Only files whose bytes differ are written, with a fresh
    modification time, so the build folder rebuilds exactly what changed."""
    wanted = set()
    for folder, dirs, files in os.walk(tree):
        here = Path(folder)
        dirs[:] = [d for d in dirs if d not in NOT_MIRRORED and not
                   (here == tree and d.startswith("build"))]
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
    for folder, dirs, files in os.walk(copy, topdown=False):
        for name in files:
            p = Path(folder) / name
            if p.relative_to(copy) not in wanted:
                p.unlink()
        if Path(folder) != copy and not any(Path(folder).iterdir()):
            Path(folder).rmdir()


# --------------------------------------------------------------------------------------------
# Building and testing


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(f"signal {signum}")


def run(command, log=None, env=None, cwd=None):
    started = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace", env=env, cwd=cwd)
    if log is not None:
        log.write(f"$ {' '.join(map(str, command))}\n{result.stdout}\n")
        log.flush()
    return result.returncode, result.stdout, time.monotonic() - started


def configure(source: Path, build: Path, log):
    if (build / "CMakeCache.txt").is_file():
        return
    generator = ["-G", "Ninja"] if shutil.which("ninja") else []
    code, output, _ = run(["cmake", "-S", source, "-B", build, *generator,
                           "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DTAVRILO_BENCH=OFF"], log)
    if code != 0:
        sys.exit("configuring the scratch build failed:\n" + output[-3000:])


def build(build_dir: Path, jobs, log, redraw_pictures=False):
    seconds = 0.0
    if redraw_pictures:
        # Writes the pictures into the scratch copy's source tree, to be embedded by the build.
        code, output, seconds = run(["cmake", "--build", build_dir, "-j", str(jobs), "--target",
                                     "pictures"], log)
        if code != 0:
            errors = [l.strip() for l in output.splitlines() if re.search(r"\berror\b", l)]
            return False, (errors or ["redrawing the pictures failed"])[:3], seconds
    code, output, more = run(["cmake", "--build", build_dir, "-j", str(jobs)], log)
    if code < 0 or "interrupted by user" in output:
        raise Interrupted("the build was interrupted")  # not the fault's doing
    errors = [l.strip() for l in output.splitlines() if re.search(r"\berror\b", l)]
    return code == 0, (errors or output.strip().splitlines()[-2:])[:3], seconds + more


TEST_LINE = re.compile(
    r"^\s*\d+/\d+ Test\s+#\d+: (?P<name>\S+) \.*\s*(?P<status>.*?)\s+(?P<secs>[\d.]+) sec\s*$")
QTEST_FAIL = re.compile(r"^FAIL!\s*:\s*(?P<function>[\w:]+)(?:\((?P<tag>.*?)\))?\s")


@dataclass
class SuiteRun:
    seconds: float
    status: dict = field(default_factory=dict)  # ctest entry -> "Passed", "Failed", ...
    functions: dict = field(default_factory=dict)  # failing entry -> failing test functions

    @property
    def failed(self):
        return sorted(n for n, s in self.status.items() if s != "Passed")


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
    if code < 0:
        raise Interrupted("the suite was interrupted")
    if code != 0 and not result.failed:
        result.status["(ctest)"] = f"exit {code}"
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


def markdown(results, faults, clean_runs, meta):
    order = [s for s in meta["suites"]]
    lines = [f"# Planted faults: {meta['tree_commit']}", ""]
    lines.append(f"Made by `tools/plant-faults.py` on {meta['date']}; Qt {meta['qt']}; every fault's "
                 f"suite run {meta['repeat']} time(s) with `ctest -j{meta['jobs']}` "
                 "(`QT_QPA_PLATFORM=offscreen`). A suite counts as catching a fault when it "
                 "failed; \"(k/n runs)\" marks one that failed in only some runs.")
    if meta.get("redraw_pictures"):
        lines[-1] += (" With every fault planted, the committed pictures were redrawn from the "
                      "changed code (`--redraw-pictures`), as the pictures' workflow does.")
    lines += ["", "| fault | where | what | caught by |", "|---|---|---|---|"]
    for f in faults:
        r = results.get(f.id)
        where = f"`{f.path}:{f.where_line}`" if f.path else "—"
        if f.problem:
            caught = f"**unplaceable**: {f.problem}"
        elif r is None:
            caught = "not run"
        elif r["outcome"] == "build broke":
            caught = "**build broke**: " + "; ".join(r["errors"])[:200]
        elif not r["caught"]:
            caught = "**none**"
        else:
            caught = ", ".join(r["caught_labels"])
        what = f.description + (f" *({f.note})*" if f.note else "")
        lines.append(f"| `{f.id}` | {where} | {what} | {caught} |")

    ran = [f for f in faults if f.id in results and results[f.id]["outcome"] == "ran"]
    unplaceable = [f for f in faults if f.problem]
    broke = [f for f in faults if f.id in results and results[f.id]["outcome"] == "build broke"]
    none = [f for f in ran if not results[f.id]["caught"]]
    one = [f for f in ran if len(results[f.id]["caught"]) == 1]
    lines += ["", "## Summary", "",
              f"- faults in the list: {len(faults)}; placed and run: {len(ran)}; "
              f"unplaceable: {len(unplaceable)}; build broke: {len(broke)}",
              f"- caught by at least one suite: {len(ran) - len(none)} of {len(ran)}",
              f"- caught by no suite ({len(none)}): "
              + (", ".join(f"`{f.id}`" for f in none) or "none"),
              f"- caught by exactly one suite ({len(one)}): "
              + (", ".join(f"`{f.id}` ({results[f.id]['caught'][0]})" for f in one) or "none")]
    flaky = [f for f in ran if any("runs)" in l for l in results[f.id]["caught_labels"])]
    if flaky:
        lines.append("- caught in only some runs: " + ", ".join(
            f"`{f.id}` ({'; '.join(l for l in results[f.id]['caught_labels'] if 'runs)' in l)})"
            for f in flaky))

    lines += ["", "### Per suite", "",
              "| ctest entry | faults it catches | faults only it catches |", "|---|---|---|"]
    for s in order:
        catches = [f.id for f in ran if s in results[f.id]["caught"]]
        only = [f.id for f in one if results[f.id]["caught"] == [s]]
        lines.append(f"| {s} | {len(catches)} | " + (", ".join(f"`{i}`" for i in only) or "—")
                     + " |")

    lines += ["", "### Failing test functions per fault", "",
              "| fault | failing test functions (by ctest entry) |", "|---|---|"]
    for f in ran:
        funcs = results[f.id]["functions"]
        if funcs:
            text = "; ".join(f"{s}: " + ", ".join(sorted(v)) for s, v in sorted(funcs.items()))
            lines.append(f"| `{f.id}` | {text} |")

    times = [r.seconds for r in clean_runs]
    lines += ["", "## The unchanged suite", "",
              f"- `ctest -j{meta['jobs']}` wall time over {len(times)} clean run(s): "
              + ", ".join(f"{t:.2f} s" for t in times)
              + f"; median {statistics.median(times):.2f} s",
              "- slowest entries (median of the clean runs): "
              + ", ".join(f"{n} {t:.2f} s" for n, t in meta["entry_times"][:4]),
              f"- the whole fault run took {meta['total_minutes']:.1f} min", ""]
    return "\n".join(lines)


# --------------------------------------------------------------------------------------------


def main():
    here = Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--faults", type=Path, default=here / "faults.txt")
    parser.add_argument("--tree", type=Path, default=here.parent, help="the project's folder")
    parser.add_argument("--work", type=Path, default=Path("/tmp/tavrilo-faults"),
                        help="scratch folder: src/ (the copy) and build/")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--list", action="store_true", help="show where each fault lands; no build")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--repeat", type=int, default=1, help="suite runs per fault")
    parser.add_argument("--clean-runs", type=int, default=3,
                        help="runs of the unchanged suite first (all must pass; timed)")
    parser.add_argument("--out", type=Path, help="write the Markdown report here as well")
    parser.add_argument("--json", type=Path, help="write the raw results here")
    parser.add_argument("--redraw-pictures", action="store_true",
                        help="after planting a fault, redraw the committed pictures with the "
                             "build's `pictures` target, as a developer changing the drawing "
                             "code would; slower: every fault then relinks everything")
    parser.add_argument("--fail-on-survivors", action="store_true",
                        help="exit 1 if a fault is caught by no suite, unplaceable or breaks the "
                             "build")
    args = parser.parse_args()

    tree = args.tree.resolve()
    faults = parse_faults(args.faults)
    if args.only:
        wanted = [i.strip() for i in args.only.split(",") if i.strip()]
        unknown = [i for i in wanted if i not in {f.id for f in faults}]
        if unknown:
            sys.exit("unknown fault ids: " + ", ".join(unknown))
        faults = [f for f in faults if f.id in wanted]
    texts = place(faults, tree)

    if args.list:
        for f in faults:
            where = f"{f.path}:{f.where_line}" if f.path else "UNPLACEABLE: " + f.problem
            print(f"{f.id:32} {where}\n{'':32} {f.description}")
        print(f"\n{len(faults)} faults, {sum(1 for f in faults if f.problem)} unplaceable; "
              f"searched {len(texts)} files")
        return 0

    # Also when started with these ignored (as a background job of a script is).
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    source, build_dir = args.work / "src", args.work / "build"
    args.work.mkdir(parents=True, exist_ok=True)
    log_path = args.work / "plant-faults.log"
    started = time.monotonic()
    # The commit as the tree is mirrored: the tree may move on while the faults run.
    commit = subprocess.run(["git", "-C", tree, "log", "-1", "--format=%h %s"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    results, clean_runs = {}, []
    with open(log_path, "w", encoding="utf-8") as log:
        print(f"mirroring {tree} into {source} (log: {log_path})", file=sys.stderr)
        mirror(tree, source)
        configure(source, build_dir, log)
        ok, errors, seconds = build(build_dir, args.jobs, log)
        if not ok:
            sys.exit("the unchanged tree does not build:\n" + "\n".join(errors))
        for i in range(args.clean_runs):
            r = run_suite(build_dir, args.jobs, log)
            clean_runs.append(r)
            print(f"clean run {i + 1}: {r.seconds:.2f} s, failing: {r.failed or 'none'}",
                  file=sys.stderr)
            if r.failed:
                sys.exit("the unchanged suite fails; results would mean nothing")
        # Per-entry times, for the report.
        entry_times = {}
        for line in log_path.read_text(encoding="utf-8").splitlines():
            m = TEST_LINE.match(line)
            if m:
                entry_times.setdefault(m["name"], []).append(float(m["secs"]))
        suites = sorted(clean_runs[0].status)

        for n, f in enumerate(faults, 1):
            if f.problem:
                print(f"[{n}/{len(faults)}] {f.id}: unplaceable ({f.problem})", file=sys.stderr)
                continue
            target = source / f.path
            original = texts[f.path]
            if target.read_text(encoding="utf-8") != original:
                sys.exit(f"{target} differs from the tree: the scratch copy is not clean")
            mutated = original[:f.at] + f.replace + original[f.at + len(f.find):]
            log.write(f"\n===== fault {f.id} in {f.path}:{f.where_line}\n")
            try:
                target.write_text(mutated, encoding="utf-8")
                ok, errors, build_seconds = build(build_dir, args.jobs, log, args.redraw_pictures)
                if not ok:
                    results[f.id] = {"outcome": "build broke", "errors": errors,
                                     "caught": [], "caught_labels": [], "functions": {}}
                    print(f"[{n}/{len(faults)}] {f.id}: BUILD BROKE {errors[:1]}",
                          file=sys.stderr)
                    continue
                runs = [run_suite(build_dir, args.jobs, log) for _ in range(args.repeat)]
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
            caught = sorted({s for r in runs for s in r.failed})
            functions = {}
            for r in runs:
                for s, v in r.functions.items():
                    functions.setdefault(s, set()).update(v)
            results[f.id] = {
                "outcome": "ran", "caught": caught,
                "caught_labels": [describe_catch(s, runs) for s in caught],
                "functions": {s: sorted(v) for s, v in functions.items()},
                "build_seconds": round(build_seconds, 1),
                "suite_seconds": [round(r.seconds, 2) for r in runs]}
            print(f"[{n}/{len(faults)}] {f.id}: "
                  + (", ".join(results[f.id]["caught_labels"]) or "caught by NO suite"),
                  file=sys.stderr)
        mirror(tree, source)  # whatever happened, the copy ends as the tree is

    qt = subprocess.run(["qtpaths6", "--qt-version"], stdout=subprocess.PIPE,
                        stderr=subprocess.DEVNULL, text=True) if shutil.which("qtpaths6") else None
    meta = {
        "tree_commit": (commit.stdout.strip() or str(tree)),
        "date": time.strftime("%Y-%m-%d %H:%M"),
        "qt": (qt.stdout.strip() if qt and qt.returncode == 0 else "?"),
        "repeat": args.repeat, "jobs": args.jobs, "suites": suites,
        "redraw_pictures": args.redraw_pictures,
        "entry_times": sorted(((k, statistics.median(v)) for k, v in entry_times.items()),
                              key=lambda kv: -kv[1]),
        "total_minutes": (time.monotonic() - started) / 60,
    }
    report = markdown(results, faults, clean_runs, meta)
    print(report)
    if args.out:
        args.out.write_text(report, encoding="utf-8")
    if args.json:
        args.json.write_text(json.dumps({
            "meta": meta,
            "clean_runs": [{"seconds": r.seconds, "status": r.status} for r in clean_runs],
            "faults": {f.id: {"path": f.path, "line": f.where_line, "problem": f.problem,
                              "description": f.description, **results.get(f.id, {})}
                       for f in faults},
        }, indent=1, ensure_ascii=False), encoding="utf-8")
    if args.fail_on_survivors:
        bad = [f for f in faults if f.problem or f.id not in results
               or not results[f.id]["caught"]]
        return 1 if bad else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
