"""Practice tools end to end with the real libmpv back end: marks at about 2 s and 5 s, mark 1
gone to, L loops between them (the position read over MPRIS returns from mark 2 to mark 1 again
and again), "]" raises the speed that libmpv reports, L again lets playback run on; the track
overview and the loop shading are photographed."""

import os
import subprocess
import time

import harness
from player_ui import menu_height, mpris_property, open_track, position


def rate(s):
    value = mpris_property(s, "Rate")
    return float(value) if value is not None else None


def test(args):
    work = os.path.abspath(os.path.join(args.out, "media"))
    os.makedirs(work, exist_ok=True)
    wav = os.path.join(work, "practice.wav")
    mp3 = os.path.join(work, "Practice.mp3")
    harness.make_tone_wav(wav, 30)
    harness.make_mp3(wav, mp3)

    with harness.Session(args) as s:
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
        assert mark1 < mark2, (mark1, mark2)

        s.key(wid, "1")
        harness.wait_until(lambda: position(s) < mark1 + 0.5, what="the player back at mark 1")
        s.key(wid, "l")
        turns, last, lowest, highest = 0, position(s), 99.0, 0.0
        deadline = time.monotonic() + 20
        while turns < 2 and time.monotonic() < deadline:
            p = position(s)
            if p < last - 1.0:
                turns += 1
            lowest, highest, last = min(lowest, p), max(highest, p), p
            time.sleep(0.05)
        assert turns >= 2, f"the loop turned back {turns} times"
        assert lowest >= mark1 - 0.05, (lowest, mark1)
        assert highest <= mark2 + 0.3, (highest, mark2)
        shot = s.screenshot("player_practice_loop")

        # The speed libmpv reports, through the desktop's media interface.
        s.key(wid, "bracketright")
        s.key(wid, "bracketright")
        harness.wait_until(lambda: abs((rate(s) or 0) - 1.1) < 1e-9,
                           what="libmpv playing at 110 %")
        s.key(wid, "equal")
        s.key(wid, "equal")
        s.screenshot("player_practice_controls")

        # L again: playback runs on past mark 2.
        s.key(wid, "l")
        harness.wait_until(lambda: position(s) > mark2 + 1.0, timeout=10,
                           what="playback past mark 2")
        s.key(wid, "backslash")
        harness.wait_until(lambda: rate(s) == 1.0, what="back to 100 %")

        # The overview lies in the strip: the panel is not plain white where the track is.
        g = s.window_geometry(wid)
        menu = menu_height(s, wid)
        x, y = g["X"] + 4 + 200, g["Y"] + menu + 52 + 66
        pixel = subprocess.check_output(["convert", shot, "-crop", f"1x1+{x}+{y}", "txt:-"],
                                        text=True)
        assert "#FFFFFF" not in pixel.upper(), pixel


if __name__ == "__main__":
    harness.main(test)
