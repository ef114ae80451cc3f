#!/usr/bin/python3
"""What the real Orca says as a user goes through the increase list of the real hushdial: the list's
label and letter as it gets the focus, the new letter when Down changes it, the new status text once
after it, each letter moved to in the open list, and nothing said twice in a row for one change.
Usage: orca_speech.py PATH-TO-HUSHDIAL   (run by orca-speech: an X server, the session bus and the
accessibility bus are already there)
Exit 0: all heard; 1: not (which, and what Orca said); 77: skipped."""
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import Gio, GLib

from atspi_tree import controls, find_frame, labels_of, walk, xdotool

SETTLE = 2.5  # seconds for Orca to take in one key and say what it says
KEY_NAMES = {"tab", "down", "up", "escape", "left alt", "right alt", "alt", "alt_l", "return"}


def skip(why):
    print("skipped: " + why)
    sys.exit(77)


def accessibility_bus():
    try:
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                  GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE, 2000, None)
        return reply.unpack()[0]
    except GLib.Error:
        return None


def registered_events(address):
    """The events some client of the accessibility bus listens to, as its registry knows them."""
    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    try:
        bus = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
        try:
            reply = bus.call_sync("org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "org.a11y.atspi.Registry",
                                  "GetRegisteredEvents", None, None, Gio.DBusCallFlags.NONE, 2000, None)
            # As the registry spells them ("Object:SelectionChanged:"), reduced to letters.
            return {re.sub(r"[^a-z]", "", event.lower()) for _, event in reply.unpack()[0]}
        finally:
            bus.close_sync(None)
    except GLib.Error:
        return set()


def focused_list(frame):
    """The letter list with the keyboard focus, if one has it (its own items are not looked into)."""
    for node in controls(frame):
        if node.getRole() == pyatspi.ROLE_COMBO_BOX and node.getState().contains(pyatspi.STATE_FOCUSED):
            return node
    return None


def list_items(combo):
    """The letters a list offers, from its own drop-down, in order."""
    items = []
    for node in walk(combo):
        if node is not combo and node.getRole() in (pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_MENU_ITEM) and node.name:
            items.append(node.name)
    return items


def plain(text):
    """Text as spoken: whitespace runs made one space; the full stop Orca adds at a pause dropped."""
    return re.sub(r"\s+", " ", text).strip().rstrip(".").strip()


