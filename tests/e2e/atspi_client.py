"""A screen-reader-side client of the accessibility bus, run as its own process with the
environment of an end-to-end session (its display and session bus).

    atspi_client.py tree APP            prints the application's accessibility tree as JSON
    atspi_client.py listen APP OUT      appends each accessible event of APP to OUT, one
                                        JSON object per line, until OUT.stop exists

It uses the same library a screen reader uses (pyatspi over AT-SPI), so what it reads is
what a screen reader would be given."""

import json
import os
import sys

import pyatspi
from gi.repository import GLib


def find_app(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == name:
            return app
    return None


def node(acc, depth=0):
    try:
        states = acc.getState()
        item = {
            "role": acc.getRoleName(),
            "name": acc.name or "",
            "description": acc.description or "",
            "focusable": states.contains(pyatspi.STATE_FOCUSABLE),
            "showing": states.contains(pyatspi.STATE_SHOWING),
            "focused": states.contains(pyatspi.STATE_FOCUSED),
            "children": [],
        }
        try:
            value = acc.queryValue()
            item["value"] = value.currentValue
        except NotImplementedError:
            pass
        if depth < 30:
            for i in range(acc.childCount):
                child = acc.getChildAtIndex(i)
                if child is not None:
                    item["children"].append(node(child, depth + 1))
        return item
    except Exception as e:  # an object that went away while being read
        return {"role": "gone", "name": str(e), "description": "", "children": []}


def tree(app_name):
    app = find_app(app_name)
    if app is None:
        print("null")
        return 1
    print(json.dumps(node(app)))
    return 0


def listen(app_name, out_path):
    stop_path = out_path + ".stop"
    out = open(out_path, "a", buffering=1)

    def on_event(event):
        try:
            source = event.source
            app = source.getApplication() if source is not None else None
            if app is None or app.name != app_name:
                return
            any_data = event.any_data
            if not isinstance(any_data, (str, int, float, bool)) and any_data is not None:
                any_data = str(getattr(any_data, "name", "") or "")
            out.write(json.dumps({
                "type": event.type,
                "role": source.getRoleName(),
                "name": source.name or "",
                "description": source.description or "",
                "detail1": event.detail1,
                "data": any_data,
            }) + "\n")
        except Exception as e:
            out.write(json.dumps({"type": "error", "name": str(e)}) + "\n")

    # The program hears of each registration in this order; focus news, registered last, is
    # the sign that it has heard of them all.
    pyatspi.Registry.registerEventListener(
        on_event, "object:state-changed:showing", "object:state-changed:checked",
        "object:property-change:accessible-name",
        "object:property-change:accessible-description",
        "object:property-change:accessible-value", "object:text-changed:insert",
        "object:state-changed:focused")

    def check_stop():
        if os.path.exists(stop_path):
            pyatspi.Registry.stop()
            return False
        return True

    GLib.timeout_add(50, check_stop)
    open(out_path + ".ready", "w").close()
    pyatspi.Registry.start()
    out.close()
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "tree":
        sys.exit(tree(sys.argv[2]))
    if sys.argv[1] == "listen":
        sys.exit(listen(sys.argv[2], sys.argv[3]))
    sys.exit(2)
