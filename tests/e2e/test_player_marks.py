"""A rehearsal end to end with the real libmpv back end: open a WAV and an MP3 through the
file dialog, play, set mark 3 with Ctrl held and a keypad click, go back to it, quit, start
again and find the mark restored."""

import os
import subprocess
import time

import harness

# Window-relative centres of controls (the window lays them out at fixed places).
MENU = 0  # measured below from the window height


def keypad_button(menu_height, index):
    # The keypad sits at the left of the lower frame; buttons are 60 px with 4 px gaps.
    places = {0: (0, 0), 1: (1, 0), 2: (2, 0), 3: (0, 1), 4: (1, 1), 5: (2, 1),
              6: (0, 2), 7: (1, 2), 8: (2, 2), 10: (0, 3), 9: (1, 3), 11: (2, 3)}
    col, row = places[index]
    frame_top = menu_height + 52 + 179 + 6 + 34 + 7
    return 4 + 8 + col * 64 + 30, frame_top + 6 + row * 64 + 30


def open_track(s, wid, path):
    s.key(wid, "F1")
    dialog = harness.wait_until(lambda: dialog_window(s), timeout=15, what="the file dialog")
    s.focus(dialog)
    s.xdotool("type", "--delay", "2", path)
    s.xdotool("key", "Return")
    harness.wait_until(lambda: s.stored("system", "LastFile") == path, timeout=15,
                       what="LastFile to name the track")
    harness.wait_until(lambda: dialog_window(s) is None, timeout=10, what="the dialog to close")


def dialog_window(s):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^(Open|Tavrel - Open).*"],
                       env=s.env, capture_output=True, text=True)
    ids = r.stdout.split()
    return ids[0] if ids else None


def menu_height(s, wid):
    # The central area is fixed; whatever the window has above it is the menu bar.
    g = s.window_geometry(wid)
    return g["HEIGHT"] - 552 - 22  # central height and the status bar


def test(args):
    work = os.path.abspath(os.path.join(args.out, "media"))
    os.makedirs(work, exist_ok=True)
    wav = os.path.join(work, "Intro.wav")
    mp3 = os.path.join(work, "Verse.mp3")
    harness.make_tone_wav(wav, 30)
    harness.make_mp3(wav, mp3)

    home = None
    with harness.Session(args) as s:
        home = s.home
        s._own_home = False
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        open_track(s, wid, wav)
        open_track(s, wid, mp3)
        s.key(wid, "F2")  # PLAY
        time.sleep(2.0)   # let the track play for about two seconds
        mh = menu_height(s, wid)
        x, y = keypad_button(mh, 2)
        s.focus(wid)
        s.xdotool("keydown", "ctrl")
        s.click(wid, x, y)
        s.xdotool("keyup", "ctrl")
        stored = harness.wait_until(lambda: s.stored(mp3, "2"), timeout=5, what="mark 3 stored")
        mark = float(stored.replace(",", "."))
        assert 1.5 <= mark <= 4.0, f"mark 3 at {mark}"
        s.click(wid, x, y)  # go back to mark 3
        s.screenshot("player_mark_set")
        s.click(wid, 20, 10)  # File menu, then its last entry, Exit
        time.sleep(0.3)
        s.xdotool("key", "Up", "Return")
        assert s.wait_exit(proc) == 0

    with harness.Session(args, home=home) as s:
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        assert s.stored(mp3, "2") == stored
        open_track(s, wid, mp3)
        # Button 3 is yellow again, once the window has repainted after the open.
        x, y = keypad_button(menu_height(s, wid), 2)
        g = s.window_geometry(wid)

        last = []

        def button_is_yellow():
            shot = s.screenshot("player_mark_restored")
            last[:] = [subprocess.check_output(
                ["convert", shot, "-crop", f"1x1+{g['X'] + x - 20}+{g['Y'] + y - 20}", "txt:-"],
                text=True)]
            return "#FFFF00" in last[0].upper()
        try:
            harness.wait_until(button_is_yellow, timeout=10, interval=0.2,
                               what="button 3 to turn yellow")
        except TimeoutError:
            raise AssertionError(last[0]) from None
        s.close()


if __name__ == "__main__":
    harness.main(test)
