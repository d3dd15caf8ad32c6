#!/usr/bin/python3
"""What the program's WebAssembly is made of: its code and its data as the browser downloads them
(raw, gzip and Brotli, from the linked file: the two parts the build cuts it into together), and
who brought them, from the linker's map: Qt's modules, the libraries Qt bundles, emscripten's
runtime, the program's own parts, and the largest pieces of data. The map's sizes are the
linker's, before binaryen's last optimization shrinks the code by about a tenth; they tell the
shares.
  size-breakdown.py PROGRAM.wasm PROGRAM.map [ROWS]"""
import collections
import gzip
import re
import subprocess
import sys


def leb128(data, at):
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, at


def sections(path):
    """The code and data sections' bytes of a WebAssembly file."""
    data = open(path, "rb").read()
    found, at = {}, 8
    while at < len(data):
        kind = data[at]
        size, start = leb128(data, at + 1)
        found.setdefault({10: "code", 11: "data"}.get(kind, "other"), bytearray()).extend(
            data[start:start + size])
        at = start + size
    return found


def brotli(data):
    """The Brotli size, or "-" where no brotli tool is at hand (the build root has one)."""
    try:
        return len(subprocess.run(["brotli", "-c", "-q", "11"], input=bytes(data),
                                  capture_output=True, check=True).stdout)
    except (OSError, subprocess.CalledProcessError):
        return "-"


# Who brought an input section: an archive's name, the program's folder, or the linker itself.
def owner(path):
    if match := re.search(r"lib(Qt6[A-Za-z]+|qwasm)\.a\(", path):
        return {"qwasm": "Qt's WebAssembly platform"}.get(match[1], match[1])
    if match := re.search(r"lib([A-Za-z0-9_+-]+)\.a\(", path):
        name = match[1]
        return f"the program: {name.removeprefix('tavrilo_')}" if name.startswith("tavrilo_") \
            else f"emscripten: {name.removesuffix('-noexcept')}"
    if "plugins/" in path:
        return "Qt's plugins"
    if path.startswith("<internal>"):
        return "the linker"
    return "the program: " + path.split("/")[0]


def main(wasm, link_map, rows=12):
    rows = int(rows)
    parts = sections(wasm)
    print("== the program's code and data, its two parts together (bytes)")
    print(f"{'':8} {'raw':>10} {'gzip':>10} {'brotli':>10}")
    for name in ("code", "data"):
        body = parts.get(name, b"")
        print(f"{name:8} {len(body):10} {len(gzip.compress(bytes(body), 9)):10} {brotli(body):>10}")

    line = re.compile(r"^\s*(\S+)\s+[0-9a-f]+\s+([0-9a-f]+) (.*)$")
    sizes = {"code": collections.Counter(), "data": collections.Counter()}
    pieces = collections.Counter()
    section = None
    for text in open(link_map, encoding="utf-8", errors="replace"):
        match = line.match(text)
        if not match:
            continue
        size, rest = int(match[2], 16), match[3]
        if not rest.startswith(" "):
            section = "code" if rest == "CODE" else "data" if rest == "DATA" or \
                rest.startswith(".") and section == "data" else None
            continue
        rest = rest.strip()
        if section and ":(" in rest:
            path, symbol = rest.split(":(", 1)
            sizes[section][owner(path)] += size
            if section == "data":
                pieces[(owner(path), symbol.rstrip(")"))] += size
    for name in ("code", "data"):
        total = sum(sizes[name].values())
        print(f"\n== {name}, by who brought it (linker's bytes, {total} in all)")
        for who, size in sizes[name].most_common(rows):
            print(f"{size:10} {100 * size / total:5.1f} %  {who}")
    print("\n== the largest pieces of data (bytes)")
    for (who, symbol), size in pieces.most_common(rows):
        symbol = re.sub(r"^\.(rodata|data|bss)\.", "", symbol)
        print(f"{size:10}  {who}: {symbol}")


if __name__ == "__main__":
    main(*sys.argv[1:])
