"""Practice tools end to end with the real libmpv back end: marks at about 2 s and 5 s, mark 1
gone to, L loops between them (the position read over MPRIS returns from mark 2 to mark 1 again
and again), "]" raises the speed that libmpv reports, L again lets playback run on; the track
overview and the loop shading are photographed."""

import subprocess

import harness
from player_ui import make_practice_track, menu_height, position, rate, start_with_marks_at_2_and_5


def test(args):
    mp3 = make_practice_track(args, "Practice")

    with harness.Session(args) as s:
        wid, mark1, mark2 = start_with_marks_at_2_and_5(s, mp3)
        assert mark1 < mark2, (mark1, mark2)

        s.key(wid, "1")
        harness.wait_until(lambda: position(s) < mark1 + 0.5, what="the player back at mark 1")
        s.key(wid, "l")
        seen = {"turns": 0, "last": position(s), "lowest": 99.0, "highest": 0.0}

        def turned_back_twice():
            p = position(s)
            if p < seen["last"] - 1.0:
                seen["turns"] += 1
            seen["lowest"], seen["highest"] = min(seen["lowest"], p), max(seen["highest"], p)
            seen["last"] = p
            return seen["turns"] >= 2
        harness.wait_until(turned_back_twice, timeout=20, what="the loop to turn back twice")
        lowest, highest = seen["lowest"], seen["highest"]
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
