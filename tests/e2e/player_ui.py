"""Places and steps of the player window that several end-to-end scripts share."""

import os
import re
import subprocess

import harness

SERVICE = "org.mpris.MediaPlayer2.tavrel"


def keypad_button(menu_height, index):
    """Window-relative centre of keypad button `index` (0 = mark 1 ... 9 = mark 10)."""
    # The keypad sits at the left of the lower frame; buttons are 60 px with 4 px gaps.
    places = {0: (0, 0), 1: (1, 0), 2: (2, 0), 3: (0, 1), 4: (1, 1), 5: (2, 1),
              6: (0, 2), 7: (1, 2), 8: (2, 2), 10: (0, 3), 9: (1, 3), 11: (2, 3)}
    col, row = places[index]
    frame_top = menu_height + 52 + 179 + 6 + 34 + 7
    return 4 + 8 + col * 64 + 30, frame_top + 6 + row * 64 + 30


def help_tab(menu_height, lower):
    """Window-relative centre of the help area's upper ("How To") or lower tab."""
    frame_top = menu_height + 52 + 179 + 6 + 34 + 7
    left = 4 + 8 + 3 * 60 + 8 - 1 + 12  # the help area starts right of the keypad
    tab_left, tab_width, tab_height = 477, 41, 112
    tab_top = 124 if lower else 12
    return left + tab_left + tab_width // 2, frame_top + 6 + tab_top + tab_height // 2


def help_blank(menu_height):
    """A window-relative point of the help panels where neither panel has text."""
    frame_top = menu_height + 52 + 179 + 6 + 34 + 7
    return 4 + 8 + 3 * 60 + 8 - 1 + 12 + 6, frame_top + 6 + 240


def visible_windows(s):
    """The player's windows that are on the screen: the main window, and a menu or popup
    panel while one shows."""
    return s.visible_windows("--class", "tavrel")


def wait_popup(s, before, what="the menu"):
    """Waits until a window of the player shows besides the `before` ones (a menu or a popup
    panel, which are windows of their own on X); returns its id."""
    def new():
        ids = [w for w in visible_windows(s) if w not in before]
        return ids[0] if ids else None
    return harness.wait_until(new, timeout=10, what=what)


def wait_popup_gone(s, popup, what="the menu to close"):
    harness.wait_until(lambda: popup not in visible_windows(s), timeout=10, what=what)


def menu_height(s, wid):
    # The central area is fixed; whatever the window has above it is the menu bar.
    g = s.window_geometry(wid)
    return g["HEIGHT"] - 600 - 22  # central height and the status bar


def dialog_window(s):
    ids = s.visible_windows("--name", "^(Open|Tavrel - Open).*")
    return ids[0] if ids else None


def start_open(s, wid, path):
    """Asks for `path` through F1 and the file dialog; returns once the dialog has closed,
    while the track may still be opening."""
    s.key(wid, "F1")
    dialog = harness.wait_until(lambda: dialog_window(s), timeout=15, what="the file dialog")
    s.focus(dialog)
    s.xdotool("type", "--delay", "2", path)
    s.xdotool("key", "Return")
    harness.wait_until(lambda: dialog_window(s) is None, timeout=10, what="the dialog to close")


def open_track(s, wid, path):
    """Opens `path` through F1 and the file dialog; returns once the open has ended: the
    player names a new track on the session bus (each open gets its own track id, the same
    file again included) and the store names the path. Needs s.start_dbus()."""
    harness.wait_until(lambda: mpris_property(s, "PlaybackStatus"), timeout=15,
                       what="the player on the session bus")
    before = track_id(s)
    start_open(s, wid, path)
    harness.wait_until(lambda: track_id(s) not in (None, before), timeout=15,
                       what=f"the player to name a new track (it named {before})")
    harness.wait_until(lambda: s.stored("system", "LastFile") == path, timeout=15,
                       what="LastFile to name the track")


def mpris(s, method):
    """Calls a method of the player's MPRIS Player interface on the session's private bus."""
    subprocess.run(["dbus-send", "--session", "--type=method_call", f"--dest={SERVICE}",
                    "/org/mpris/MediaPlayer2", f"org.mpris.MediaPlayer2.Player.{method}"],
                   env=s.env, check=True, capture_output=True)


def mpris_property(s, name):
    """A property of the MPRIS Player interface, as the text dbus-send prints for it."""
    r = subprocess.run(["dbus-send", "--session", "--print-reply", f"--dest={SERVICE}",
                        "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                        "string:org.mpris.MediaPlayer2.Player", f"string:{name}"],
                       env=s.env, capture_output=True, text=True)
    if r.returncode != 0:
        return None
    return r.stdout.strip().split()[-1].strip('"')


def metadata(s):
    """The Metadata of the MPRIS Player interface: its text values (track id, url, title) and
    its numbers, by key; {} when the player has no track or is not on the bus."""
    r = subprocess.run(["dbus-send", "--session", "--print-reply", f"--dest={SERVICE}",
                        "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                        "string:org.mpris.MediaPlayer2.Player", "string:Metadata"],
                       env=s.env, capture_output=True, text=True)
    if r.returncode != 0:
        return {}
    entries = re.findall(r'dict entry\(\s*string "([^"]*)"\s*variant\s+'
                         r'(?:(?:string|object path) "([^"]*)"|\w+ (-?[\d.]+))', r.stdout)
    return {key: text if text or not number else float(number)
            for key, text, number in entries}


def track_id(s):
    """The mpris:trackid of the track the player names on the bus, or None."""
    return metadata(s).get("mpris:trackid")


def position(s):
    """The playing position in seconds, read through MPRIS."""
    value = mpris_property(s, "Position")
    return int(value) / 1e6 if value is not None else None


def rate(s):
    value = mpris_property(s, "Rate")
    return float(value) if value is not None else None


def make_practice_track(args, name):
    """A 30 s MP3 made from a tone, in the run's media folder; its path."""
    work = os.path.abspath(os.path.join(args.out, "media"))
    os.makedirs(work, exist_ok=True)
    wav = os.path.join(work, name.lower() + ".wav")
    mp3 = os.path.join(work, name + ".mp3")
    harness.make_tone_wav(wav, 30)
    harness.make_mp3(wav, mp3)
    return mp3


def start_with_marks_at_2_and_5(s, mp3):
    """Starts the player on the session bus, opens the track, plays it and sets mark 1 at
    about 2 s and mark 2 at about 5 s with Ctrl+1 and Ctrl+2; the window and both stored
    positions."""
    s.start_dbus()
    s.start("tavrel")
    wid = s.find_window("Tavrel")
    harness.wait_until(lambda: position(s) is not None, what="the player on the bus")
    open_track(s, wid, mp3)
    s.key(wid, "F2")
    harness.wait_until(lambda: position(s) >= 2.0, what="2 s played")
    s.key(wid, "ctrl+1")
    harness.wait_until(lambda: position(s) >= 5.0, timeout=15, what="5 s played")
    s.key(wid, "ctrl+2")
    mark1 = float(harness.wait_until(lambda: s.stored(mp3, "0"), what="mark 1"))
    mark2 = float(harness.wait_until(lambda: s.stored(mp3, "1"), what="mark 2"))
    return wid, mark1, mark2
