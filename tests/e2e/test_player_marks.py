"""A rehearsal end to end with the real libmpv back end: open a WAV and an MP3 through the
file dialog, play, set mark 3 with Ctrl held and a keypad click, go back to it, quit, start
again and find the mark restored."""

import os

import harness
from player_ui import keypad_button, menu_height, open_track, position, visible_windows, wait_popup


def is_yellow(s, wid, x, y):
    pixel = s.window_pixel(wid, x, y)
    return pixel == (255, 255, 0)


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
        s.start_dbus()
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        open_track(s, wid, wav)
        open_track(s, wid, mp3)
        s.key(wid, "F2")  # PLAY
        harness.wait_until(lambda: (position(s) or 0) >= 2.0, what="2 s played")
        mh = menu_height(s, wid)
        x, y = keypad_button(mh, 2)
        s.focus(wid)
        s.xdotool("keydown", "ctrl")
        s.click(wid, x, y)
        s.xdotool("keyup", "ctrl")
        stored = harness.wait_until(lambda: s.stored(mp3, "2"), timeout=5, what="mark 3 stored")
        mark = float(stored.replace(",", "."))
        assert 2.0 <= mark <= position(s) + 0.1, f"mark 3 at {mark}, set after 2 s of playing"
        s.click(wid, x, y)  # go back to mark 3
        s.screenshot("player_mark_set")
        shown = visible_windows(s)
        s.click(wid, 20, 10)  # File menu, then its last entry, Exit
        wait_popup(s, shown, what="the File menu")
        s.xdotool("key", "Up", "Return")
        assert s.wait_exit(proc) == 0

    with harness.Session(args, home=home) as s:
        s.start_dbus()
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        assert s.stored(mp3, "2") == stored
        open_track(s, wid, mp3)
        # Button 3 turns yellow again once the window has shown the restored marks.
        x, y = keypad_button(menu_height(s, wid), 2)
        harness.wait_until(lambda: is_yellow(s, wid, x - 20, y - 20), timeout=10,
                           what="button 3 to be yellow again")
        s.screenshot("player_mark_restored")
        s.close()


if __name__ == "__main__":
    harness.main(test)
