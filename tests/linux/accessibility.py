#!/usr/bin/python3
"""Reads the real hushdial through the accessibility bus (AT-SPI), as a screen reader such as Orca
does: the window is a frame named by its caption, each letter list is labelled by its label, "?" says
what it explains, the focus holder is out of sight and out of the Tab cycle, Tab reaches every
control in the window's order, and a change of the status line is announced.
Usage: accessibility.py PATH-TO-HUSHDIAL   (on the session bus with the accessibility bus running)"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

from atspi_tree import controls, find_frame, labels_of, walk, xdotool

TITLE = "Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords"
NOTE = ("If the shortcut is not working, please use these buttons to make sure you are not pressing the wrong "
        "shortcut key on the keyboard")
# The controls Tab visits from the focus holder, in the window's order (the start-up option off, so
# "Start in system tray" is hidden).
TAB_ORDER = ["Help", "Increase:", "Decrease:", "Load this software on startup", "Increase Volume",
             "Decrease Volume ", "?"]

failures = []


def check(what, ok):
    if not ok:
        failures.append(what)
        print("FAILED: " + what, file=sys.stderr)


def spoken_name(node):
    """What a screen reader starts with: a list's label (Qt names a list by its value on Linux and
    labels it by relation), else the node's own name."""
    if node.getRole() == pyatspi.ROLE_COMBO_BOX:
        labels = [label for label in labels_of(node) if label.endswith(":")]
        if labels:
            return labels[0]
    return node.name


def focused(frame):
    """The control with the keyboard focus. A list's own items are not looked into, while Tab itself
    moves on as it should."""
    for node in controls(frame):
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node
    return None


def main(program):
    scratch = tempfile.mkdtemp()  # settings of its own, first-run ones
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=scratch + "/config",
               XDG_CONFIG_DIRS=scratch + "/system")
    process = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        frame = None
        for _ in range(100):
            frame = find_frame(process.pid, TITLE)
            if frame is not None:
                break
            time.sleep(0.1)
        if frame is None:
            check("the window appears on the accessibility bus", False)
            return
        time.sleep(0.5)  # armed, status text written
        check("the window is a frame (got %s)" % frame.getRoleName(), frame.getRole() == pyatspi.ROLE_FRAME)
        check("the window is named by its caption", frame.name == TITLE)

        nodes = list(walk(frame))
        lists = [n for n in nodes if n.getRole() == pyatspi.ROLE_COMBO_BOX]
        check("two letter lists (got %d)" % len(lists), len(lists) == 2)
        for node, label, value in zip(lists, ["Increase:", "Decrease:"], ["Ctrl+Shift+Q", "Ctrl+Shift+A"]):
            labelled_by = labels_of(node)
            check("the %r list is labelled by its label (got %r)" % (label, labelled_by), label in labelled_by)
            check("the %r list says its letter (got %r)" % (label, node.name), node.name == value)

        buttons = {n.name: n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON}
        check('"?" is there', "?" in buttons)
        if "?" in buttons:
            check('"?" says what it explains (got %r)' % buttons["?"].description, buttons["?"].description == NOTE)

        # The focus holder is an edit field: nothing editable, and nothing focusable without a name,
        # is to be shown (a list's own drop-down belongs to its combo box).
        for node in nodes:
            state = node.getState()
            editable = node.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT)
            in_list = node.parent is not None and node.parent.getRole() == pyatspi.ROLE_COMBO_BOX
            if editable or (state.contains(pyatspi.STATE_FOCUSABLE) and not node.name and not in_list):
                check("no unnamed or editable field is shown (%s %r)" % (node.getRoleName(), node.name), False)

        # Tab from the focus holder through every control and back round to the first.
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE],
                                capture_output=True, text=True).stdout.split()
        if window:
            xdotool("windowactivate", "--sync", window[0])
        visited = []
        for _ in range(len(TAB_ORDER) + 1):
            xdotool("key", "Tab")
            time.sleep(0.15)
            node = focused(frame)
            visited.append(spoken_name(node) if node is not None else None)
        check("Tab visits %r then comes round (got %r)" % (TAB_ORDER, visited), visited == TAB_ORDER + TAB_ORDER[:1])

        # A new letter in the increase list rewrites the status line, and the change is announced.
        status = [n for n in nodes if n.getRole() == pyatspi.ROLE_STATUS_BAR]
        check("the status line is a status bar", len(status) == 1)
        announced = []

        def on_name(event):
            if event.source.getRole() == pyatspi.ROLE_STATUS_BAR:
                announced.append(str(event.any_data))

        def pick_w():
            xdotool("key", "Tab")  # from "Help", where Tab came round, to the increase list
            for _ in range(6):
                xdotool("key", "Down")  # Q + 6 = W
            return False

        pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
        GLib.timeout_add(300, pick_w)
        GLib.timeout_add(4000, lambda: pyatspi.Registry.stop() or False)
        pyatspi.Registry.start()
        check("a new status text is announced (got %r)" % announced,
              any("Ctrl+Shift+W to increase volume" in text for text in announced))
    finally:
        process.terminate()
        process.wait(timeout=10)
        subprocess.run(["rm", "-rf", scratch], check=False)


if __name__ == "__main__":
    if not os.environ.get("HUSHDIAL_TEST_X11"):
        print("skipped: needs the X server that tools/test starts")
        sys.exit(77)  # ctest: skipped
    main(sys.argv[1])
    if failures:
        print("%d check(s) failed" % len(failures), file=sys.stderr)
        sys.exit(1)
    print("accessibility: all checks passed")
