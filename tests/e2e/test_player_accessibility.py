"""The player as a screen reader user meets it, end to end: the real accessibility bus, a
screen reader's client library reading the window's tree and listening to its events, and a
whole rehearsal done with the keyboard alone (no mouse event at all): open, play, set a mark,
go to it, write its note and nudge it through the Menu key, and open the menu bar with F10.

The tree and the announcements heard are saved beside the screenshots for people to read."""

import os

import accessibility as ax
import harness
from player_ui import make_practice_track, open_track, position

APP = "Tavrel"


def showing(node):
    return [n for n in ax.walk(node) if n.get("showing")]


def names(node, role):
    return {n["name"] for n in showing(node) if n["role"] == role}


def check_tree(tree):
    buttons = names(tree, "push button")
    for expected in ["OPEN", "PLAY", "PAUSE", "STOP", "About", "Clear All", "Slower", "Faster",
                     "Transpose down", "Transpose up", "Loop practice", "Play", "Stop", "Mute",
                     "Back to PLAY", "Speed 100%"]:
        assert expected in buttons, f"no button named {expected!r} in {sorted(buttons)}"
    for n in range(1, 11):
        assert f"Mark {n}, not set" in buttons, f"mark {n} has no name of its own"
    tabs = names(tree, "page tab")
    assert tabs == {"How To", "Keys & Remote"}, tabs
    sliders = names(tree, "slider")
    assert {"Seek", "Volume"} <= sliders, sliders
    assert "Loop between marks" in names(tree, "check box"), names(tree, "check box")
    labels = names(tree, "label")
    assert "Running time, 00:00:00" in labels, sorted(labels)
    # Every control that takes the focus says what it is.
    unnamed = [n["role"] for n in showing(tree) if n.get("focusable") and not n["name"]
               and n["role"] != "frame"]
    assert not unnamed, f"focusable controls without a name: {unnamed}"


# Said once, whenever the background analysis of the track ends: its tempo and sections.
MAP_NEWS = ("Tempo ", "No steady beat")


def announcements(listener, with_map_news=False):
    return [e["name"] for e in listener.events()
            if e["type"] == "object:state-changed:showing" and e["role"] == "notification"
            and e["detail1"] == 1 and e["name"]
            and (with_map_news or not e["name"].startswith(MAP_NEWS))]


def wait_announced(listener, prefix, what):
    return listener.wait_for(
        lambda e: e["type"] == "object:state-changed:showing" and e["role"] == "notification"
        and e["name"].startswith(prefix), timeout=15, what=what)["name"]


def focus_now(s):
    """The name of the control that has the focus, as the player tells it now; "" if none."""
    t = ax.tree(s, APP)
    names = [n["name"] for n in showing(t) if n.get("focused") and n["role"] != "frame"] \
        if t else []
    return names[-1] if names else ""


def wait_focus(s, wid, prefix, limit=40):
    """Presses Tab until the control whose name starts with `prefix` has the focus."""
    # Asked of the window itself, not taken from focus news, which can trail the key that
    # caused it (a box closing gives the focus back).
    s.focus(wid)
    now = harness.wait_until(lambda: focus_now(s), timeout=10, what="a control with the focus")
    for _ in range(limit):
        if now.startswith(prefix):
            return
        before = now

        def moved():
            n = focus_now(s)
            return n if n and n != before else None
        s.key(wid, "Tab")
        now = harness.wait_until(moved, timeout=10, what=f"the focus to move on from {before!r}")
    raise AssertionError(f"Tab never reached {prefix!r}; last focus {now!r}")


def focused_menu_items(listener):
    return [e["name"] for e in listener.events()
            if e["type"] == "object:state-changed:focused" and e["detail1"] == 1
            and e["role"] == "menu item"]


def choose(s, wid, listener, prefix, press=True, limit=12):
    """In the menu that has just opened, moves down to the item whose name starts with
    `prefix`, as a screen reader user does, hearing each item; then presses Return."""
    start = len(focused_menu_items(listener))
    try:
        harness.wait_until(lambda: len(focused_menu_items(listener)) > start, timeout=3,
                           what="the menu")
    except TimeoutError:
        # A menu opened from the menu bar has no item under way until Down picks the first.
        s.xdotool("key", "Down")
        try:
            harness.wait_until(lambda: len(focused_menu_items(listener)) > start, what="the menu")
        except TimeoutError:
            s.screenshot("player_accessibility_no_menu")
            raise
    for _ in range(limit):
        items = focused_menu_items(listener)
        if items[-1].startswith(prefix):
            if press:
                s.xdotool("key", "Return")
            return
        s.xdotool("key", "Down")
        harness.wait_until(lambda: len(focused_menu_items(listener)) > len(items),
                           what="the next menu item")
    raise AssertionError(f"no menu item {prefix!r}: {focused_menu_items(listener)[start:]}")


