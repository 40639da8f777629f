"""Marks that survive a killed player: with the real program, libmpv and the SQLite store,
undo a Clear All with Ctrl+Z and import a label file through the File menu, killing the player
with SIGKILL straight after each; the store then holds the old marks completely or the new ones
completely. Also photographs the File menu and the list of missing tracks."""

import os
import signal
import sqlite3

import harness
from player_ui import (dialog_window, keypad_button, menu_height, open_track, position,
                       visible_windows, wait_popup, wait_popup_gone)

KEYS = [str(i) for i in range(10)] + [f"Note_{i}" for i in range(10)]
LABELS = [(1.25, "Count in"), (2.5, "Verse"), (4.75, "Bridge entry")]


def marks(s, track):
    return [s.stored(track, k) or "" for k in KEYS]


def kill(proc):
    proc.send_signal(signal.SIGKILL)
    proc.wait(timeout=10)
    assert proc.returncode == -signal.SIGKILL, proc.returncode


def start_with(s, track):
    proc = s.start("tavrel")
    wid = s.find_window("Tavrel")
    open_track(s, wid, track)
    return proc, wid


def open_menu_entry(s, wid, menu_index, ups):
    """Opens the menu bar's menu `menu_index` (0 = File) and picks the entry `ups` from its end."""
    shown = visible_windows(s)
    s.click(wid, 20, 10)
    wait_popup(s, shown)
    for _ in range(menu_index):
        s.xdotool("key", "Right")
    s.xdotool("key", *(["Up"] * ups), "Return")


def message_boxes(s):
    ids = s.xdotool("search", "--onlyvisible", "--name", "^Tavrel$", check=False).split()
    return ids if len(ids) >= 2 else None


def test(args):
    work = os.path.abspath(os.path.join(args.out, "safety-media"))
    os.makedirs(work, exist_ok=True)
    wav = os.path.join(work, "Take.wav")
    harness.make_tone_wav(wav, 30)
    labels = os.path.join(work, "Take labels.txt")
    with open(labels, "w") as f:
        for t, note in LABELS:
            f.write(f"{t:.6f}\t{t:.6f}\t{note}\n")
    imported = [f"{t:g}" for t, _ in LABELS] + [""] * 7 + [n for _, n in LABELS] + [""] * 7

    home = None
    with harness.Session(args) as s:
        home = s.home
        s._own_home = False
        s.start_dbus()

        # Two marks, then Clear All, then Ctrl+Z and the kill at once.
        proc, wid = start_with(s, wav)
        s.key(wid, "F2")
        harness.wait_until(lambda: (position(s) or 0) >= 1.0, what="1 s played")
        s.key(wid, "ctrl+1")
        mark1 = float(harness.wait_until(lambda: s.stored(wav, "0"), what="mark 1 stored"))
        # Played on a little, so that the marks differ.
        harness.wait_until(lambda: position(s) >= mark1 + 0.5, what="playing past mark 1")
        s.key(wid, "ctrl+3")
        s.key(wid, "F4")
        harness.wait_until(lambda: s.stored(wav, "2"), timeout=5, what="mark 3 stored")
        marked = marks(s, wav)
        x, y = keypad_button(menu_height(s, wid), 11)
        s.click(wid, x, y)  # Clear All
        harness.wait_until(lambda: s.stored(wav, "0") == "" and s.stored(wav, "2") == "",
                           timeout=5, what="Clear All stored")
        cleared = marks(s, wav)
        s.key(wid, "ctrl+z")
        kill(proc)
        after = marks(s, wav)
        assert after in (cleared, marked), after
        print("undo then SIGKILL left:", "the restored marks" if after == marked else "the cleared marks")

        # Once more, waiting for the undo: the restored marks are all there.
        proc, wid = start_with(s, wav)
        if marks(s, wav) != marked:
            s.click(wid, x, y)
            harness.wait_until(lambda: s.stored(wav, "0") == "", timeout=5, what="Clear All")
            s.key(wid, "ctrl+z")
            harness.wait_until(lambda: s.stored(wav, "0") == marked[0], timeout=5,
                               what="the undo")
        assert marks(s, wav) == marked

        # Import over those marks: the question is answered Yes and the player killed at once.
        open_menu_entry(s, wid, 0, 2)  # File, Import Marks…
        dialog = harness.wait_until(lambda: dialog_window(s), timeout=15, what="the file dialog")
        s.focus(dialog)
        s.xdotool("type", "--delay", "2", labels)
        s.xdotool("key", "Return")
        harness.wait_until(lambda: message_boxes(s), timeout=10, what="the question")
        s.screenshot("player_import_question")
        s.xdotool("key", "Return")  # Yes is the default button
        kill(proc)
        after = marks(s, wav)
        assert after in (marked, imported), after
        print("import then SIGKILL left:", "the imported marks" if after == imported else "the old marks")

    # Housekeeping: a track whose file is gone is listed; the File menu shows its entries.
    con = sqlite3.connect(os.path.join(home, ".config", "Tavrel", "settings.db"))
    gone = "/music/Old Band/Gone Song.mp3"
    con.execute("INSERT INTO settings VALUES('Tavrel', ?, '0', '12.5', 'tavrel', ?, '0')",
                (gone, gone.casefold()))
    con.commit()
    con.close()
    with harness.Session(args, home=home) as s:
        s.start_dbus()
        proc, wid = start_with(s, wav)
        shown = visible_windows(s)
        s.click(wid, 20, 10)
        menu = wait_popup(s, shown, what="the File menu")
        s.screenshot("player_file_menu")
        s.xdotool("key", "Escape")
        wait_popup_gone(s, menu)
        open_menu_entry(s, wid, 1, 1)  # Options, Forget Missing Tracks…
        harness.wait_until(lambda: s.xdotool("search", "--onlyvisible", "--name",
                                             "^Forget Missing Tracks$", check=False),
                           timeout=10, what="the list of missing tracks")
        s.screenshot("player_forget_missing")
        s.xdotool("key", "Escape")  # cancelled: nothing is forgotten
        harness.wait_until(lambda: not s.visible_windows("--name", "^Forget Missing Tracks$"),
                           timeout=10, what="the list to close")
        assert s.stored(gone, "0") == "12.5"
        s._own_home = True  # this last session removes the home folder


if __name__ == "__main__":
    harness.main(test)