def speech(path, began):
    """Orca's utterances in its debug file: (time, text), key echo left out. Orca logs the time of
    day alone: each is taken on the day that puts it after `began`, so a run across midnight keeps
    its order."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    # A logged text with line breaks goes on in lines indented by 18 spaces.
    joined = []
    for line in lines:
        if joined and line.startswith(" " * 18):
            joined[-1] += "\n" + line[18:]
        else:
            joined.append(line)
    said = []
    for entry in joined:
        # The text is followed by the voice Orca chose: " voice=NAME" and "{...}" (or "[{...}]" for an
        # utterance of several parts), each optional.
        m = re.match(r"(\d\d:\d\d:\d\d\.\d+) - SPEECH OUTPUT: '(.*)'(?: voice=[^\s{\[]*)?\s*(?:\[?\{.*\}\]?)?\s*$",
                     entry, re.S)
        if not m:
            continue
        text = m.group(2)
        if text.endswith(" ") and text.strip().lower() in KEY_NAMES:
            continue  # the key itself echoed
        when = datetime.datetime.combine(began.date(), datetime.datetime.strptime(m.group(1), "%H:%M:%S.%f").time())
        if when < began - datetime.timedelta(hours=12):
            when += datetime.timedelta(days=1)
        said.append((when, text))
    return said


def stop(process, grace=10):
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def run(program, scratch):
    address = accessibility_bus()
    if not address:
        skip("no accessibility bus on the session bus")
    if shutil.which("orca") is None:
        skip("needs orca")

    home = os.path.join(scratch, "home")
    for d in ("home", "orca", "config", "system", "no-voice"):
        os.makedirs(os.path.join(scratch, d))
    # No voice: Orca writes what it would say whether or not a speech server answers, and without
    # one no speech-dispatcher is started behind the test's back and left running.
    with open(os.path.join(scratch, "no-voice", "speechd.py"), "w") as f:
        f.write('raise ImportError("no speech server here")\n')
    log = os.path.join(scratch, "orca-debug.txt")
    # Orca's log written line by line, so that all it said is on disk however it comes to an end.
    with open(os.path.join(scratch, "no-voice", "sitecustomize.py"), "w") as f:
        f.write("import builtins\n"
                "_open = builtins.open\n"
                "def _line_by_line(file, mode='r', *args, **kwargs):\n"
                "    if file == %r and 'w' in mode and not args:\n"
                "        kwargs.setdefault('buffering', 1)\n"
                "    return _open(file, mode, *args, **kwargs)\n"
                "builtins.open = _line_by_line\n" % log)
    orca_env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_DATA_HOME=home + "/.local/share",
                    XDG_CACHE_HOME=home + "/.cache", GSETTINGS_BACKEND="memory",
                    PYTHONPATH=os.path.join(scratch, "no-voice"))
    orca = program_process = None
    orca_out = open(os.path.join(scratch, "orca.out"), "w")
    marks = []  # (step, when it began)
    seen = {}
    try:
        orca = subprocess.Popen(["orca", "-u", os.path.join(scratch, "orca"), "--debug-file=" + log], env=orca_env,
                                stdout=orca_out, stderr=subprocess.STDOUT)
        # Orca listens once its listeners are with the registry.
        listening = {"objectselectionchanged", "objectstatechangedfocused"}
        for _ in range(300):
            if listening <= registered_events(address) or orca.poll() is not None:
                break
            time.sleep(0.1)
        if orca.poll() is not None or not listening <= registered_events(address):
            return ["Orca did not start on the accessibility bus"], marks, seen
        time.sleep(2)  # "Screen reader on." said and done

        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=scratch + "/config",
                   XDG_CONFIG_DIRS=scratch + "/system", HOME=home)
        program_process = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        frame = None
        for _ in range(150):
            frame = find_frame(program_process.pid)
            if frame is not None:
                break
            time.sleep(0.1)
        if frame is None:
            return ["the window appears on the accessibility bus"], marks, seen
        time.sleep(1)  # armed, status text written
        # The program has more than one X window (its tray icon's too): the one named by the caption.
        caption = "^%s$" % re.sub(r"([][.^$*+?(){}|\\])", r"\\\1", frame.name)
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", caption],
                                capture_output=True, text=True).stdout.split()
        if window:
            xdotool("windowactivate", "--sync", window[0])
        marks.append(("window shown", datetime.datetime.now()))
        time.sleep(SETTLE)

        def step(name, *keys):
            marks.append((name, datetime.datetime.now()))
            for key in keys:
                xdotool("key", key)
            time.sleep(SETTLE)

        status_bars = [n for n in walk(frame) if n.getRole() == pyatspi.ROLE_STATUS_BAR]
        status = status_bars[0] if status_bars else None
        seen["status before"] = status.name if status else None

        increase = None
        for n in range(1, 11):
            step("Tab (%d)" % n, "Tab")
            node = focused_list(frame)
            if node is not None and "Increase:" in labels_of(node):
                increase = node
                marks[-1] = ("Tab to the Increase list", marks[-1][1])
                break
        if increase is None:
            return ["Tab reaches the Increase list"], marks, seen
        seen["letter on focus"] = increase.name
        seen["items"] = list_items(increase)

        step("Down on the closed list", "Down")
        seen["letter after Down"] = increase.name
        seen["status after Down"] = status.name if status else None
        step("Alt+Down: the list opens", "alt+Down")
        step("Down in the open list (1)", "Down")
        step("Down in the open list (2)", "Down")
        step("Escape: the list closes", "Escape")
        step("Tab to the Decrease list", "Tab")
        time.sleep(2)  # the debug file is written late
        return [], marks, seen
    finally:
        # Orca 43 waits in its main loop and leaves SIGTERM unhandled there: a short grace, then kill
        # (its log is on disk already).
        stop(orca, grace=3)
        stop(program_process)
        orca_out.close()


def judge(marks, seen, said):
    """Which of the expectations failed, given the steps taken and what Orca said in each."""
    by_step = {name: [] for name, _ in marks}
    for when, text in said:
        current = None
        for name, began in marks:
            if began <= when:
                current = name
        if current is not None:
            by_step[current].append(plain(text))

    failed = []
    focus = by_step.get("Tab to the Increase list", [])
    letter = seen.get("letter on focus") or "Ctrl+Shift+Q"
    ok = any("Increase:" in focus[i] and any(letter in t for t in focus[max(0, i - 1):i + 2]) for i in range(len(focus)))
    if not ok:
        failed.append("(1) on focus the Increase list's label and letter (%r) are said together" % letter)

    down = by_step.get("Down on the closed list", [])
    new_letter = seen.get("letter after Down") or ""
    new_status = plain(seen.get("status after Down") or "")
    old_status = plain(seen.get("status before") or "")
    # The status line's sentence that names the new letter: found whether Orca says the whole text
    # as one utterance or line by line.
    key = next((plain(line) for line in (seen.get("status after Down") or "").splitlines() if new_letter and new_letter in line),
               new_status)

    def is_status(text):
        return bool(key) and key in text

    letter_at = [i for i, t in enumerate(down) if not is_status(t) and re.search(r"(^|\W)%s($|\W)" % re.escape(new_letter), t)]
    if new_letter == letter or not letter_at:
        failed.append("(2) Down on the closed list says the new letter (%r; it was %r)" % (new_letter, letter))

    status_at = [i for i, t in enumerate(down) if is_status(t)]
    if not new_status or new_status == old_status:
        failed.append("(3) the status text changes after Down (before %r, after %r)" % (old_status, new_status))
    elif len(status_at) != 1 or not letter_at or status_at[0] < letter_at[0]:
        failed.append("(3) the new status text (%r) is said once, after the letter (said %d time(s))" %
                      (key, len(status_at)))

    items = seen.get("items") or []
    if new_letter in items and items.index(new_letter) + 2 < len(items):
        start = items.index(new_letter)
        for n, name in ((1, "Down in the open list (1)"), (2, "Down in the open list (2)")):
            item = items[start + n]
            if not any(re.search(r"(^|\W)%s($|\W)" % re.escape(item), t) for t in by_step.get(name, [])):
                failed.append("(4) in the open list, moving to %r says it" % item)
    else:
        failed.append("(4) the open list's letters are known (items %r, current %r)" % (items, new_letter))

    for name, texts in by_step.items():
        for a, b in zip(texts, texts[1:]):
            if a and a == b:
                failed.append("(5) %r said twice in a row at %s" % (a, name))
    return failed, by_step


def main(program):
    scratch = tempfile.mkdtemp(prefix="hushdial-orca.")
    try:
        began = datetime.datetime.now()
        failed, marks, seen = run(program, scratch)
        said = speech(os.path.join(scratch, "orca-debug.txt"), began)
        if os.environ.get("HUSHDIAL_ORCA_LOG"):  # a copy of Orca's whole log, to see why it said what it said
            shutil.copy(os.path.join(scratch, "orca-debug.txt"), os.environ["HUSHDIAL_ORCA_LOG"])
        if not failed:
            failed, by_step = judge(marks, seen, said)
        else:
            by_step = {"everything": [plain(text) for _, text in said]}
            marks = [("everything", None)]
        for name, _ in marks:
            if name in by_step:
                print("%s:" % name)
                for text in by_step[name]:
                    print("    SPEECH OUTPUT: %r" % text)
        for key in ("letter on focus", "letter after Down", "status before", "status after Down", "items"):
            if key in seen:
                print("%s (as the accessibility bus has it): %r" % (key, seen[key]))
        if not said:
            print("(Orca said nothing at all)")
        if failed:
            print("FAILED:")
            for what in failed:
                print("  " + what)
            return 1
        print("orca-speech: all checks passed")
        return 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
