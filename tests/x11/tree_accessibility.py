#!/usr/bin/python3
"""Reads the editor's tree through AT-SPI the way a screen reader does.

Run inside its own session bus (dbus-run-session) on an X display:
    tree_accessibility.py EDITOR FILE
Starts the editor on FILE, checks what the rows say about themselves and that expanding,
collapsing and moving the selection are announced, and exits 0 when all holds; each failed
check is printed on a line of its own.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what, flush=True)


def find(accessible, predicate, depth=0):
    if accessible is None or depth > 40:
        return None
    if predicate(accessible):
        return accessible
    for i in range(accessible.childCount):
        found = find(accessible.getChildAtIndex(i), predicate, depth + 1)
        if found is not None:
            return found
    return None


def wait_for(getter, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        value = getter()
        if value:
            return value
        time.sleep(0.2)
    return None


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def rows(tree):
    """Name cells by their text, with description, states and the value cell's text. The
    tree's children are its two column headers, then the cells row by row."""
    found = {}
    for i in range(2, tree.childCount - 1, 2):
        cell, value = tree.getChildAtIndex(i), tree.getChildAtIndex(i + 1)
        if cell is None:
            continue
        found.setdefault(cell.name, []).append(
            (cell.description, cell.getState(), value.name if value is not None else None))
    return found


def main():
    editor, path = sys.argv[1], sys.argv[2]
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    # The accessibility bus and registry start on this first call; the editor finds them at
    # its start, as on a desktop where a screen reader is already running.
    pyatspi.Registry.getDesktop(0)
    process = subprocess.Popen([editor, path], env=environment)
    try:
        app = wait_for(lambda: application(process.pid))
        check(app is not None, "the editor appears on the accessibility bus")
        if app is None:
            return 1
        tree = wait_for(lambda: find(app, lambda a: a.getRole() == pyatspi.ROLE_TREE and find(
            a, lambda c: c.getRole() == pyatspi.ROLE_TABLE_CELL and c.name == "root")))
        check(tree is not None, "the document is a tree")
        if tree is None:
            return 1

        shown = rows(tree)
        root = shown.get("root", [None])[0]
        check(root is not None, "the document element's row is there: %s" % sorted(shown))
        if root is None:
            return 1
        description, states, _ = root
        check(description == "element, level 1, collapsed",
              "element row describes itself: %r" % description)
        check(states.contains(pyatspi.STATE_EXPANDABLE), "an element with children is expandable")
        check(not states.contains(pyatspi.STATE_EXPANDED), "it starts collapsed")

        events = []

        def heard(event):
            source = event.source
            events.append((str(event.type), source.name if source else "",
                           source.description if source else "", event.detail1))

        pyatspi.Registry.registerEventListener(heard, "object:")

        def press(keys):
            subprocess.run(["xdotool", "key", "--clearmodifiers"] + keys, check=False)

        def pump(seconds):
            loop = GLib.MainLoop()
            GLib.timeout_add(int(seconds * 1000), loop.quit)
            loop.run()

        def heard_within(predicate, seconds=10):
            # A busy machine may take a while to pass an event through the registry.
            end = time.time() + seconds
            while time.time() < end:
                if any(predicate(*event) for event in events):
                    return True
                pump(0.2)
            return False

        # Select the document element and expand everything under it.
        window = subprocess.run(["xdotool", "search", "--pid", str(process.pid), "--onlyvisible"],
                                capture_output=True, text=True).stdout.split()
        if window:
            subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=False)
        pump(1.0)
        press(["End", "Home"])
        pump(0.5)
        events.clear()
        press(["asterisk"])
        check(heard_within(lambda kind, name, description, _:
                           kind.startswith("object:property-change:accessible-description") and
                           name == "root" and description == "element, level 1, expanded"),
              "expanding is announced: %r" % events)
        events.clear()
        press(["Down"])
        check(heard_within(lambda kind, name, _, detail:
                           kind == "object:state-changed:selected" and name == "item" and
                           detail == 1), "moving the selection is announced: %r" % events)

        shown = rows(tree)
        for name, kind in (("root", "element, level 1, expanded"),
                                  ("a", "attribute, level 3"),
                                  ("item", "element, level 2, expanded"),
                                  ("#Text", "text, level 3"), ("#Comment", "comment, level 3")):
            entries = shown.get(name)
            check(bool(entries), "row %s is shown: %s" % (name, sorted(shown)))
            if not entries:
                continue
            description, states, _ = entries[0]
            check(description == kind, "%s says its kind and level: %r" % (name, description))
            expandable = kind.startswith("element")
            check(states.contains(pyatspi.STATE_EXPANDED) == expandable,
                  "%s is %s" % (name, "expanded" if expandable else "neither expanded"))
            if not expandable:
                check(not states.contains(pyatspi.STATE_EXPANDABLE) and
                      not states.contains(pyatspi.STATE_COLLAPSED),
                      "leaf %s reports no expansion state" % name)
        check(shown.get("a", [(None, None, None)])[0][2] == "1", "the value cell says the value")

        events.clear()
        press(["Left"])
        check(heard_within(lambda kind, name, description, _:
                           kind.startswith("object:property-change:accessible-description") and
                           name == "item" and description == "element, level 2, collapsed"),
              "collapsing is announced: %r" % events)
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
