"""The mark strip as the track's timeline, end to end with the real libmpv back end: marks and
a loop while playing (photographed at normal and double scale), the playhead drawn where the
paused track stands, a real click on the free strip moving playback there (paused and while
playing), and a click on a nudge button nudging the mark without moving playback."""

import os
import re
import subprocess
import time

import harness
from player_ui import mpris_property, open_track, position

PLAYHEAD = (14, 159, 119)
PIC_LEFT = 4  # picMarker inside the window
BORDER = (185, 192, 204)  # picMarker's frame
LENGTH = 30
SCALE = round(11040 / LENGTH)  # twips of strip a second: 368


def strip_top(s, wid):
    """The window-relative top of the strip: its frame, found in a column of the window."""
    out = subprocess.run(["import", "-display", s.display, "-window", wid, "-crop",
                          f"1x200+{PIC_LEFT + 300}+0", "-depth", "8", "txt:-"],
                         env=s.env, capture_output=True, text=True, check=True).stdout
    for line in out.splitlines()[1:]:
        m = re.match(r"0,(\d+): \((\d+),(\d+),(\d+)", line)
        if m and tuple(int(v) for v in m.groups()[1:]) == BORDER:
            return int(m.group(1))
    raise AssertionError("the strip's frame was not found")


def strip_point(s, wid, x, y):
    """Window-relative place of a point of the strip."""
    return PIC_LEFT + x, strip_top(s, wid) + y


def mark_column(seconds):
    # Where the strip draws a mark set at the player's position.
    return round(round(seconds * SCALE) / 15)


def play_with_marks_and_loop(s, wid, track):
    open_track(s, wid, track)
    s.key(wid, "F2")
    harness.wait_until(lambda: (position(s) or 0) >= 2.0, what="2 s played")
    s.key(wid, "ctrl+1")
    harness.wait_until(lambda: (position(s) or 0) >= 6.0, timeout=15, what="6 s played")
    s.key(wid, "ctrl+2")
    mark1 = float(harness.wait_until(lambda: s.stored(track, "0"), what="mark 1"))
    harness.wait_until(lambda: s.stored(track, "1"), what="mark 2")
    s.key(wid, "1")
    harness.wait_until(lambda: (position(s) or 99) < mark1 + 0.5, what="back at mark 1")
    s.key(wid, "l")
    harness.wait_until(lambda: (position(s) or 0) >= mark1 + 2.0, what="playing in the loop")
    return mark1


def test(args):
    work = os.path.abspath(os.path.join(args.out, "media"))
    os.makedirs(work, exist_ok=True)
    wav = os.path.join(work, "timeline.wav")
    track = os.path.join(work, "Timeline.mp3")
    # A tone that swells and fades every few seconds, so the overview has a shape to show.
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                    str(LENGTH), "sine", "220", "tremolo", "0.3", "90", "vol", "0.8"], check=True)
    harness.make_mp3(wav, track)

    with harness.Session(args) as s:
        s.start_dbus()
        s.start("tavrel")
        wid = s.find_window("Tavrel")
        harness.wait_until(lambda: position(s) is not None, what="the player on the bus")
        mark1 = play_with_marks_and_loop(s, wid, track)
        s.screenshot("player_timeline_1x")
        s.key(wid, "l")  # the loop ends; playback goes on

        # Paused, a click on the free strip: the position is the clicked time, and the playhead
        # is drawn there.
        s.key(wid, "F3")
        x, y = 500, 110
        target = x * 15 / SCALE
        s.click(wid, *strip_point(s, wid, x, y))
        harness.wait_until(lambda: abs(position(s) - target) < 0.05, timeout=5,
                           what=f"the position at {target:.3f} s")
        px, py = strip_point(s, wid, x, 130)
        harness.wait_until(lambda: s.window_pixel(wid, px, py) == PLAYHEAD, timeout=5,
                           what="the playhead at the clicked place")
        assert s.window_pixel(wid, px - 1, py) == PLAYHEAD
        assert s.window_pixel(wid, px + 2, py) != PLAYHEAD

        # Playing, a click further on: playback goes on from there.
        s.key(wid, "F2")
        x = 300
        target = x * 15 / SCALE
        g = s.window_geometry(wid)
        cx, cy = strip_point(s, wid, x, y)
        s.xdotool("mousemove", "--sync", str(g["X"] + cx), str(g["Y"] + cy))
        clicked = time.monotonic()
        s.xdotool("click", "1")
        harness.wait_until(lambda: abs(position(s) - target) < 1.0, timeout=5,
                           what=f"playback near {target:.3f} s")
        p = position(s)
        elapsed = time.monotonic() - clicked
        assert target - 0.05 <= p <= target + elapsed + 0.05, (p, target, elapsed)
        harness.wait_until(lambda: position(s) > target + 0.5, what="playback going on")

        # A click on mark 1's nudge button nudges it back a second and does not seek.
        s.key(wid, "F3")
        harness.wait_until(lambda: mpris_property(s, "PlaybackStatus") == "Paused",
                           what="the pause")
        before = position(s)
        s.click(wid, *strip_point(s, wid, mark_column(mark1), 13))
        harness.wait_until(lambda: abs(float(s.stored(track, "0")) - (mark1 - 1)) < 1e-6,
                           what="mark 1 nudged back")
        assert abs(position(s) - before) < 0.05, (position(s), before)
        s.close()

    # The same at double scale, photographed.
    with harness.Session(args, width=1700, height=1400) as s:
        s.env["QT_SCALE_FACTOR"] = "2"
        s.start_dbus()
        s.start("tavrel")
        wid = s.find_window("Tavrel")
        harness.wait_until(lambda: position(s) is not None, what="the player on the bus")
        play_with_marks_and_loop(s, wid, track)
        s.screenshot("player_timeline_2x")
        s.close()


if __name__ == "__main__":
    harness.main(test)