def test(args):
    track = make_practice_track(args, "Ballad")
    with harness.Session(args) as s:
        s.start_dbus()
        ax.start_bus(s)
        s.start("tavrel")
        wid = s.find_window(APP, timeout=60)  # the accessibility bus slows the first start
        tree = ax.wait_for_tree(s, APP, lambda t: ax.find(t, prefix="Mark 10"),
                                what="the player's accessibility tree")
        with open(os.path.join(args.out, "player_accessibility_tree.txt"), "w") as f:
            f.write("\n".join(ax.outline(tree)) + "\n")
        check_tree(tree)

        # From no control or PLAY, the first in the Tab order, to PLAY.
        listener = ax.Listener(s, APP, lambda: s.key(wid, "shift+Tab", "Tab"))
        # Open, play and set mark 3, from the keyboard.
        open_track(s, wid, track)
        wait_announced(listener, "Opened Ballad, 30 seconds long, no marks", "the opening")
        s.key(wid, "F2")
        harness.wait_until(lambda: (position(s) or 0) >= 2.0, what="2 s played")
        s.key(wid, "ctrl+3")
        said = wait_announced(listener, "Mark 3 set at ", "mark 3 being set")
        stored = float(harness.wait_until(lambda: s.stored(track, "2"), what="mark 3 stored"))
        listener.wait_for(lambda e: e["type"] == "object:property-change:accessible-name"
                          and e["name"].startswith("Mark 3, set at "), what="mark 3's new name")

        # Playing on does not chatter: the running time is never announced.
        heard = len(announcements(listener))
        harness.wait_until(lambda: (position(s) or 0) >= 4.0, what="4 s played")
        assert len(announcements(listener)) == heard, announcements(listener)[heard:]
        ticks = [e for e in listener.events() if "Running time" in e["name"]]
        assert not ticks, ticks[:3]

        s.key(wid, "3")
        wait_announced(listener, "Went to mark 3 at ", "going to mark 3")

        # The note and a nudge, through mark 3's own menu (Menu key), never the mouse.
        wait_focus(s, wid, "Mark 3")
        s.key(wid, "Menu")
        choose(s, wid, listener, "Note for mark 3")
        harness.wait_until(lambda: subprocess_window(s, "Vuvizavir"), what="the note box")
        s.xdotool("type", "--delay", "5", "Chorus")
        s.xdotool("key", "Return")
        wait_announced(listener, "Note for mark 3: Chorus", "the note")
        harness.wait_until(lambda: s.stored(track, "Note_2") == "Chorus", what="the note stored")

        wait_focus(s, wid, "Mark 3")
        s.key(wid, "Menu")
        choose(s, wid, listener, "Nudge mark 3 back one second")
        wait_announced(listener, "Mark 3 moved to ", "the nudge")
        nudged = float(harness.wait_until(
            lambda: s.stored(track, "2") if float(s.stored(track, "2")) != stored else None,
            what="mark 3 nudged"))
        assert abs(nudged - (stored - 1.0)) < 0.01, (stored, nudged)
        name = ax.find(ax.tree(s, APP), role="push button", prefix="Mark 3,")[0]["name"]
        assert name.startswith("Mark 3, ") and name.endswith("note: Chorus"), name

        # F10 opens the menu bar's first menu.
        # F10 opens the menu bar's first menu; Right twice reaches About, Return opens it.
        s.key(wid, "F10")
        choose(s, wid, listener, "Export Marks", press=False)
        s.xdotool("key", "Right")
        s.xdotool("key", "Right")
        s.xdotool("key", "Return")
        about = s.find_window("About Tavrel")
        s.key(about, "Escape")
        harness.wait_until(lambda: subprocess_window(s, "About Tavrel") is None,
                           what="the About box to close")
        s.screenshot("player_accessibility_keyboard")

        listener.stop()
        news = [h for h in announcements(listener, True) if h.startswith(MAP_NEWS)]
        assert len(news) == 1, news
        heard = announcements(listener)
        with open(os.path.join(args.out, "player_accessibility_events.txt"), "w") as f:
            f.write("\n".join(heard) + "\n")
        assert said in heard
        expected = ["Opened Ballad", "Mark 3 set at", "Went to mark 3 at",
                    "Note for mark 3: Chorus", "Mark 3 moved to"]
        assert [h for h in heard if any(h.startswith(x) for x in expected)] == heard, heard
        assert len(heard) == len(expected), heard


def subprocess_window(s, title):
    r = s.xdotool("search", "--onlyvisible", "--name", f"^{title}$", check=False)
    return r.split()[0] if r.split() else None


if __name__ == "__main__":
    harness.main(test)
