#!/usr/bin/python3
"""Cuts Qt's translation (a .qm file) to the texts that Tavrilo can show, and writes it as a .qm:
the rest is never looked up, yet every learner would download it in a browser.
  qt-texts.py LCONVERT IN.qm OUT.qm
LCONVERT is Qt's lconvert (qt6-l10n-tools), which reads and writes both forms."""
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

# The contexts of what Qt shows or says in the program's window, by where it comes from; None
# keeps a context whole.
CONTEXTS = {
    "QLineEdit": None,            # the answer boxes' context menu
    "QUnicodeControlCharacterMenu": None,  # its submenu, where a Qt shows it
    # The names of the keys of the menu's shortcuts ("Ctrl+Z", "Delete"), not of every key.
    "QShortcut": {"Ctrl", "Shift", "Alt", "Meta", "+", "Del", "Delete", "Ins", "Insert",
                  "Backspace"},
    "QPlatformTheme": None,       # the message box's button, "OK"
    "QMessageBox": None,          # the message box
    "QAccessibleActionInterface": None,  # what a screen reader calls a button's actions
    "QGuiApplication": None,      # QT_LAYOUT_DIRECTION: left to right
}


def main(lconvert, source, target):
    with tempfile.TemporaryDirectory() as work:
        whole, cut = Path(work) / "whole.ts", Path(work) / "cut.ts"
        subprocess.run([lconvert, "-i", source, "-o", whole], check=True)
        tree = ElementTree.parse(whole)
        root = tree.getroot()
        for context in root.findall("context"):
            name = context.findtext("name")
            if name not in CONTEXTS:
                root.remove(context)
            elif CONTEXTS[name] is not None:
                for message in context.findall("message"):
                    if message.findtext("source") not in CONTEXTS[name]:
                        context.remove(message)
        if not root.findall("context"):
            sys.exit(f"{source} holds none of the texts the program shows")
        tree.write(cut, encoding="utf-8", xml_declaration=True)
        subprocess.run([lconvert, "-i", cut, "-o", target], check=True)


if __name__ == "__main__":
    main(*sys.argv[1:4])
