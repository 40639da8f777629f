"""The accessibility bus of an end-to-end session, and a client on it that reads trees and
records events the way a screen reader does (see atspi_client.py)."""

import json
import os
import subprocess
import tempfile

import harness

CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_client.py")
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def start_bus(s):
    """Starts the session's accessibility bus and turns accessibility on, as a desktop does
    when a screen reader runs. Call after s.start_dbus() and before starting the program."""
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=s.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.procs.append(launcher)

    def bus_address():
        r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                           env=s.env, capture_output=True, text=True)
        return r.returncode == 0 and "unix:" in r.stdout
    harness.wait_until(bus_address, timeout=20, what="the accessibility bus")
    for prop in ("IsEnabled", "ScreenReaderEnabled"):
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.freedesktop.DBus.Properties.Set",
                        "string:org.a11y.Status", f"string:{prop}", "variant:boolean:true"],
                       env=s.env, check=True, capture_output=True)


def tree(s, app):
    """The accessibility tree of the running program `app` (its application name), as nested
    dicts with role, name, description, focusable, showing and children; None if absent."""
    r = subprocess.run(["/usr/bin/python3", CLIENT, "tree", app], env=s.env,
                       capture_output=True, text=True, timeout=120)
    return json.loads(r.stdout) if r.stdout.strip() else None


def wait_for_tree(s, app, predicate, timeout=20, what="the accessibility tree"):
    """Reads the tree until `predicate(tree)` holds; returns the tree."""
    found = {}

    def ready():
        t = tree(s, app)
        if t and predicate(t):
            found["tree"] = t
            return True
        return False
    harness.wait_until(ready, timeout=timeout, interval=0.3, what=what)
    return found["tree"]


def walk(node):
    yield node
    for child in node.get("children", []):
        yield from walk(child)


def find(node, role=None, name=None, prefix=None):
    """Every node with the given role and exact name (or name prefix)."""
    out = []
    for n in walk(node):
        if role is not None and n["role"] != role:
            continue
        if name is not None and n["name"] != name:
            continue
        if prefix is not None and not n["name"].startswith(prefix):
            continue
        out.append(n)
    return out


def outline(node, depth=0, in_menu_bar=False):
    """The tree as indented "[role] name" lines, for a report. What is hidden (a control
    that is not on the screen) is left out, except the menus of the menu bar."""
    lines = []
    if not node.get("showing", True) and not in_menu_bar and node["role"] != "application":
        return lines
    in_menu_bar = in_menu_bar or node["role"] == "menu bar"
    if node["role"] not in ("filler", "panel") or node["name"]:
        label = f'{"  " * depth}[{node["role"]}] {node["name"]}'
        if node.get("description"):
            label += f'  ({node["description"]})'
        lines.append(label)
        depth += 1
    for child in node.get("children", []):
        lines.extend(outline(child, depth, in_menu_bar))
    return lines


class Listener:
    """Records the program's accessible events in a file while it runs."""

    def __init__(self, s, app, move_focus):
        """`move_focus()` moves the program's focus away and back (e.g. Shift+Tab, Tab): the
        program learns of a new listener through the registry, some time after it has
        registered, and its focus news, registered last, shows that it has learnt of all."""
        self.path = tempfile.mktemp(prefix="atspi-events-", suffix=".jsonl")
        self.proc = subprocess.Popen(["/usr/bin/python3", CLIENT, "listen", app, self.path],
                                     env=s.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        s.procs.append(self.proc)
        harness.wait_until(lambda: os.path.exists(self.path + ".ready"), timeout=20,
                           what="the event listener")

        def heard():
            move_focus()
            return any(e["type"] == "object:state-changed:focused" for e in self.events())
        harness.wait_until(heard, timeout=20, interval=0.3,
                           what="the program to report to the new listener")

    def events(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path) as f:
            text = f.read()
        # The listener may be writing a line right now: only whole lines are read.
        lines = text.split("\n")[:-1]
        return [json.loads(line) for line in lines if line.strip()]

    def wait_for(self, predicate, timeout=15, what="an accessible event"):
        """Waits until some recorded event satisfies `predicate`; returns it."""
        def match():
            for e in self.events():
                if predicate(e):
                    return e
            return None
        return harness.wait_until(match, timeout=timeout, interval=0.1, what=what)

    def stop(self):
        open(self.path + ".stop", "w").close()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
