#!/usr/bin/python3
# Reads the KORVEXConfig window as a screen reader does, over the
# accessibility bus: prints the CONFIG FILE label's text and row 1 as
# "key|output string", once the label names a file. Exits 1 when no such
# window appears within the time given (seconds).
#   read-window.py SECONDS
import sys
import time

import pyatspi


def nodes(accessible):
    yield accessible
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from nodes(child)


def text(accessible):
    return accessible.queryText().getText(0, -1)


def read_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None or app.name != "KORVEXConfig":
            continue
        seen = list(nodes(app))
        names = [n.name for n in seen]
        if "CONFIG FILE:" not in names:
            continue
        # The value label follows its caption.
        label = seen[names.index("CONFIG FILE:") + 1].name
        if label == "None":
            continue
        by_name = {n.name: n for n in seen}
        return label, text(by_name["Keyboard Key 1"]) + "|" + text(by_name["Output String 1"])
    return None


deadline = time.monotonic() + float(sys.argv[1])
while time.monotonic() < deadline:
    try:
        found = read_window()
    except Exception:  # the window is still being built
        found = None
    if found:
        print("CONFIG FILE: " + found[0])
        print("row 1: " + found[1])
        sys.exit(0)
    time.sleep(0.1)
sys.exit(1)
