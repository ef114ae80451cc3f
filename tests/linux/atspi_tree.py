"""What the accessibility tests read off the window's tree on the accessibility bus (pyatspi)."""
# Run with python3 -B: importing it must leave no compiled copy in the source tree.
import subprocess

import pyatspi


def walk(node):
    """The node and everything below it."""
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def controls(node):
    """The node and the controls below it, without looking into a list's own items: from Qt 6.8 on
    the current item of each closed list says it is focused whichever control has the focus."""
    yield node
    if node.getRole() == pyatspi.ROLE_COMBO_BOX:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from controls(child)


def find_frame(pid, title=None):
    """The top-level frame of the process (with that title, where one is given), or None."""
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is None or app.get_process_id() != pid:
                continue
            for i in range(app.childCount):
                child = app.getChildAtIndex(i)
                if child is None:
                    continue
                if (child.name == title) if title is not None else (child.getRole() == pyatspi.ROLE_FRAME):
                    return child
        except Exception:  # noqa: BLE001  an application that went away meanwhile
            continue
    return None


def labels_of(node):
    """The names of the nodes that label this one."""
    return [target.name for relation in node.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
