#!/usr/bin/env python3
"""The window as window.json describes it, for the checks written in shell and Python.

    window.py centre MEANING   where a control's centre lies in the client area: "X Y"
    window.py size             the client area: "WIDTHxHEIGHT"
"""
import json
import pathlib
import sys

described = json.loads((pathlib.Path(__file__).parent / "window.json").read_text(encoding="utf-8"))


def centre(meaning):
    x, y, width, height = described["controls"][meaning]["rect"]
    return x + width // 2, y + height // 2


def name(meaning):
    """What a screen reader calls the control."""
    control = described["controls"][meaning]
    return control.get("accessibleName", control.get("text", ""))


if __name__ == "__main__":
    match sys.argv[1:]:
        case ["centre", meaning]:
            print(*centre(meaning))
        case ["size"]:
            print("%dx%d" % tuple(described["size"]))
        case _:
            sys.exit(__doc__)
